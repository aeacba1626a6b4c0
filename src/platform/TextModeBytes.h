#pragma once

#include <QByteArray>
#include <cstring>

namespace quorvel {

// Our text files are written and read as the Windows C runtime does in text mode, so the
// bytes on disk are the same on every platform.

// What a text-mode read delivers: every CR LF pair becomes one LF. A CR that is not followed
// by LF stays a CR byte; no other byte is changed.
QByteArray FromTextMode(const QByteArray& fileBytes);

// What a text-mode write puts on disk: every LF becomes CR LF.
QByteArray ToTextMode(const QByteArray& text);

// Splits text the way fgets with a buffer of `bufferSize` bytes hands it out: each piece
// ends after the first LF or after bufferSize - 1 bytes, whichever comes first; the last
// piece may end without LF. Each piece is then cut at its first NUL byte, because the
// callers treat a piece as a C string. Calls `onPiece(const QByteArray&)` for each piece in
// order and stops early when it returns false.
template <typename OnPiece>
void ForEachPiece(const QByteArray& text, int bufferSize, OnPiece onPiece) {
    const qsizetype maxPiece = bufferSize - 1;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos + maxPiece < text.size() ? pos + maxPiece : text.size();
        // Look for the LF only inside this piece, so a huge line costs linear time.
        const void* lf = std::memchr(text.constData() + pos, '\n', size_t(end - pos));
        if (lf != nullptr) {
            end = static_cast<const char*>(lf) - text.constData() + 1;
        }
        QByteArray piece = text.mid(pos, end - pos);
        const qsizetype nul = piece.indexOf('\0');
        if (nul >= 0) {
            piece.truncate(nul);
        }
        pos = end;
        if (!onPiece(piece)) {
            return;
        }
    }
}

}  // namespace quorvel
