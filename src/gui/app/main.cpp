#include <cstdio>

#include "core/app/CommandLine.h"
#include "core/platform/FileSizeSignal.h"
#include "gui/app/CMyApp.h"
#include "gui/platform/ProcessEnd.h"

namespace {

int Print(const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

// --version and --help are answered before the application object is made, so they need no
// display; every argument still goes to Qt, which ignores what it does not know.
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
