#pragma once

#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <QWindow>

#include "core/platform/MessageBoxService.h"

namespace quorvel {

// The operator's message boxes as real modal QMessageBoxes. Every box is owned by the main
// frame once it is known (SetOwner), so it stays above it; each runs its own modal loop, which
// keeps dispatching the thread's events.
class QtMessageBoxes : public MessageBoxService {
  public:
    void SetOwner(QWidget* owner) { m_owner = owner; }
    QWidget* Owner() const { return m_owner; }

    // Once the program is ending (logout, shutdown) nobody is there to answer: boxes are no
    // longer shown, a plain box counts as read and a Retry question as cancelled.
    void SetEnding(bool ending) { m_ending = ending; }

    // While a test runs, its boxes stand over the experiment window (null: over the owner).
    // Window managers keep a box above the window it belongs to, and no further.
    void SetStackOver(QWindow* window) { m_stackOver = window; }

    // The caption given, no icon, one OK button.
    void ShowPlain(const QString& text, const QString& caption) override;
    // Captioned with QCoreApplication::applicationName(); stop or exclamation icon, OK.
    void ShowApp(const QString& text, BoxIcon icon) override;
    // Captioned with the application's name, exclamation icon, Retry and Cancel.
    bool AskRetry(const QString& text) override;

  private:
    QMessageBox::StandardButton Run(QMessageBox::Icon icon, const QString& caption,
                                    const QString& text, QMessageBox::StandardButtons buttons);

    QPointer<QWidget> m_owner;
    QPointer<QWindow> m_stackOver;
    bool m_ending = false;
};

}  // namespace quorvel
