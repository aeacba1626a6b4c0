#include "core/app/CommandLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "core/app/Version.h"

namespace quorvel {

StartRequest ReadCommandLine(const QStringList& args) {
    StartRequest request;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool first = request.action == StartAction::kRun;
        if (first && arg == QLatin1String("--version")) {
            request.action = StartAction::kPrintVersion;
        } else if (first && arg == QLatin1String("--help")) {
            request.action = StartAction::kPrintHelp;
        } else if (first && arg == QLatin1String("--layouts")) {
            if (i + 1 >= args.size()) {
                request.action = StartAction::kUsageError;
                request.usageError =
                    QStringLiteral("quorvel: --layouts needs a range of seeds, FIRST..LAST");
            } else {
                request.action = StartAction::kLayouts;
                request.layouts = args[++i];
            }
        } else if (first && arg == QLatin1String("--summary")) {
            request.action = StartAction::kSummary;
            // The folder is optional: the next argument is it unless it is an option.
            if (i + 1 < args.size() && !args[i + 1].startsWith(QLatin1Char('-'))) {
                request.summaryFolder = args[++i];
            }
        } else if (arg == QLatin1String("--data-folder")) {
            request.useDataFolder = true;
        }
    }
    return request;
}

QString SummaryFolder(const StartRequest& request) {
    if (!request.summaryFolder.isEmpty()) {
        return request.summaryFolder;
    }
    return request.useDataFolder ? DefaultDataFolder() : QStringLiteral(".");
}

QString VersionText() {
    return QStringLiteral("Quorvel ") + QLatin1String(kVersion) + QLatin1Char('\n');
}

QString HelpText() {
    return QStringLiteral(
        "Usage: quorvel [--data-folder]\n"
        "       quorvel [--data-folder] --summary [FOLDER]\n"
        "       quorvel --layouts FIRST..LAST\n"
        "       quorvel --version | --help\n"
        "\n"
        "Administers a timed connect-the-targets test on a touch screen.\n"
        "\n"
        "Quorvel reads and writes its files (<subject ID>.csv, QVL.txt, QVL.ini, click.wav)\n"
        "in the current directory, and keeps a record of every run in its runs folder\n"
        "(runs/index.csv, runs/trials.csv, a picture and the presses of each run).\n"
        "\n"
        "The Experiment menu's \"Practice first\" (a practice trail of 8 targets before each\n"
        "test, recorded in runs/ only) and Language (Japanese, or English with the Latin\n"
        "letters A to L in Part B) are kept in the program's own preferences\n"
        "(~/.config/Quorvel/Quorvel.conf; the registry on Windows), never in QVL.ini;\n"
        "a missing or damaged preferences file means Japanese and no practice.\n"
        "\n"
        "  --data-folder  work in ~/Quorvel instead (created when missing, click.wav copied\n"
        "                 into it); the desktop entry starts Quorvel this way\n"
        "  --summary [FOLDER]\n"
        "                 per-subject scores from FOLDER/runs (default: the current\n"
        "                 directory, or ~/Quorvel with --data-folder): writes\n"
        "                 runs/subjects.csv, prints the same table and exits; needs no\n"
        "                 display and changes no other file. Pairing rule: for each\n"
        "                 subject, the latest completed Part A run and the latest\n"
        "                 completed Part B run (by start time; aborted runs never count)\n"
        "                 are paired, and B - A and B / A are given for both completion\n"
        "                 time (target 1 included) and TotalRT; empty when either is\n"
        "                 missing. A damaged runs/index.csv is refused, naming the line.\n"
        "  --layouts FIRST..LAST\n"
        "                 print as CSV, for every seed from FIRST to LAST (as typed in\n"
        "                 the conditions dialog; 0, the clock's seed, is left out), whether\n"
        "                 a layout can be made and its trail length, trail crossings and\n"
        "                 shortest distance between circle centres; a seed gives Part A\n"
        "                 and Part B the same positions\n"
        "  --version      print the version and exit\n"
        "  --help         print this help and exit\n"
        "\n"
        "Other arguments go to Qt, which takes its own (such as -platform or -style) and\n"
        "ignores the rest.\n");
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
