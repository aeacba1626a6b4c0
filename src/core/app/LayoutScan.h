#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// `quorvel --layouts FIRST..LAST`: the layouts of a range of seeds measured as the run index
// measures a run's layout, so a lab can pick seeds of matched difficulty (trail length) for
// repeated testing before anyone sits down. The seeds are the conditions dialog's: a seed gives
// Part A and Part B the same positions.

struct SeedRange {
    std::int32_t first = 1;
    std::int32_t last = 1;
};

// "FIRST..LAST", two seeds as the dialog takes them (-2147483648..2147483647), FIRST <= LAST.
std::optional<SeedRange> ParseSeedRange(const QString& text);

// The layout a run with this seed setting draws: the run's own seeding and generator. None
// when the generator gives up on it (the run would show the layout-failure box). Seed 0 takes
// the clock in a run, so it has no fixed layout; here it is seeded with 0.
std::optional<std::array<Stimulus, kTargetCount>> LayoutForSeed(std::int32_t seed);

// The CSV's header line and one seed's line (LF line ends): seed, layout_made (1 or 0), and for
// a layout that was made trail_length (1 decimal), trail_crossings, shortest_distance (between
// two centres, 1 decimal).
std::string_view LayoutsHeader();
void AppendLayoutLine(std::int32_t seed, std::string& out);

// The header and the line of every seed in `range`, seed 0 left out (a run seeded 0 takes the
// clock's seconds, so it has no layout of its own), handed to `write` in blocks. Stops early
// when `write` returns false, and then returns false.
bool ScanLayouts(SeedRange range, const std::function<bool(std::string_view)>& write);

}  // namespace quorvel
