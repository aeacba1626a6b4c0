#include "gui/render/RasterPresenter.h"

#include <QPaintDevice>
#include <QPainter>
#include <QRegion>
#include <QWindow>
#include <algorithm>
#include <cstring>

namespace quorvel {

namespace {

// Formats whose pixels are 32-bit 0xAARRGGBB words; an opaque frame pixel is the same word in
// each of them.
bool TakesWords(QImage::Format format) {
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
           format == QImage::Format_ARGB32_Premultiplied;
}

}  // namespace

RasterPresenter::RasterPresenter(QWindow& window) : m_window(window), m_store(&window) {}

void RasterPresenter::Present(const FramePixels& frame, QImage* shown) {
    const QRect area(QPoint(0, 0), m_window.size());
    if (area.isEmpty() || frame.width <= 0 || frame.height <= 0) {
        return;
    }
    if (m_store.size() != area.size()) {
        m_store.resize(area.size());
    }
    m_store.beginPaint(QRegion(area));
    QPaintDevice* device = m_store.paintDevice();
    const QImage source(reinterpret_cast<const uchar*>(frame.pixels.data()), frame.width,
                        frame.height, frame.width * 4, QImage::Format_RGB32);
    if (device != nullptr && device->devType() == QInternal::Image) {
        // The store's image has the window's physical size; it is written word for word.
        QImage& target = *static_cast<QImage*>(device);
        const int w = std::min(target.width(), frame.width);
        const int h = std::min(target.height(), frame.height);
        if (TakesWords(target.format())) {
            for (int y = 0; y < h; ++y) {
                std::memcpy(target.scanLine(y), source.constScanLine(y),
                            static_cast<std::size_t>(w) * 4);
            }
        } else {
            // Any other format is converted, still one frame pixel to one store pixel.
            QImage unscaled = source.copy(0, 0, w, h).convertToFormat(target.format());
            for (int y = 0; y < h; ++y) {
                std::memcpy(target.scanLine(y), unscaled.constScanLine(y),
                            static_cast<std::size_t>(unscaled.bytesPerLine()));
            }
        }
        if (shown != nullptr) {
            *shown = target.copy(0, 0, w, h).convertToFormat(QImage::Format_RGB32);
        }
    } else if (device != nullptr) {
        // A store that is not an image: drawn with its device pixel ratio, so that one frame
        // pixel still lands on one device pixel.
        QImage scaled = source.copy();
        scaled.setDevicePixelRatio(device->devicePixelRatioF());
        QPainter painter(device);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.drawImage(QPointF(0.0, 0.0), scaled);
        if (shown != nullptr) {
            *shown = source.copy();
        }
    }
    m_store.endPaint();
    // A window out of view is shown its frame again when it comes back into view.
    if (m_window.isExposed()) {
        m_store.flush(QRegion(area));
    }
}

}  // namespace quorvel
