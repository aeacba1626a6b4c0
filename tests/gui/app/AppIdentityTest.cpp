#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QWidget>
#include <QWindow>

#include "gui/app/AppIdentity.h"

namespace quorvel {
namespace {

// Without an installed icon theme entry (a build run from its folder, a Windows PC), the
// built-in icon stands in, at each size the package installs; and every window gets it.
TEST(AppIdentityTest, NamesTheDesktopEntryAndGivesEveryWindowTheIcon) {
    ApplyAppIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("org.quorvel.Quorvel"));
    const QIcon icon = QGuiApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {48, 128, 256}) {
        EXPECT_EQ(icon.pixmap(size, size).size(), QSize(size, size)) << size;
    }
    QWidget widget;
    EXPECT_FALSE(widget.windowIcon().isNull());
    QWindow window;
    EXPECT_FALSE(window.icon().isNull());
}

}  // namespace
}  // namespace quorvel
