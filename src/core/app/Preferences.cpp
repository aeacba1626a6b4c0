#include "core/app/Preferences.h"

#include <QSettings>

namespace quorvel {

namespace {

const char* const kKeyLanguage = "language";
const char* const kKeyPractice = "practice_first";

}  // namespace

std::unique_ptr<QSettings> OpenPreferences() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Quorvel"), QStringLiteral("Quorvel"));
}

Preferences ReadPreferences(const QSettings& store) {
    Preferences preferences;
    if (store.status() != QSettings::NoError) {
        return preferences;  // damaged: the defaults
    }
    const QString language = store.value(QLatin1String(kKeyLanguage)).toString();
    if (language == LanguageCode(Language::English)) {
        preferences.language = Language::English;
    }
    const QString practice = store.value(QLatin1String(kKeyPractice)).toString();
    preferences.practice_first =
        practice == QLatin1String("true") || practice == QLatin1String("1");
    return preferences;
}

bool WritePreferences(QSettings& store, const Preferences& preferences) {
    store.setValue(QLatin1String(kKeyLanguage), LanguageCode(preferences.language));
    store.setValue(QLatin1String(kKeyPractice), preferences.practice_first);
    store.sync();
    return store.status() == QSettings::NoError;
}

QString LanguageCode(Language language) {
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("ja");
}

LabelScript LabelsFor(Language language) {
    return language == Language::Japanese ? LabelScript::Hiragana : LabelScript::Latin;
}

}  // namespace quorvel
