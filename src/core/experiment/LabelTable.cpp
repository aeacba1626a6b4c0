#include "core/experiment/LabelTable.h"

namespace quorvel {

const LabelTable& PartALabels() {
    static const LabelTable table = [] {
        LabelTable t;
        for (int i = 0; i < kTargetCount; ++i) {
            t[i] = std::to_string(i + 1);
        }
        return t;
    }();
    return table;
}

const LabelTable& PartBLabels() {
    // Hiragana a, i, u, e, o, ka, ki, ku, ke, ko, sa, shi in CP932 (lead byte 0x82).
    static const LabelTable table = [] {
        static const unsigned char kana[12] = {0xA0, 0xA2, 0xA4, 0xA6, 0xA8, 0xA9,
                                               0xAB, 0xAD, 0xAF, 0xB1, 0xB3, 0xB5};
        LabelTable t;
        for (int i = 0; i < kTargetCount; ++i) {
            if (i % 2 == 0) {
                t[i] = std::to_string(i / 2 + 1);
            } else {
                t[i] = std::string{static_cast<char>(0x82), static_cast<char>(kana[i / 2])};
            }
        }
        return t;
    }();
    return table;
}

const LabelTable& PartBLatinLabels() {
    static const LabelTable table = [] {
        LabelTable t;
        for (int i = 0; i < kTargetCount; ++i) {
            t[i] = i % 2 == 0 ? std::to_string(i / 2 + 1)
                              : std::string(1, static_cast<char>('A' + i / 2));
        }
        return t;
    }();
    return table;
}

const std::string& LabelFor(TestType test_type, int position) {
    return LabelFor(test_type, LabelScript::Hiragana, position);
}

const std::string& LabelFor(TestType test_type, LabelScript labels, int position) {
    if (IsPartA(test_type)) {
        return PartALabels()[position];
    }
    return labels == LabelScript::Latin ? PartBLatinLabels()[position] : PartBLabels()[position];
}

const std::string& LabelFor(const ExperimentState& state, int position) {
    return LabelFor(state.test_type, state.labels, position);
}

}  // namespace quorvel
