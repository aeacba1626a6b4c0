#include <gtest/gtest.h>

#include <QDialog>
#include <QFontMetrics>
#include <QPushButton>

#include "gui/platform/DialogTemplate.h"

namespace quorvel {
namespace {

struct UnitsCase {
    int avgWidth;
    int height;
    int units;
    int expectX;
    int expectY;
};

TEST(DialogUnitsTest, ConvertsWithFontMetricsRoundingToNearest) {
    const UnitsCase cases[] = {
        {9, 18, 244, 549, 549},  // exact
        {9, 18, 87, 196, 196},   // 195.75 rounds up
        {9, 18, 2, 5, 5},        // 4.5: halves round up
        {6, 14, 7, 11, 12},      // 10.5 -> 11, 12.25 -> 12
        {6, 14, 0, 0, 0},
    };
    for (const UnitsCase& c : cases) {
        const DialogUnits units(c.avgWidth, c.height);
        SCOPED_TRACE(testing::Message() << c.avgWidth << "x" << c.height << " " << c.units);
        EXPECT_EQ(units.X(c.units), c.expectX);
        EXPECT_EQ(units.Y(c.units), c.expectY);
    }
    EXPECT_EQ(DialogUnits(9, 18).Size(244, 87), QSize(549, 196));
}

TEST(DialogUnitsTest, RectsThatTouchInUnitsTouchInPixels) {
    const DialogUnits units(7, 15);
    for (int x = 0; x < 40; ++x) {
        for (int w = 1; w < 10; ++w) {
            const QRect left = units.Rect({x, x, w, w});
            const QRect right = units.Rect({x + w, x + w, 3, 3});
            ASSERT_EQ(left.right() + 1, right.left()) << x << " " << w;
            ASSERT_EQ(left.bottom() + 1, right.top()) << x << " " << w;
        }
    }
    EXPECT_EQ(units.Rect({54, 6, 108, 12}), QRect(95, 11, 189, 23));
}

TEST(DialogUnitsTest, FontMetricsGiveTheUnits) {
    const QFont font = DialogFont(QStringLiteral("MS UI Gothic"), 11);
    const QFontMetrics metrics(font);
    const DialogUnits units(font);
    EXPECT_EQ(units.charHeight(), metrics.height());
    // The mean width of the Latin letters, not the font's overall average (which a CJK face
    // inflates with its full-width glyphs).
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    EXPECT_NEAR(units.averageCharWidth(), letters / 52.0, 0.51);
}

TEST(DialogUnitsTest, DialogFrameFixesCaptionFontAndClientSize) {
    QDialog dialog;
    QPushButton child(&dialog);
    const QFont font = DialogFont(QStringLiteral("MS UI Gothic"), 11);
    const DialogUnits units = ApplyDialogFrame(dialog, QStringLiteral("Caption"), font, 244, 87);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Caption"));
    EXPECT_EQ(child.font().pointSize(), 11);
    EXPECT_EQ(dialog.minimumSize(), units.Size(244, 87));
    EXPECT_EQ(dialog.maximumSize(), units.Size(244, 87));
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));
}

}  // namespace
}  // namespace quorvel
