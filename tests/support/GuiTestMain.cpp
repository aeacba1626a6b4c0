#include <gtest/gtest.h>

#include <QApplication>

// Window tests need one QApplication for the whole process, made before any widget.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
