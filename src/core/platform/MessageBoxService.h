#pragma once

#include <QString>

namespace quorvel {

enum class BoxIcon { Stop, Exclamation };

// The message boxes the program shows the operator. Core logic talks to this interface; the
// window layer provides the real boxes and tests provide a recording fake.
class MessageBoxService {
  public:
    virtual ~MessageBoxService() = default;

    // A plain box owned by the main frame: the caption given, an OK button, no icon.
    virtual void ShowPlain(const QString& text, const QString& caption) = 0;

    // The application's box: captioned with the application's name, with an icon and OK.
    virtual void ShowApp(const QString& text, BoxIcon icon) = 0;

    // The application's box with Retry and Cancel, exclamation icon. True when the operator
    // chose to retry.
    virtual bool AskRetry(const QString& text) = 0;
};

}  // namespace quorvel
