#include "ui/TabStrip.h"

#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>
#include <QTabBar>

TabStrip::TabStrip(QWidget* parent)
    : QWidget(parent)
    , tabBar_(new QTabBar(this))
{
    tabBar_->setObjectName(QStringLiteral("TabStrip1Tabs"));
    tabBar_->setDrawBase(false);
    tabBar_->setExpanding(false);
    connect(tabBar_, &QTabBar::currentChanged, this, &TabStrip::currentChanged);
}

int TabStrip::addTab(const QString& text)
{
    const int index = tabBar_->addTab(text);
    tabBar_->resize(tabBar_->sizeHint().width(), tabBar_->sizeHint().height());
    return index;
}

int TabStrip::currentIndex() const
{
    return tabBar_->currentIndex();
}

void TabStrip::setCurrentIndex(int index)
{
    tabBar_->setCurrentIndex(index);
}

int TabStrip::count() const
{
    return tabBar_->count();
}

void TabStrip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    tabBar_->setGeometry(2, 0, std::min(width() - 4, tabBar_->sizeHint().width()),
                         tabBar_->sizeHint().height());
}

void TabStrip::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionTabWidgetFrame frame;
    frame.initFrom(this);
    frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
    frame.shape = tabBar_->shape();
    frame.tabBarSize = tabBar_->size();
    frame.tabBarRect = tabBar_->geometry();
    frame.rect = rect().adjusted(0, tabBar_->height() - frame.lineWidth, 0, 0);
    painter.drawPrimitive(QStyle::PE_FrameTabWidget, frame);
}
