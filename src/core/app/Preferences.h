#pragma once

#include <QString>
#include <memory>

#include "core/experiment/ExperimentState.h"

class QSettings;

namespace quorvel {

// The language the program's texts are shown in. Japanese is the program's own; every other
// language is a translation compiled into the program.
enum class Language { Japanese, English };

// The operator's choices that are the program's own rather than a test's conditions, kept
// apart from QVL.ini (whose keys and bytes stay those of the conditions): in the platform's
// usual place for a user's settings (~/.config/Quorvel/Quorvel.conf on Linux, the registry on
// Windows). The defaults are the program as it always was: Japanese, no practice.
struct Preferences {
    Language language = Language::Japanese;
    bool practice_first = false;
};

// The preferences store: organisation and application "Quorvel", the platform's native format.
// Tests point it elsewhere with QSettings::setPath or XDG_CONFIG_HOME.
std::unique_ptr<QSettings> OpenPreferences();

// The preferences as stored; a missing or damaged store, or a value that cannot be read, gives
// that value's default, silently.
Preferences ReadPreferences(const QSettings& store);

// Stores the preferences at once. False when the store cannot be written (nothing else is said:
// the choice still holds until the program ends).
bool WritePreferences(QSettings& store, const Preferences& preferences);

// The language's code in the records ("ja", "en") and in the translation file names.
QString LanguageCode(Language language);

// Part B's letters in a language: hiragana with Japanese, Latin letters with the others.
LabelScript LabelsFor(Language language);

}  // namespace quorvel
