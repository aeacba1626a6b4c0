#pragma once

#include <QMessageBox>
#include <QString>
#include <vector>

namespace quorvel {

// One box as it was shown while a script was armed.
struct ScriptedBox {
    QString text;
    QString caption;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool ownedByParent = false;  // the box had an owner window
    QMessageBox::StandardButton answer = QMessageBox::NoButton;
    bool expected = true;  // false: no answer was queued, the box was closed as by Escape
};

// Lets tests answer the program's message boxes without a human. Once armed (by queuing an
// answer), every box shown runs its real modal loop and is answered from the queue as soon as
// that loop runs; a box shown when the queue is empty is recorded as unexpected and closed as
// Escape would close it, so a test never hangs on a box it did not foresee.
class MessageBoxScript {
  public:
    // Queue the answer for the next box and arm the script.
    static void Answer(QMessageBox::StandardButton button);
    // Disarm and forget the queue and the boxes shown.
    static void Reset();
    static bool Armed();
    // The boxes shown since the last Reset, oldest first.
    static const std::vector<ScriptedBox>& Shown();
    // The answers still queued.
    static int Pending();

    // Called for every box just before its modal loop runs.
    static void Attach(QMessageBox& box);
};

}  // namespace quorvel
