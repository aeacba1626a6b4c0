#include "core/platform/TextModeBytes.h"

namespace quorvel {

QByteArray FromTextMode(const QByteArray& fileBytes) {
    const char* pos = fileBytes.constData();
    const char* const end = pos + fileBytes.size();
    const void* firstCr = std::memchr(pos, '\r', static_cast<std::size_t>(end - pos));
    if (firstCr == nullptr) {
        return fileBytes;  // nothing to change: share the bytes
    }
    QByteArray text;
    text.reserve(fileBytes.size());
    while (pos < end) {
        const char* cr =
            static_cast<const char*>(std::memchr(pos, '\r', static_cast<std::size_t>(end - pos)));
        if (cr == nullptr) {
            text.append(pos, end - pos);
            break;
        }
        const bool pair = cr + 1 < end && cr[1] == '\n';
        text.append(pos, (pair ? cr : cr + 1) - pos);  // a lone CR is kept, a paired one not
        pos = cr + 1;
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
