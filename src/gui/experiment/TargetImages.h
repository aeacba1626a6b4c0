#pragma once

#include "core/experiment/ExperimentState.h"

namespace quorvel {

class CDXWnd;

// Builds the images of a run on the experiment window and keeps their handles in `state`:
// for each position its circle with the label of the state's test type, the blank circle, and
// the green ring; all 100 x 100, transparent where nothing is drawn. False as soon as a texture
// cannot be created: nothing is drawn on the failed handle and the run must not go on.
bool BuildTargetImages(CDXWnd& window, ExperimentState& state);

}  // namespace quorvel
