#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <vector>

#include "core/experiment/ExperimentState.h"

namespace quorvel {

// The final scene of a run for its record, drawn for paper: black circles and labels on white,
// the path in red, the ring of the last target reached in green, every wrong press as a blue
// cross on a white halo (readable over a label), and `caption` (who, which test, which run,
// when, how long) above the scene, in one line made smaller when it would not fit. The same
// targets carry their labels as on the screen (before the first touch only target 1 does). Drawn
// from the run's data rather than read back from the screen, so it is the same on every driver.
// Stimulus space is drawn at kPictureScale pixels per unit.
constexpr int kPictureScale = 2;
QImage RunPicture(const ExperimentState& state, const std::vector<Stimulus>& wrongPresses,
                  const QString& caption);

// RunPicture as PNG bytes; empty when it cannot be encoded.
QByteArray RunPicturePng(const ExperimentState& state, const std::vector<Stimulus>& wrongPresses,
                         const QString& caption);

}  // namespace quorvel
