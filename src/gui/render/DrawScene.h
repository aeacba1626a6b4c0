#pragma once

#include <optional>

#include "core/experiment/ExperimentState.h"
#include "core/render/SceneComposition.h"

namespace quorvel {

class CDXWnd;

// Draws and presents the test scene after `completed` correct touches (0..25) on the
// experiment window: the canvas rebuilt from nothing (the images of the reached targets and
// the red path), then the remaining images over it. The frame is on the screen when this
// returns; with no device, or a lost one, the screen keeps its last picture.
// `mark`, when given, is drawn over everything else (a practice's wrong touch).
void DrawScene(CDXWnd& window, const ExperimentState& state, int completed,
               const std::optional<SpriteDraw>& mark = std::nullopt);

}  // namespace quorvel
