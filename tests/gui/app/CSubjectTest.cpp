#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

#include "gui/app/CSubject.h"
#include "gui/platform/DialogTemplate.h"
#include "support/FakeMessageBoxes.h"

namespace quorvel {
namespace {

using test::FakeMessageBoxes;

QLineEdit* SubjectField(QWidget& d) {
    return d.findChild<QLineEdit*>(ControlName(CSubject::kSubjectEditId));
}
QLineEdit* SeedField(QWidget& d) {
    return d.findChild<QLineEdit*>(ControlName(CSubject::kSeedEditId));
}
QRadioButton* Radio(QWidget& d, int id) {
    return d.findChild<QRadioButton*>(ControlName(id));
}
QCheckBox* RankingBox(QWidget& d) {
    return d.findChild<QCheckBox*>(ControlName(CSubject::kShowRankingId));
}
QPushButton* Button(QWidget& d, int id) {
    return d.findChild<QPushButton*>(ControlName(id));
}

// Runs `act` on the open modal conditions dialog; a dialog `act` leaves open is a failure and
// is cancelled, so a broken test never hangs.
void ActOnDialog(std::function<void(CSubject&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = dynamic_cast<CSubject*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            ADD_FAILURE() << "no conditions dialog is open";
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* d = dynamic_cast<QDialog*>(w); d != nullptr && d->isVisible()) {
                    d->reject();
                }
            }
            return;
        }
        act(*dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            dialog->reject();
        }
    });
}

// Buttons of this kind take clicks on their indicator and text, not on the rest of their
// rectangle: click just inside the indicator.
void ClickIndicator(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

void ClickOk(CSubject& d) {
    QTest::mouseClick(Button(d, kIdOk), Qt::LeftButton);
}
void ClickCancel(CSubject& d) {
    QTest::mouseClick(Button(d, kIdCancel), Qt::LeftButton);
}

TEST(CSubjectTest, BuiltFromTheTemplate) {
    FakeMessageBoxes boxes;
    CSubject dialog(boxes);
    EXPECT_EQ(dialog.objectName(), QStringLiteral("CSubject"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("課題条件"));
    const DialogUnits du(dialog.font());
    EXPECT_EQ(dialog.size(), du.Size(244, 87));

    struct Control {
        QString name;
        QString text;
        DialogRect rect;
    };
    const Control controls[] = {
        {ControlName(1001), QString(), {54, 6, 108, 12}},
        {ControlName(1005), QStringLiteral("Part A"), {24, 36, 66, 12}},
        {ControlName(1006), QStringLiteral("Part B"), {24, 48, 66, 12}},
        {ControlName(1004), QString(), {180, 48, 48, 12}},
        {ControlName(1007), QStringLiteral("Show Ranking"), {132, 66, 84, 12}},
        {ControlName(1), QStringLiteral("OK"), {180, 6, 50, 14}},
        {ControlName(2), QStringLiteral("キャンセル"), {180, 24, 50, 14}},
        {QStringLiteral("subjectLabel"), QStringLiteral("Subject ID:"), {6, 6, 42, 12}},
        {QStringLiteral("seedLabel"), QStringLiteral("乱数初期値"), {132, 48, 48, 12}},
        {QStringLiteral("testTypeGroup"), QStringLiteral("テストタイプ"), {12, 24, 90, 42}},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name.toStdString());
        auto* widget = dialog.findChild<QWidget*>(c.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), &dialog);
        EXPECT_EQ(widget->geometry(), du.Rect(c.rect));
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            text = button->text();
        } else if (auto* label = qobject_cast<QLabel*>(widget)) {
            text = label->text();
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            text = group->title();
        }
        EXPECT_EQ(text, c.text);
    }
    EXPECT_TRUE(Button(dialog, kIdOk)->isDefault());
    EXPECT_FALSE(Radio(dialog, CSubject::kPartAId)->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(Radio(dialog, CSubject::kPartBId)->focusPolicy() & Qt::TabFocus);
}

TEST(CSubjectTest, TabGoesThroughTheTabStopsInTemplateOrder) {
    FakeMessageBoxes boxes;
    ExperimentState state;
    std::vector<QString> visited;
    ActOnDialog([&](CSubject& d) {
        for (int i = 0; i < 6; ++i) {
            visited.push_back(d.focusWidget() ? d.focusWidget()->objectName() : QString());
            QTest::keyClick(d.focusWidget(), Qt::Key_Tab);
        }
        ClickCancel(d);
    });
    EXPECT_FALSE(EditConditions(state, boxes));
    const std::vector<QString> expected = {ControlName(1001), ControlName(1004), ControlName(1007),
                                           ControlName(1),    ControlName(2),    ControlName(1001)};
    EXPECT_EQ(visited, expected);
}

TEST(CSubjectTest, FirstUseShowsTheDefaultsAndOkKeepsThem) {
    FakeMessageBoxes boxes;
    ExperimentState state;
    ActOnDialog([](CSubject& d) {
        EXPECT_EQ(SubjectField(d)->text(), QStringLiteral("SBJ0000"));
        EXPECT_EQ(SeedField(d)->text(), QStringLiteral("0"));
        EXPECT_TRUE(Radio(d, CSubject::kPartAId)->isChecked());
        EXPECT_FALSE(Radio(d, CSubject::kPartBId)->isChecked());
        EXPECT_EQ(RankingBox(d)->checkState(), Qt::Unchecked);
        EXPECT_EQ(d.focusWidget(), SubjectField(d));
        EXPECT_EQ(SubjectField(d)->selectedText(), QStringLiteral("SBJ0000"));
        ClickOk(d);
    });
    EXPECT_TRUE(EditConditions(state, boxes));
    EXPECT_EQ(state.subject, "SBJ0000");
    EXPECT_EQ(state.random_seed, 0);
    EXPECT_EQ(state.test_type, kPartA);
    EXPECT_EQ(state.flag_ranking, 0);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(CSubjectTest, SeedFieldIsReadAsAnInteger) {
    struct SeedCase {
        const char* text;
        std::optional<std::int32_t> seed;  // empty: refused
    };
    const SeedCase cases[] = {
        {"42", 42},
        {"  42", 42},
        {"+42", 42},
        {"-42", -42},
        {"42abc", 42},
        {"0", 0},
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"-", std::nullopt},
        {"2147483648", std::nullopt},
    };
    for (const SeedCase& c : cases) {
        SCOPED_TRACE(c.text);
        FakeMessageBoxes boxes;
        ExperimentState state;
        state.random_seed = 99;
        ActOnDialog([&](CSubject& d) {
            SeedField(d)->setText(QString::fromUtf8(c.text));
            ClickOk(d);
            if (c.seed) {
                return;
            }
            // Refused: told, the dialog stays open with the seed field focused and selected.
            EXPECT_TRUE(d.isVisible());
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_EQ(boxes.shown[0].kind, FakeMessageBoxes::Shown::App);
            EXPECT_EQ(boxes.shown[0].icon, BoxIcon::Exclamation);
            EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("整数")));
            EXPECT_EQ(d.focusWidget(), SeedField(d));
            EXPECT_EQ(SeedField(d)->selectedText(), QString::fromUtf8(c.text));
            // The operator corrects the field and the dialog goes on.
            SeedField(d)->setText(QStringLiteral("17"));
            ClickOk(d);
        });
        EXPECT_TRUE(EditConditions(state, boxes));
        EXPECT_EQ(state.random_seed, c.seed.value_or(17));
        EXPECT_EQ(boxes.shown.size(), c.seed ? 0u : 1u);
    }
}

TEST(CSubjectTest, TestTypeFollowsTheRadioButtonsNotTheExchange) {
    enum Click { None, PartA, PartB };
    struct TypeCase {
        TestType initial;
        bool shownAsPartB;
        Click click;
        bool ok;
        TestType result;
    };
    const TypeCase cases[] = {
        {0, false, None, true, 0},  {7, true, None, true, 7},     // other values show as Part B
        {2, true, None, true, 2},   {7, true, PartA, true, 0},    // and are kept until a click
        {0, false, PartB, true, 1}, {0, false, PartB, false, 0},  // cancel copies nothing back
        {1, true, PartB, true, 1},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.initial << " click " << c.click << " ok " << c.ok);
        FakeMessageBoxes boxes;
        ExperimentState state;
        state.test_type = c.initial;
        ActOnDialog([&](CSubject& d) {
            QRadioButton* a = Radio(d, CSubject::kPartAId);
            QRadioButton* b = Radio(d, CSubject::kPartBId);
            EXPECT_EQ(a->isChecked(), !c.shownAsPartB);
            EXPECT_EQ(b->isChecked(), c.shownAsPartB);
            if (c.click != None) {
                ClickIndicator(c.click == PartA ? a : b);
                d.repaint();  // painting sets the buttons from the member the click changed
                EXPECT_EQ(a->isChecked(), c.click == PartA);
                EXPECT_EQ(b->isChecked(), c.click == PartB);
            }
            c.ok ? ClickOk(d) : ClickCancel(d);
        });
        EXPECT_EQ(EditConditions(state, boxes), c.ok);
        EXPECT_EQ(state.test_type, c.result);
    }
}

TEST(CSubjectTest, RankingFlagIsClampedAndHandedBackAsTheBoxState) {
    struct FlagCase {
        std::int32_t initial;
        Qt::CheckState shown;
        bool click;
        std::int32_t result;
    };
    const FlagCase cases[] = {
        {0, Qt::Unchecked, false, 0},        {1, Qt::Checked, false, 1},
        {2, Qt::PartiallyChecked, false, 2}, {-1, Qt::Unchecked, false, 0},
        {3, Qt::Unchecked, false, 0},        {5, Qt::Unchecked, false, 0},
        {0, Qt::Unchecked, true, 1},         {1, Qt::Checked, true, 0},
        {2, Qt::PartiallyChecked, true, 1},  // a click leaves the third state for good
    };
    for (const FlagCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.initial << " click " << c.click);
        FakeMessageBoxes boxes;
        ExperimentState state;
        state.flag_ranking = c.initial;
        ActOnDialog([&](CSubject& d) {
            EXPECT_EQ(RankingBox(d)->checkState(), c.shown);
            if (c.click) {
                ClickIndicator(RankingBox(d));
            }
            ClickOk(d);
        });
        EXPECT_TRUE(EditConditions(state, boxes));
        EXPECT_EQ(state.flag_ranking, c.result);
    }
}

TEST(CSubjectTest, SubjectIdIsCheckedAndKeptAsCp932) {
    struct SubjectCase {
        const char* text;
        const char* bytes;  // null: refused
    };
    const SubjectCase cases[] = {
        {"", ""},
        {"P-01", "P-01"},
        {"ソ表能", "\x83\x5c\x95\x5c\x94\x5c"},
        {"被験者", "\x94\xed\x8c\xb1\x8e\xd2"},
        {"a/b", nullptr},
        {"a\\b", nullptr},
        {"é", nullptr},
        {"a,b", "a,b"},  // written unquoted, as the record files always have
        {"a\tb", nullptr},
        {"..", nullptr},
        {"nul", nullptr},
        {"S=1", nullptr},  // the settings file would give it back as "S"
        {"=abc", nullptr},
    };
    for (const SubjectCase& c : cases) {
        SCOPED_TRACE(c.text);
        FakeMessageBoxes boxes;
        ExperimentState state;
        ActOnDialog([&](CSubject& d) {
            SubjectField(d)->setText(QString::fromUtf8(c.text));
            SeedField(d)->setText(QStringLiteral("also wrong"));  // the subject is read first
            ClickOk(d);
            ASSERT_EQ(boxes.shown.size(), 1u);
            EXPECT_TRUE(d.isVisible());
            if (c.bytes == nullptr) {
                EXPECT_TRUE(boxes.shown[0].text.contains(QStringLiteral("被験者ID")));
                EXPECT_EQ(boxes.shown[0].text.contains(QStringLiteral("「=」")),
                          QString::fromUtf8(c.text).contains(u'='));
                EXPECT_EQ(d.focusWidget(), SubjectField(d));
                EXPECT_EQ(SubjectField(d)->selectedText(), QString::fromUtf8(c.text));
                ClickCancel(d);
                return;
            }
            EXPECT_EQ(d.focusWidget(), SeedField(d));
            SeedField(d)->setText(QStringLiteral("5"));
            ClickOk(d);
        });
        const bool ok = EditConditions(state, boxes);
        EXPECT_EQ(ok, c.bytes != nullptr);
        EXPECT_EQ(state.subject, c.bytes ? std::string(c.bytes) : std::string("SBJ0000"));
    }
}

TEST(CSubjectTest, StoredCp932SubjectIsShownAsText) {
    FakeMessageBoxes boxes;
    ExperimentState state;
    state.subject = "\x83\x5c\x95\x5c\x94\x5c";
    ActOnDialog([](CSubject& d) {
        EXPECT_EQ(SubjectField(d)->text(), QStringLiteral("ソ表能"));
        ClickOk(d);
    });
    EXPECT_TRUE(EditConditions(state, boxes));
    EXPECT_EQ(state.subject, "\x83\x5c\x95\x5c\x94\x5c");
}

TEST(CSubjectTest, CancelEscapeAndCloseBoxReadNothing) {
    const std::function<void(CSubject&)> closers[] = {
        [](CSubject& d) { ClickCancel(d); },
        [](CSubject& d) { QTest::keyClick(SeedField(d), Qt::Key_Escape); },
        [](CSubject& d) { d.close(); },
    };
    for (const auto& closeIt : closers) {
        FakeMessageBoxes boxes;
        ExperimentState state;
        state.random_seed = 3;
        state.flag_ranking = 1;
        ActOnDialog([&](CSubject& d) {
            SubjectField(d)->setText(QStringLiteral("a/b"));
            SeedField(d)->setText(QStringLiteral("abc"));
            RankingBox(d)->setCheckState(Qt::Unchecked);
            closeIt(d);
        });
        EXPECT_FALSE(EditConditions(state, boxes));
        EXPECT_TRUE(boxes.shown.empty());
        EXPECT_EQ(state.subject, "SBJ0000");
        EXPECT_EQ(state.random_seed, 3);
        EXPECT_EQ(state.flag_ranking, 1);
    }
}

TEST(CSubjectTest, EnterPressesOk) {
    FakeMessageBoxes boxes;
    CSubject dialog(boxes);
    dialog.m_seed = 1;
    QTimer::singleShot(0, &dialog, [&dialog] {
        SeedField(dialog)->setText(QStringLiteral("42"));
        QTest::keyClick(SeedField(dialog), Qt::Key_Return);
    });
    EXPECT_EQ(dialog.DoModal(), kIdOk);
    EXPECT_EQ(dialog.m_seed, 42);
}

}  // namespace
}  // namespace quorvel
