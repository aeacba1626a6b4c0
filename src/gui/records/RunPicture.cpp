#include "gui/records/RunPicture.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include "core/experiment/LabelTable.h"
#include "core/platform/Cp932.h"

namespace quorvel {

namespace {

constexpr int kCaptionHeight = 48;  // stimulus units above the scene
constexpr int kRadius = 49;         // as the target images
constexpr int kRingRadius = 42;
constexpr int kCross = 10;  // half the width of a wrong press's cross
constexpr double kCrossWidth = 3.0;
constexpr double kCrossHalo = 8.0;  // the white line under each arm
constexpr int kCaptionPixels = 20;
constexpr int kCaptionMinPixels = 8;

const QColor kPath(200, 0, 0);
const QColor kRing(0, 140, 0);
const QColor kWrong(0, 60, 220);

QPointF Centre(const Stimulus& s) {
    return QPointF(s.x, s.y + kCaptionHeight);
}

}  // namespace

QImage RunPicture(const ExperimentState& state, const std::vector<Stimulus>& wrongPresses,
                  const QString& caption) {
    QImage image(kLogicalWidth * kPictureScale, (kLogicalHeight + kCaptionHeight) * kPictureScale,
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(kPictureScale, kPictureScale);

    // One line, as large as fits: a long subject ID makes it smaller rather than cut off at
    // the edge; what does not fit even at the smallest size ends in an ellipsis.
    const QRectF captionBox(8, 0, kLogicalWidth - 16, kCaptionHeight);
    QFont captionFont = painter.font();
    for (int size = kCaptionPixels; size >= kCaptionMinPixels; --size) {
        captionFont.setPixelSize(size);
        if (QFontMetricsF(captionFont).horizontalAdvance(caption) <= captionBox.width()) {
            break;
        }
    }
    painter.setFont(captionFont);
    painter.setPen(Qt::black);
    painter.drawText(
        captionBox, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetricsF(captionFont).elidedText(caption, Qt::ElideRight, captionBox.width()));
    painter.drawLine(QPointF(0, kCaptionHeight), QPointF(kLogicalWidth, kCaptionHeight));

    const int completed = std::clamp(state.completed, 0, TargetCount(state));
    // The path through the centres of the targets reached, under the circles as on the screen.
    if (completed >= 2) {
        QPainterPath path(Centre(state.stimuli[0]));
        for (int i = 1; i < completed; ++i) {
            path.lineTo(Centre(state.stimuli[i]));
        }
        painter.setPen(QPen(kPath, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }

    QFont labelFont = painter.font();
    labelFont.setPixelSize(40);
    painter.setFont(labelFont);
    for (int i = 0; i < TargetCount(state); ++i) {
        const QPointF c = Centre(state.stimuli[i]);
        painter.setPen(QPen(Qt::black, 2));
        painter.setBrush(Qt::white);
        painter.drawEllipse(c, kRadius, kRadius);
        // Before the first touch the screen labels only the first target.
        if (completed > 0 || i == 0) {
            painter.drawText(QRectF(c.x() - kRadius, c.y() - kRadius, 2 * kRadius, 2 * kRadius),
                             Qt::AlignCenter,
                             FromCp932(QByteArray::fromStdString(LabelFor(state, i))));
        }
    }
    if (completed > 0) {
        painter.setPen(QPen(kRing, 3));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(Centre(state.stimuli[completed - 1]), kRingRadius, kRingRadius);
    }

    // Each cross on a white halo, so one that lands on a label or a circle's outline still
    // reads as a cross: the halos first, then the crosses over all of them.
    const auto drawCrosses = [&](const QPen& pen) {
        painter.setPen(pen);
        for (const Stimulus& s : wrongPresses) {
            const QPointF c = Centre(s);
            painter.drawLine(c + QPointF(-kCross, -kCross), c + QPointF(kCross, kCross));
            painter.drawLine(c + QPointF(-kCross, kCross), c + QPointF(kCross, -kCross));
        }
    };
    drawCrosses(QPen(Qt::white, kCrossHalo, Qt::SolidLine, Qt::RoundCap));
    drawCrosses(QPen(kWrong, kCrossWidth));
    painter.end();
    return image;
}

QByteArray RunPicturePng(const ExperimentState& state, const std::vector<Stimulus>& wrongPresses,
                         const QString& caption) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!RunPicture(state, wrongPresses, caption).save(&buffer, "PNG")) {
        return QByteArray();
    }
    return bytes;
}

}  // namespace quorvel
