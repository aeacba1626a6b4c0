#pragma once

#include "core/experiment/ExperimentState.h"

namespace quorvel {

class CDXWnd;

// Draws and presents the test scene after `completed` correct touches (0..25) on the
// experiment window: the canvas rebuilt from nothing (the images of the reached targets and
// the red path), then the remaining images over it. The frame is on the screen when this
// returns; with no device, or a lost one, the screen keeps its last picture.
void DrawScene(CDXWnd& window, const ExperimentState& state, int completed);

}  // namespace quorvel
