#include "gui/render/DrawScene.h"

#include "core/render/SceneComposition.h"
#include "gui/render/CDXWnd.h"

namespace quorvel {

void DrawScene(CDXWnd& window, const ExperimentState& state, int completed,
               const std::optional<SpriteDraw>& mark) {
    ComposeCanvas(window.m_textures, state, completed);
    // When the frame cannot begin, the draws and the end do nothing.
    window.BeginFrame();
    for (const SpriteDraw& draw : SceneSprites(state, completed)) {
        window.DrawSprite(draw.texture, static_cast<float>(draw.x), static_cast<float>(draw.y));
    }
    if (mark) {
        window.DrawSprite(mark->texture, static_cast<float>(mark->x), static_cast<float>(mark->y));
    }
    window.EndFrame();
}

}  // namespace quorvel
