#pragma once

#include <QString>
#include <deque>
#include <vector>

#include "core/platform/MessageBoxService.h"

namespace quorvel::test {

// Records every box shown; AskRetry answers from a queue (Cancel when it is empty).
class FakeMessageBoxes : public MessageBoxService {
  public:
    struct Shown {
        enum Kind { Plain, App, Retry } kind;
        QString text;
        QString caption;  // plain boxes only
        BoxIcon icon = BoxIcon::Stop;
    };

    void ShowPlain(const QString& text, const QString& caption) override {
        shown.push_back({Shown::Plain, text, caption, BoxIcon::Stop});
    }
    void ShowApp(const QString& text, BoxIcon icon) override {
        shown.push_back({Shown::App, text, QString(), icon});
    }
    bool AskRetry(const QString& text) override {
        shown.push_back({Shown::Retry, text, QString(), BoxIcon::Exclamation});
        if (retryAnswers.empty()) {
            return false;
        }
        const bool answer = retryAnswers.front();
        retryAnswers.pop_front();
        return answer;
    }

    std::vector<Shown> shown;
    std::deque<bool> retryAnswers;
};

}  // namespace quorvel::test
