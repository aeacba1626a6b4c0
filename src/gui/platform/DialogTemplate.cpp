#include "gui/platform/DialogTemplate.h"

#include <QDialog>
#include <QFontMetrics>
#include <QWidget>
#include <cstdint>

namespace quorvel {

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDivRound(int a, int b, int c) {
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t half = c / 2;
    const std::int64_t q = product >= 0 ? (product + half) / c : (product - half) / c;
    return static_cast<int>(q);
}

int LatinAverageWidth(const QFontMetrics& metrics) {
    const int total = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return (total / 26 + 1) / 2;
}

}  // namespace

QString ControlName(int id) {
    return QString::number(id);
}

DialogUnits::DialogUnits(int averageCharWidth, int charHeight)
    : m_averageCharWidth(averageCharWidth), m_charHeight(charHeight) {}

DialogUnits::DialogUnits(const QFont& font)
    : DialogUnits(LatinAverageWidth(QFontMetrics(font)), QFontMetrics(font).height()) {}

int DialogUnits::X(int units) const {
    return MulDivRound(units, m_averageCharWidth, 4);
}

int DialogUnits::Y(int units) const {
    return MulDivRound(units, m_charHeight, 8);
}

QSize DialogUnits::Size(int width, int height) const {
    return QSize(X(width), Y(height));
}

QRect DialogUnits::Rect(const DialogRect& r) const {
    const int left = X(r.x);
    const int top = Y(r.y);
    return QRect(left, top, X(r.x + r.width) - left, Y(r.y + r.height) - top);
}

void DialogUnits::Place(QWidget& widget, const DialogRect& r) const {
    widget.setGeometry(Rect(r));
}

QFont DialogFont(const QString& family, int pointSize, QFont::Weight weight) {
    QFont font(family, pointSize, weight);
    font.setItalic(false);
    return font;
}

DialogUnits ApplyDialogFrame(QDialog& dialog, const QString& caption, const QFont& font, int width,
                             int height) {
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setWindowTitle(caption);
    dialog.setFont(font);
    const DialogUnits units(dialog.font());
    dialog.setFixedSize(units.Size(width, height));
    return units;
}

void SetTabChain(std::initializer_list<QWidget*> widgets) {
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
}

}  // namespace quorvel
