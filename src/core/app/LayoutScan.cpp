#include "core/app/LayoutScan.h"

#include <QStringList>
#include <cmath>
#include <cstdio>

#include "core/experiment/LayoutGenerator.h"
#include "core/experiment/LcgRandom.h"
#include "core/experiment/TrailGeometry.h"

namespace quorvel {

namespace {

std::optional<std::int32_t> ParseSeed(const QString& text) {
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok);
    if (!ok || value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

// One decimal, by hand: a locale's decimal comma can never reach the CSV.
void AppendOneDecimal(double value, std::string& out) {
    const long long tenths = std::llround(value * 10.0);
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%lld", tenths / 10, tenths % 10);
    out += text;
}

constexpr std::size_t kBlockBytes = 1 << 16;

}  // namespace

std::optional<SeedRange> ParseSeedRange(const QString& text) {
    const QStringList ends = text.split(QStringLiteral(".."));
    if (ends.size() != 2) {
        return std::nullopt;
    }
    const std::optional<std::int32_t> first = ParseSeed(ends[0]);
    const std::optional<std::int32_t> last = ParseSeed(ends[1]);
    if (!first || !last || *first > *last) {
        return std::nullopt;
    }
    return SeedRange{*first, *last};
}

std::optional<std::array<Stimulus, kTargetCount>> LayoutForSeed(std::int32_t seed) {
    LcgRandom rng;
    // A fixed seed never reads the clock; 0 would, and is seeded with 0 here instead.
    if (seed != 0) {
        SeedForRun(rng, seed);
    } else {
        rng.Seed(0);
        rng.Next();
        rng.Next();
    }
    std::array<Stimulus, kTargetCount> layout{};
    if (PlaceTargets(rng, layout) != kTargetCount) {
        return std::nullopt;
    }
    return layout;
}

std::string_view LayoutsHeader() {
    return "seed,layout_made,trail_length,trail_crossings,shortest_distance\n";
}

void AppendLayoutLine(std::int32_t seed, std::string& out) {
    out += std::to_string(seed);
    const std::optional<std::array<Stimulus, kTargetCount>> layout = LayoutForSeed(seed);
    if (!layout) {
        out += ",0,,,\n";
        return;
    }
    out += ",1,";
    AppendOneDecimal(TrailLength(*layout), out);
    out += ',';
    out += std::to_string(TrailCrossings(*layout));
    out += ',';
    AppendOneDecimal(ShortestCentreDistance(*layout), out);
    out += '\n';
}

bool ScanLayouts(SeedRange range, const std::function<bool(std::string_view)>& write) {
    std::string block(LayoutsHeader());
    block.reserve(kBlockBytes + 128);
    for (std::int64_t seed = range.first; seed <= range.last; ++seed) {
        if (seed == 0) {
            continue;
        }
        AppendLayoutLine(static_cast<std::int32_t>(seed), block);
        if (block.size() >= kBlockBytes) {
            if (!write(block)) {
                return false;
            }
            block.clear();
        }
    }
    return block.empty() || write(block);
}

}  // namespace quorvel
