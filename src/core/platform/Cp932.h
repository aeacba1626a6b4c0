#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace quorvel {

// The code page every text of the records, the settings file and the file names is kept in:
// CP932, the Japanese Windows code page. Every conversion between it and the text the windows
// show goes through here, so that each file reads the same way everywhere, and a build whose Qt
// has no CP932 (no ICU, as on Windows) plugs its system's conversion in at this one place.
//
// Both directions are stateless: each call converts a whole text, and a lead byte cut off at
// the end is an error of that text, never carried into the next call. Without the code page
// only plain ASCII converts; anything else is an error.

// The text the bytes spell. `exact`, when given, tells whether every byte was valid CP932;
// invalid bytes come out as replacement or control characters, a cut-off lead byte as nothing.
QString FromCp932(QByteArrayView bytes, bool* exact = nullptr);

// The CP932 bytes of `text`. `exact`, when given, tells whether every character has a CP932
// form; those without one come out as a substitute byte.
QByteArray ToCp932(QStringView text, bool* exact = nullptr);

}  // namespace quorvel
