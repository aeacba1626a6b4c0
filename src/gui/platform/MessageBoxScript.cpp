#include "gui/platform/MessageBoxScript.h"

#include <QAbstractButton>
#include <QTimer>
#include <deque>

namespace quorvel {

namespace {

struct ScriptData {
    bool armed = false;
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<ScriptedBox> shown;
};

ScriptData& Data() {
    static ScriptData data;
    return data;
}

}  // namespace

void MessageBoxScript::Answer(QMessageBox::StandardButton button) {
    Data().armed = true;
    Data().answers.push_back(button);
}

void MessageBoxScript::Reset() {
    Data() = ScriptData();
}

bool MessageBoxScript::Armed() {
    return Data().armed;
}

const std::vector<ScriptedBox>& MessageBoxScript::Shown() {
    return Data().shown;
}

int MessageBoxScript::Pending() {
    return static_cast<int>(Data().answers.size());
}

void MessageBoxScript::Attach(QMessageBox& box) {
    ScriptData& data = Data();
    if (!data.armed) {
        return;
    }
    ScriptedBox shown;
    shown.text = box.text();
    shown.caption = box.windowTitle();
    shown.icon = box.icon();
    shown.buttons = box.standardButtons();
    shown.ownedByParent = box.parentWidget() != nullptr;
    if (!data.answers.empty()) {
        shown.answer = data.answers.front();
        data.answers.pop_front();
    } else {
        shown.expected = false;
    }
    data.shown.push_back(shown);

    // Answered from inside the box's own modal loop, as a person would.
    const QMessageBox::StandardButton answer = shown.answer;
    // The box is the timer's context: a box already gone is never touched.
    QMessageBox* target = &box;
    QTimer::singleShot(0, target, [target, answer] {
        QAbstractButton* button =
            answer != QMessageBox::NoButton ? target->button(answer) : nullptr;
        if (button == nullptr) {
            button = target->escapeButton();
        }
        if (button != nullptr) {
            button->click();
        } else {
            target->reject();
        }
    });
}

}  // namespace quorvel
