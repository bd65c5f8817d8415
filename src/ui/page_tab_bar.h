#pragma once
// Page tabs along the left edge with upright text beside the picture (Qt's
// own west tabs turn the text on its side). The current tab is drawn bold.

#include <QTabBar>
#include <QTabWidget>

class PageTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit PageTabBar(QWidget* parent = nullptr);

protected:
    QSize tabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;
};

// The page control: pages with their tabs in a strip along the left edge.
class SideTabWidget : public QTabWidget {
    Q_OBJECT
public:
    explicit SideTabWidget(QWidget* parent = nullptr);
};
