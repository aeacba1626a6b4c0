#include "core/experiment/TrailGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace quorvel {

namespace {

double Distance(const Stimulus& a, const Stimulus& b) {
    return std::hypot(static_cast<double>(b.x - a.x), static_cast<double>(b.y - a.y));
}

// The sign of the turn a -> b -> c: 1 left, -1 right, 0 on one line. 64-bit, so no
// coordinates a 32-bit Stimulus holds can overflow it.
int Turn(const Stimulus& a, const Stimulus& b, const Stimulus& c) {
    const std::int64_t cross = (std::int64_t{b.x} - a.x) * (std::int64_t{c.y} - a.y) -
                               (std::int64_t{b.y} - a.y) * (std::int64_t{c.x} - a.x);
    return cross > 0 ? 1 : (cross < 0 ? -1 : 0);
}

// p lies within the bounding box of a-b (for p on the line through a and b: on the segment).
bool WithinBox(const Stimulus& a, const Stimulus& b, const Stimulus& p) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

}  // namespace

double TrailLength(const Stimulus* centres, std::size_t count) {
    double length = 0.0;
    for (std::size_t k = 1; k < count; ++k) {
        length += Distance(centres[k - 1], centres[k]);
    }
    return length;
}

bool SegmentsMeet(const Stimulus& a, const Stimulus& b, const Stimulus& c, const Stimulus& d) {
    const int abc = Turn(a, b, c);
    const int abd = Turn(a, b, d);
    const int cda = Turn(c, d, a);
    const int cdb = Turn(c, d, b);
    if (abc * abd < 0 && cda * cdb < 0) {
        return true;  // a proper crossing
    }
    // An end of one segment on the other.
    return (abc == 0 && WithinBox(a, b, c)) || (abd == 0 && WithinBox(a, b, d)) ||
           (cda == 0 && WithinBox(c, d, a)) || (cdb == 0 && WithinBox(c, d, b));
}

int TrailCrossings(const Stimulus* centres, std::size_t count) {
    int crossings = 0;
    // Segment k runs from centre k to centre k + 1; segment k + 1 shares centre k + 1 with it.
    for (std::size_t k = 0; k + 1 < count; ++k) {
        for (std::size_t m = k + 2; m + 1 < count; ++m) {
            if (SegmentsMeet(centres[k], centres[k + 1], centres[m], centres[m + 1])) {
                ++crossings;
            }
        }
    }
    return crossings;
}

double ShortestCentreDistance(const Stimulus* centres, std::size_t count) {
    if (count < 2) {
        return 0.0;
    }
    double shortest = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < count; ++i) {
        for (std::size_t j = i + 1; j < count; ++j) {
            shortest = std::min(shortest, Distance(centres[i], centres[j]));
        }
    }
    return shortest;
}

}  // namespace quorvel
