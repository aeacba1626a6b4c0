#pragma once

#include <QBackingStore>
#include <QImage>

#include "core/render/FrameComposition.h"

class QWindow;

namespace quorvel {

// Puts frames drawn on the processor into a raster window through its backing store, pixel
// for pixel: the frame's pixels are physical pixels, so they are written as they are, never
// scaled by the window's device pixel ratio.
class RasterPresenter {
  public:
    explicit RasterPresenter(QWindow& window);

    // Writes the frame into the window's backing store and hands it to the window system.
    // With `shown` given, it receives the pixels as they stand in the backing store.
    void Present(const FramePixels& frame, QImage* shown = nullptr);

  private:
    QWindow& m_window;
    QBackingStore m_store;
};

}  // namespace quorvel
