#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

// Measures, fonts and placement shared by the program's windows, which are
// designed in twips: 15 to a pixel at 96 dots per inch.

constexpr int TwipsToPixels(int twips)
{
    return (twips + 7) / 15;
}

QRect TwipsRect(int left, int top, int width, int height);

// The design font, Tahoma, at `points`; where it is missing the nearest
// sans-serif fonts that are (Liberation Sans, Arial, DejaVu Sans).
QFont DesignFont(qreal points);

// Moves a window to the centre of the primary screen.
void CentreOnScreen(QWidget* window);

// A control of type W named `name` (its objectName) in `parent`.
template <typename W>
W* MakeControl(QWidget* parent, const QString& name)
{
    auto* widget = new W(parent);
    widget->setObjectName(name);
    return widget;
}

// Places a control at its design rectangle. With fitText it grows to fit
// its text in the window's font (which may be wider than the design font),
// keeping its vertical centre.
void PlaceControl(QWidget* control, const QRect& design, bool fitText);

// A label sized to its text that names `buddy` (for screen readers too).
QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& design,
                  QWidget* buddy);

// A push button that is never the default button, so Enter triggers none.
QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text,
                        const QRect& design);
