#include "platform/TextModeBytes.h"

namespace quorvel {

QByteArray FromTextMode(const QByteArray& fileBytes) {
    QByteArray text;
    text.reserve(fileBytes.size());
    const qsizetype n = fileBytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char c = fileBytes[i];
        if (c == '\r' && i + 1 < n && fileBytes[i + 1] == '\n') {
            continue;  // the LF that follows is kept
        }
        text.append(c);
    }
    return text;
}

QByteArray ToTextMode(const QByteArray& text) {
    QByteArray bytes;
    bytes.reserve(text.size() + text.count('\n'));
    for (const char c : text) {
        if (c == '\n') {
            bytes.append('\r');
        }
        bytes.append(c);
    }
    return bytes;
}

}  // namespace quorvel
