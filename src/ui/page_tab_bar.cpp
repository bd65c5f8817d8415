#include "ui/page_tab_bar.h"

#include <QStyleOptionTab>
#include <QStylePainter>

namespace {
constexpr int kStripWidth = 120;
constexpr int kTabHeight = 56;
} // namespace

PageTabBar::PageTabBar(QWidget* parent) : QTabBar(parent) { setIconSize(QSize(32, 32)); }

QSize PageTabBar::tabSizeHint(int /*index*/) const { return QSize(kStripWidth, kTabHeight); }

void PageTabBar::paintEvent(QPaintEvent* /*event*/)
{
    QStylePainter painter(this);
    for (int i = 0; i < count(); ++i) {
        if (!isTabVisible(i))
            continue;
        QStyleOptionTab option;
        initStyleOption(&option, i);
        // Draw the tab's shape as a north tab so that its label stays upright.
        option.shape = QTabBar::RoundedNorth;
        painter.drawControl(QStyle::CE_TabBarTabShape, option);
        QFont font = painter.font();
        font.setBold(i == currentIndex());
        painter.setFont(font);
        const QRect area = option.rect.adjusted(6, 0, -4, 0);
        const QRect iconArea(area.left(), area.center().y() - 16, 32, 32);
        painter.drawPixmap(iconArea, tabIcon(i).pixmap(32, 32));
        painter.drawText(area.adjusted(38, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, tabText(i));
    }
}

SideTabWidget::SideTabWidget(QWidget* parent) : QTabWidget(parent)
{
    setTabBar(new PageTabBar(this));
    setTabPosition(QTabWidget::West);
}
