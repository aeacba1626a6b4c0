#include <cstdio>
#include <optional>
#include <string_view>

#include "core/app/CommandLine.h"
#include "core/app/LayoutScan.h"
#include "core/app/SummaryCommand.h"
#include "core/platform/FileSizeSignal.h"
#include "gui/app/CMyApp.h"
#include "gui/platform/ProcessEnd.h"

namespace {

int Print(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// The usage error's text on standard error; exit code 2, as command-line tools have it.
int UsageError(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    return 2;
}

int PrintLayouts(const QString& rangeText) {
    const std::optional<quorvel::SeedRange> range = quorvel::ParseSeedRange(rangeText);
    if (!range) {
        return UsageError(QStringLiteral("quorvel: --layouts wants FIRST..LAST, two seeds from "
                                         "-2147483648 to 2147483647 with FIRST <= LAST, not ") +
                          rangeText);
    }
    const bool written = quorvel::ScanLayouts(*range, [](std::string_view block) {
        return std::fwrite(block.data(), 1, block.size(), stdout) == block.size();
    });
    return written && std::fflush(stdout) == 0 ? 0 : 1;
}

// The per-subject table: runs/subjects.csv written and the same printed; an error goes to
// standard error with exit code 1, and no file is changed.
int PrintSummary(const QString& folder) {
    const quorvel::SummaryOutcome outcome = quorvel::RunSummaryCommand(folder);
    if (outcome.exit_code != 0) {
        std::fprintf(stderr, "%s\n", outcome.error.toLocal8Bit().constData());
        return outcome.exit_code;
    }
    return Print(QString::fromUtf8(outcome.table));
}

}  // namespace

// --version, --help, --layouts and --summary are answered before the application object is
// made, so they need no display; every argument still goes to Qt, which ignores what it does
// not know.
int main(int argc, char** argv) {
    // The data folder's set-up below copies a file already.
    quorvel::TreatFileSizeLimitAsWriteError();
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args.append(QString::fromLocal8Bit(argv[i]));
    }
    const quorvel::StartRequest request = quorvel::ReadCommandLine(args);
    if (request.action == quorvel::StartAction::kPrintVersion) {
        return Print(quorvel::VersionText());
    }
    if (request.action == quorvel::StartAction::kPrintHelp) {
        return Print(quorvel::HelpText());
    }
    if (request.action == quorvel::StartAction::kUsageError) {
        return UsageError(request.usageError);
    }
    if (request.action == quorvel::StartAction::kLayouts) {
        return PrintLayouts(request.layouts);
    }
    if (request.action == quorvel::StartAction::kSummary) {
        return PrintSummary(quorvel::SummaryFolder(request));
    }
    if (request.useDataFolder) {
        const QString error =
            quorvel::EnterDataFolder(quorvel::DefaultDataFolder(), quorvel::SharedClickSound());
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s\n", error.toLocal8Bit().constData());
            return 1;
        }
    }

    quorvel::CMyApp app(argc, argv);
    app.InitInstance();
    const int exitCode = app.Run();
    const int code = app.ExitInstance(exitCode);
    // The settings are saved: a hanging teardown must not keep the process alive.
    quorvel::EndProcessIfTeardownMayHang(code);
    return code;
}
