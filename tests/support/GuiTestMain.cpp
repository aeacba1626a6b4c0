#include <gtest/gtest.h>

#include <QApplication>

#include "gui/platform/ProcessEnd.h"

// Window tests need one QApplication for the whole process, made before any widget.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    // Every result is reported by now: a hanging teardown must not turn a pass into a hang.
    quorvel::EndProcessIfTeardownMayHang(result);
    return result;
}
