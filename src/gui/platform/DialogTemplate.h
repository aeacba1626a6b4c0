#pragma once

#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <initializer_list>

class QDialog;
class QWidget;

namespace quorvel {

// What a modal dialog's DoModal returns, numbered as the window system numbers its buttons.
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// The object name of a template control that has an id: the id in decimal ("1001", "1" for OK),
// so tests and callers find it with findChild<...>(ControlName(id)).
QString ControlName(int id);

// A rectangle of a dialog template, in dialog units.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Converts dialog units to pixels with the metrics of the dialog's font: a horizontal unit is a
// quarter of the font's average character width, a vertical unit an eighth of its height.
// The average character width is the mean advance of the 52 Latin letters rounded to a whole
// pixel (the measure the templates were laid out with; a CJK font's own average would count
// its full-width glyphs and stretch every dialog). Results are rounded to the nearest pixel.
class DialogUnits {
  public:
    DialogUnits(int averageCharWidth, int charHeight);
    explicit DialogUnits(const QFont& font);

    int X(int units) const;
    int Y(int units) const;
    QSize Size(int width, int height) const;
    // The corners are converted, so controls that touch in units touch in pixels.
    QRect Rect(const DialogRect& r) const;
    // Sets the widget's geometry (relative to its parent) to the template rectangle.
    void Place(QWidget& widget, const DialogRect& r) const;

    int averageCharWidth() const { return m_averageCharWidth; }
    int charHeight() const { return m_charHeight; }

  private:
    int m_averageCharWidth;
    int m_charHeight;
};

// The font a template names. It is asked for by family; where that face is missing the font
// system falls back to an installed one with the needed glyphs.
QFont DialogFont(const QString& family, int pointSize, QFont::Weight weight = QFont::Normal);

// Gives a dialog its template frame: caption, font (inherited by every control), a fixed client
// size of width x height units, and a caption with a close box only (no minimise, maximise or
// help button). Returns the units of that font for placing the controls.
DialogUnits ApplyDialogFrame(QDialog& dialog, const QString& caption, const QFont& font, int width,
                             int height);

// Chains the tab order through the widgets in the order given (the template order of the
// controls that are tab stops).
void SetTabChain(std::initializer_list<QWidget*> widgets);

}  // namespace quorvel
