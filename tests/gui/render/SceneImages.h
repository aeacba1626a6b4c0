#pragma once

#include <optional>

#include "core/experiment/ExperimentState.h"
#include "core/experiment/LabelTable.h"
#include "core/render/TexturePrimitives.h"
#include "gui/render/CDXWnd.h"

namespace quorvel::test {

// The run's images as a run's preparation builds them: 25 labelled circles, a blank circle
// and the green ring, all 100 x 100, their handles stored in the state.
inline void BuildSceneImages(CDXWnd& window, ExperimentState& state) {
    TextureTable& table = window.m_textures;
    const auto circle = [&](TextureHandle h) {
        ClearTexture(table, h);
        FillCircle(table, h, 50, 50, 49, kOpaqueBlack);
        DrawCircle(table, h, 50, 50, 48, 1, kOpaqueWhite);
    };
    for (int i = 0; i < kTargetCount; ++i) {
        const TextureHandle h = window.AddTexture(100, 100, TextureFormat::A8R8G8B8);
        state.target_textures[i] = h;
        circle(h);
        window.m_textColor = 0xFFFFFF;
        window.m_fontHeight = 50;
        window.DrawTextToTexture(h, LabelFor(state.test_type, i), std::nullopt,
                                 kDtCenter | kDtVCenter | kDtSingleLine);
    }
    state.blank_texture = window.AddTexture(100, 100, TextureFormat::A8R8G8B8);
    circle(state.blank_texture);
    state.ring_texture = window.AddTexture(100, 100, TextureFormat::A8R8G8B8);
    ClearTexture(table, state.ring_texture);
    DrawCircle(table, state.ring_texture, 50, 50, 42, 2, kOpaqueGreen);
}

// A fixed layout: five rows of five, 200 units apart across and 140 down, in reading order.
inline void GridLayout(ExperimentState& state) {
    for (int i = 0; i < kTargetCount; ++i) {
        state.stimuli[i] = {100 + 200 * (i % 5), 100 + 140 * (i / 5)};
    }
}

}  // namespace quorvel::test
