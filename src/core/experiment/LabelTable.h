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

// The label of the target at `position` (0..24): Part A's table when test_type is 0,
// Part B's for any other value.
const std::string& LabelFor(TestType test_type, int position);

}  // namespace quorvel
