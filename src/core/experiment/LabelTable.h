#pragma once

#include <array>
#include <string>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// The 25 labels of one form of the test, in sequence order, as CP932 bytes.
using LabelTable = std::array<std::string, kTargetCount>;

// Part A: "1" to "25".
const LabelTable& PartALabels();
// Part B: the numbers 1 to 13 alternating with the hiragana a (U+3042) to shi (U+3057);
// each kana is one two-byte CP932 character.
const LabelTable& PartBLabels();

// Part B with Latin letters: the numbers 1 to 13 alternating with A to L.
const LabelTable& PartBLatinLabels();

// The label of the target at `position` (0..24): Part A's table when test_type is 0,
// Part B's for any other value (with hiragana unless `labels` says Latin).
const std::string& LabelFor(TestType test_type, int position);
const std::string& LabelFor(TestType test_type, LabelScript labels, int position);

// The label a run's target at `position` shows, by its test type and letters.
const std::string& LabelFor(const ExperimentState& state, int position);

}  // namespace quorvel
