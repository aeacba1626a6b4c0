#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <algorithm>
#include <cmath>

#include "gui/records/RunPicture.h"

// The run picture as a reader of the printout sees it: a cross that lands on a label still
// reads as a cross, and a long caption stays on the page.

namespace quorvel {
namespace {

constexpr int kCaptionUnits = 48;  // the caption band above the scene

ExperimentState Finished() {
    ExperimentState state;
    ResetLog(state);
    for (int i = 0; i < kTargetCount; ++i) {
        state.stimuli[i] = {100 + 180 * (i % 5), 100 + 130 * (i / 5)};
    }
    state.completed = kTargetCount;  // every label drawn
    return state;
}

bool Light(const QColor& c) {
    return c.red() > 200 && c.green() > 200 && c.blue() > 200;
}

bool Blue(const QColor& c) {
    return c.blue() > 150 && c.red() < 100;
}

TEST(RunPicture, AWrongPressOnALabelStaysACrossOnWhite) {
    const ExperimentState state = Finished();
    const Stimulus onLabel = state.stimuli[24];  // the centre of "25"
    const QImage picture = RunPicture(state, {onLabel}, QStringLiteral("caption"));
    ASSERT_FALSE(picture.isNull());
    const auto at = [&](double x, double y) {
        return picture.pixelColor(
            static_cast<int>(std::lround((onLabel.x + x) * kPictureScale)),
            static_cast<int>(std::lround((onLabel.y + kCaptionUnits + y) * kPictureScale)));
    };
    EXPECT_TRUE(Blue(at(0, 0)));
    // Along both arms, away from where they meet: blue on the arm, and just beside it (past the
    // blue line, within the halo) white, though the label's black strokes lie under it.
    const double beside = 2.6 / std::sqrt(2.0);  // 2.6 units across the arm
    for (double t = -8.0; t <= 8.0; t += 0.5) {
        if (std::abs(t) < 4.0) {
            continue;
        }
        SCOPED_TRACE(testing::Message() << "t = " << t);
        EXPECT_TRUE(Blue(at(t, t)));
        EXPECT_TRUE(Blue(at(t, -t)));
        EXPECT_TRUE(Light(at(t + beside, t - beside)));
        EXPECT_TRUE(Light(at(t - beside, t + beside)));
        EXPECT_TRUE(Light(at(t + beside, -t + beside)));
        EXPECT_TRUE(Light(at(t - beside, -t - beside)));
    }
}

// The rightmost column with ink in the caption band; -1 for none.
int CaptionInkEnd(const QImage& picture) {
    int end = -1;
    for (int y = 0; y < (kCaptionUnits - 2) * kPictureScale; ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (picture.pixelColor(x, y).lightness() < 128) {
                end = std::max(end, x);
            }
        }
    }
    return end;
}

TEST(RunPicture, ALongCaptionIsMadeSmallerToStayOnThePage) {
    const QString realistic = QStringLiteral(
        "a very long subject ID of a lab that numbers everything   Part B   "
        "20261211-033218-f3fe   25/25   errors 12   seed 4294967295   "
        "2026-12-11 03:32:18   completed in 123.456 s");
    const QString absurd(300, QLatin1Char('W'));
    for (const QString& caption : {QStringLiteral("short"), realistic, absurd}) {
        SCOPED_TRACE(caption.size());
        const int end = CaptionInkEnd(RunPicture(Finished(), {}, caption));
        EXPECT_GT(end, 8 * kPictureScale);                    // it is there
        EXPECT_LE(end, (kLogicalWidth - 8) * kPictureScale);  // within the right margin
    }
    // Its end is shown, not clipped off: one more word changes the picture.
    const QImage whole = RunPicture(Finished(), {}, realistic);
    const QImage longer = RunPicture(Finished(), {}, realistic + QStringLiteral(" more"));
    EXPECT_NE(whole.copy(0, 0, whole.width(), kCaptionUnits * kPictureScale),
              longer.copy(0, 0, longer.width(), kCaptionUnits * kPictureScale));
}

}  // namespace
}  // namespace quorvel
