#include "core/app/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/app/Version.h"

namespace quorvel {

StartRequest ReadCommandLine(const QStringList& args) {
    StartRequest request;
    for (const QString& arg : args) {
        if (request.action == StartAction::kRun && arg == QLatin1String("--version")) {
            request.action = StartAction::kPrintVersion;
        } else if (request.action == StartAction::kRun && arg == QLatin1String("--help")) {
            request.action = StartAction::kPrintHelp;
        } else if (arg == QLatin1String("--data-folder")) {
            request.useDataFolder = true;
        }
    }
    return request;
}

QString VersionText() {
    return QStringLiteral("Quorvel ") + QLatin1String(kVersion) + QLatin1Char('\n');
}

QString HelpText() {
    return QStringLiteral(
        "Usage: quorvel [--data-folder]\n"
        "       quorvel --version | --help\n"
        "\n"
        "Administers a timed connect-the-targets test on a touch screen.\n"
        "\n"
        "Quorvel reads and writes its files (<subject ID>.csv, QVL.txt, QVL.ini, click.wav)\n"
        "in the current directory.\n"
        "\n"
        "  --data-folder  work in ~/Quorvel instead (created when missing, click.wav copied\n"
        "                 into it); the desktop entry starts Quorvel this way\n"
        "  --version      print the version and exit\n"
        "  --help         print this help and exit\n");
}

QString DefaultDataFolder() {
    return QDir::homePath() + QStringLiteral("/Quorvel");
}

QString SharedClickSound() {
    return QLatin1String(kSharedDataDir) + QStringLiteral("/click.wav");
}

QString EnterDataFolder(const QString& folder, const QString& sharedClick) {
    if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
        return QStringLiteral("Quorvel: cannot use the data folder ") + folder;
    }
    const QString click = QStringLiteral("click.wav");
    // exists() follows links: a dangling link to a shared click.wav is left for the lab to mend.
    if (!QFileInfo(click).exists() && !QFileInfo(click).isSymLink() && QFile::exists(sharedClick)) {
        QFile::copy(sharedClick, click);
        // The copy keeps the package's read-only mode; the lab may want to replace the sound.
        QFile::setPermissions(click, QFile::permissions(click) | QFile::WriteOwner);
    }
    return QString();
}

}  // namespace quorvel
