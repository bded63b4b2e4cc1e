#include "ui/Design.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

QRect TwipsRect(int left, int top, int width, int height)
{
    return {TwipsToPixels(left), TwipsToPixels(top), TwipsToPixels(width), TwipsToPixels(height)};
}

QFont DesignFont(qreal points)
{
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("Arial"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    return font;
}

void CentreOnScreen(QWidget* window)
{
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->rect();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

void PlaceControl(QWidget* control, const QRect& design, bool fitText)
{
    QRect rect = design;
    if (fitText) {
        const QSize hint = control->sizeHint();
        rect.setWidth(std::max(rect.width(), hint.width()));
        if (hint.height() > rect.height()) {
            const int centre = rect.center().y();
            rect.setHeight(hint.height());
            rect.moveTop(centre - hint.height() / 2);
        }
    }
    control->setGeometry(rect);
}

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& design,
                  QWidget* buddy)
{
    auto* label = MakeControl<QLabel>(parent, name);
    label->setText(text);
    label->setBuddy(buddy);
    buddy->setAccessibleName(text);
    PlaceControl(label, design, true);
    label->resize(label->sizeHint().width(), label->height());
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& text,
                        const QRect& design)
{
    auto* button = MakeControl<QPushButton>(parent, name);
    button->setText(text);
    button->setAutoDefault(false);
    button->setDefault(false);
    PlaceControl(button, design, false);
    return button;
}
