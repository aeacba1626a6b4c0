#include "gui/experiment/TargetImages.h"

#include <optional>

#include "core/experiment/LabelTable.h"
#include "core/render/TexturePrimitives.h"
#include "gui/render/CDXWnd.h"

namespace quorvel {

namespace {

constexpr int kSide = 100;
constexpr int kCentre = 50;
constexpr int kDiscRadius = 49;
constexpr int kRimRadius = 48;
constexpr int kRimPen = 1;
constexpr int kRingRadius = 42;
constexpr int kRingPen = 2;
constexpr int kWrongRadius = 46;
constexpr int kWrongPen = 6;
constexpr std::uint32_t kWhiteText = 0xFFFFFF;  // 0x00BBGGRR
constexpr int kLabelHeight = 50;

// A new cleared image with the opaque black disc and its white rim; -1 when it cannot be made.
TextureHandle AddCircleImage(CDXWnd& window) {
    const TextureHandle image = window.AddTexture(kSide, kSide, TextureFormat::A8R8G8B8);
    if (image == -1) {
        return -1;
    }
    ClearTexture(window.m_textures, image);
    FillCircle(window.m_textures, image, kCentre, kCentre, kDiscRadius, kOpaqueBlack);
    DrawCircle(window.m_textures, image, kCentre, kCentre, kRimRadius, kRimPen, kOpaqueWhite);
    return image;
}

}  // namespace

bool BuildTargetImages(CDXWnd& window, ExperimentState& state) {
    for (int i = 0; i < TargetCount(state); ++i) {
        const TextureHandle image = AddCircleImage(window);
        if (image == -1) {
            return false;
        }
        state.target_textures[i] = image;
        window.m_textColor = kWhiteText;
        window.m_fontHeight = kLabelHeight;
        window.DrawTextToTexture(image, LabelFor(state, i), std::nullopt,
                                 kDtCenter | kDtVCenter | kDtSingleLine);
    }

    const TextureHandle blank = AddCircleImage(window);
    if (blank == -1) {
        return false;
    }
    state.blank_texture = blank;

    const TextureHandle ring = window.AddTexture(kSide, kSide, TextureFormat::A8R8G8B8);
    if (ring == -1) {
        return false;
    }
    state.ring_texture = ring;
    ClearTexture(window.m_textures, ring);
    DrawCircle(window.m_textures, ring, kCentre, kCentre, kRingRadius, kRingPen, kOpaqueGreen);

    // A practice shows where a wrong touch landed with a thick red ring.
    state.wrong_texture = 0;
    if (state.practice) {
        const TextureHandle wrong = window.AddTexture(kSide, kSide, TextureFormat::A8R8G8B8);
        if (wrong == -1) {
            return false;
        }
        state.wrong_texture = wrong;
        ClearTexture(window.m_textures, wrong);
        DrawCircle(window.m_textures, wrong, kCentre, kCentre, kWrongRadius, kWrongPen, kOpaqueRed);
    }
    return true;
}

}  // namespace quorvel
