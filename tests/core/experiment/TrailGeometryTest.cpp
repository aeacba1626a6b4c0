#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "core/experiment/TrailGeometry.h"

// The trail measures, against values worked out by hand on small layouts.

namespace quorvel {
namespace {

// A trail of four segments: the last one runs back up through the second and the first.
//
//   (0,0) -------- (300,0)        4 at (150,-100), above the first segment
//      \______      /
//             \__  /   (segment 2 -> 3 crosses 1 -> 2 and 0 -> 1)
//   (0,400) -------- (300,400)
const std::vector<Stimulus> kHandLayout = {{0, 0}, {300, 0}, {0, 400}, {300, 400}, {150, -100}};

TEST(TrailGeometry, LengthCrossingsAndShortestDistanceOfAHandWorkedLayout) {
    struct Row {
        std::size_t count;  // the first `count` centres of kHandLayout
        double length;
        int crossings;
        double shortest;
    };
    const double lastLeg = std::sqrt(150.0 * 150.0 + 500.0 * 500.0);  // 522.0153...
    const double corner = std::sqrt(150.0 * 150.0 + 100.0 * 100.0);   // 180.2776...
    const Row rows[] = {
        {0, 0.0, 0, 0.0},
        {1, 0.0, 0, 0.0},
        {2, 300.0, 0, 300.0},
        {3, 800.0, 0, 300.0},              // 300 + 500
        {4, 1100.0, 0, 300.0},             // the Z: segments 0 and 2 are parallel
        {5, 1100.0 + lastLeg, 2, corner},  // 3 -> 4 crosses 1 -> 2 and 0 -> 1
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.count << " centres");
        EXPECT_NEAR(TrailLength(kHandLayout.data(), row.count), row.length, 1e-9);
        EXPECT_EQ(TrailCrossings(kHandLayout.data(), row.count), row.crossings);
        EXPECT_NEAR(ShortestCentreDistance(kHandLayout.data(), row.count), row.shortest, 1e-9);
    }
}

TEST(TrailGeometry, SegmentsMeetWhenTheyCrossOrTouchAndNotOtherwise) {
    struct Row {
        const char* what;
        Stimulus a, b, c, d;
        bool meet;
    };
    const Row rows[] = {
        {"an X", {0, 0}, {10, 10}, {0, 10}, {10, 0}, true},
        {"a T: an end on the other segment", {0, 0}, {10, 0}, {5, 0}, {5, 8}, true},
        {"ends touching", {0, 0}, {10, 0}, {10, 0}, {20, 5}, true},
        {"overlapping on one line", {0, 0}, {10, 0}, {5, 0}, {15, 0}, true},
        {"apart on one line", {0, 0}, {10, 0}, {11, 0}, {15, 0}, false},
        {"parallel", {0, 0}, {10, 0}, {0, 1}, {10, 1}, false},
        {"would cross if longer", {0, 0}, {10, 10}, {0, 10}, {4, 6}, false},
        {"one short of a T", {0, 0}, {10, 0}, {5, 1}, {5, 8}, false},
        {"far coordinates, no overflow",
         {-2000000000, 0},
         {2000000000, 1},
         {0, -2000000000},
         {1, 2000000000},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(SegmentsMeet(row.a, row.b, row.c, row.d), row.meet);
        EXPECT_EQ(SegmentsMeet(row.c, row.d, row.a, row.b), row.meet);  // either order
        EXPECT_EQ(SegmentsMeet(row.b, row.a, row.d, row.c), row.meet);  // either direction
    }
}

TEST(TrailGeometry, AWholeLayoutSnakingThroughAGridIsOneLongUncrossedTrail) {
    std::array<Stimulus, kTargetCount> layout{};
    for (int i = 0; i < kTargetCount; ++i) {
        const int row = i / 5;
        const int col = row % 2 == 0 ? i % 5 : 4 - i % 5;
        layout[i] = {100 + 150 * col, 100 + 150 * row};
    }
    EXPECT_DOUBLE_EQ(TrailLength(layout), 24 * 150.0);
    EXPECT_EQ(TrailCrossings(layout), 0);
    EXPECT_DOUBLE_EQ(ShortestCentreDistance(layout), 150.0);
    // Swapping two targets of the first row makes the trail double back over itself.
    std::swap(layout[1], layout[3]);  // 0 -> 3 -> 2 -> 1 -> 4 along one line
    EXPECT_DOUBLE_EQ(TrailLength(layout), 24 * 150.0 + 4 * 150.0);
    EXPECT_GT(TrailCrossings(layout), 0);
}

}  // namespace
}  // namespace quorvel
