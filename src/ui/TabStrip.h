#pragma once

#include <QWidget>

class QTabBar;

// A tab strip in the classic sense: a row of tabs over a framed page area.
// The pages are the window's own widgets laid over the frame; the strip only
// reports which tab is selected.
class TabStrip final : public QWidget
{
    Q_OBJECT
public:
    explicit TabStrip(QWidget* parent = nullptr);

    int addTab(const QString& text);
    int currentIndex() const;
    void setCurrentIndex(int index);
    int count() const;
    QTabBar* tabBar() const { return tabBar_; }

Q_SIGNALS:
    // A tab was selected, by the user or by code (0-based index).
    void currentChanged(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QTabBar* tabBar_;
};
