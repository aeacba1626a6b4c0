#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstring>

namespace quorvel {

// Our text files are written and read as the Windows C runtime does in text mode, so the
// bytes on disk are the same on every platform.

// What a text-mode read delivers: every CR LF pair becomes one LF. A CR that is not followed
// by LF stays a CR byte; no other byte is changed.
QByteArray FromTextMode(const QByteArray& fileBytes);

// What a text-mode write puts on disk: every LF becomes CR LF.
QByteArray ToTextMode(const QByteArray& text);

// Splits text into the lines a reader with a line buffer of `bufferSize` bytes sees: each
// piece ends after the first LF or after bufferSize - 1 bytes, whichever comes first, so an
// overlong line reads as several; the last piece may end without LF. Each piece is then cut
// at its first NUL byte, where a line held as a C string ends. Calls `onPiece(QByteArrayView)` for
// each piece in order (the view points into `text`) and stops early when it returns false.
template <typename OnPiece>
void ForEachPiece(const QByteArray& text, int bufferSize, OnPiece onPiece) {
    const char* pos = text.constData();
    const char* const end = pos + text.size();
    const std::size_t maxPiece = static_cast<std::size_t>(bufferSize - 1);
    while (pos < end) {
        const std::size_t left = static_cast<std::size_t>(end - pos);
        const char* next = pos + (left < maxPiece ? left : maxPiece);
        // Look for the LF only inside this piece, so a huge line costs linear time.
        if (const void* lf = std::memchr(pos, '\n', static_cast<std::size_t>(next - pos))) {
            next = static_cast<const char*>(lf) + 1;
        }
        const void* nul = std::memchr(pos, '\0', static_cast<std::size_t>(next - pos));
        const char* textEnd = nul != nullptr ? static_cast<const char*>(nul) : next;
        const QByteArrayView piece(pos, textEnd - pos);
        pos = next;
        if (!onPiece(piece)) {
            return;
        }
    }
}

}  // namespace quorvel
