#include "app/CMyApp.h"

// The program takes no arguments; they go to Qt only.
int main(int argc, char** argv) {
    quorvel::CMyApp app(argc, argv);
    app.InitInstance();
    const int exitCode = app.Run();
    return app.ExitInstance(exitCode);
}
