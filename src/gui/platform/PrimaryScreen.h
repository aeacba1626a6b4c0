#pragma once

#include <QSize>

namespace quorvel {

// The primary screen's size in physical pixels (its geometry times its device pixel ratio);
// an empty size when there is no screen.
QSize PrimaryScreenPixels();

}  // namespace quorvel
