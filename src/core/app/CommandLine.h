#pragma once

#include <QString>
#include <QStringList>

#include "core/app/DataFolderPaths.h"

namespace quorvel {

// The command line is read in main() before the application object exists, so that --version
// and --help answer on a machine without a display and open no window.
//
//   --version      print "Quorvel <version>" and exit 0
//   --help         print the usage and exit 0
//   --data-folder  work in the user's data folder (DefaultDataFolder(): ~/Quorvel, on Windows
//                  Documents\Quorvel) instead of the current directory: the desktop entry and
//                  the Start-menu entry start Quorvel this way
//   --layouts FIRST..LAST  print the layouts of those seeds as CSV and exit
//   --summary [FOLDER]     write runs/subjects.csv from the run records of FOLDER (default: the
//                  current directory, or ~/Quorvel with --data-folder), print it and exit
//
// Anything else is left to Qt and otherwise ignored, as it always was. The first of --version,
// --help, --layouts and --summary wins; --layouts without its range is a usage error.
enum class StartAction { kRun, kPrintVersion, kPrintHelp, kLayouts, kSummary, kUsageError };

struct StartRequest {
    StartAction action = StartAction::kRun;
    bool useDataFolder = false;
    QString layouts;        // --layouts' range, as given
    QString summaryFolder;  // --summary's folder; empty when none was given
    QString usageError;     // kUsageError: what is wrong, for standard error
};

// args without the program's name.
StartRequest ReadCommandLine(const QStringList& args);

// The folder --summary reads: the one given, else the data folder in use.
QString SummaryFolder(const StartRequest& request);

// What --version and --help print, each ending with a line feed.
QString VersionText();
QString HelpText();

// Creates folder when missing (with its parents), copies sharedClick into it as click.wav when
// the folder has no click.wav yet, and makes the folder the working directory. A click sound
// that cannot be copied is not an error (no sound is what a missing click.wav means anyway);
// a folder that cannot be created or entered is. Returns the error's text, or an empty string.
QString EnterDataFolder(const QString& folder, const QString& sharedClick);

}  // namespace quorvel
