#include "ui/page_tab_bar.h"

#include <QStyleOptionTab>
#include <QStylePainter>

#include <algorithm>

namespace {
constexpr int kStripWidth = 120;
constexpr int kTabHeight = 56;
// The text's room in a tab: it begins after the picture and keeps a
// margin to the right edge.
constexpr int kTextLeft = 6 + 38;
constexpr int kTextRight = 4;
} // namespace

PageTabBar::PageTabBar(QWidget* parent) : QTabBar(parent) { setIconSize(QSize(32, 32)); }

QSize PageTabBar::tabSizeHint(int index) const
{
    // The strip's usual width, or wider where a caption (drawn bold when
    // current) needs it, as longer captions in another language may.
    QFont bold = font();
    bold.setBold(true);
    const int text = QFontMetrics(bold).horizontalAdvance(tabText(index));
    return QSize(std::max(kStripWidth, kTextLeft + text + kTextRight), kTabHeight);
}

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
        const QRect iconArea(option.rect.left() + 6, option.rect.center().y() - 16, 32, 32);
        painter.drawPixmap(iconArea, tabIcon(i).pixmap(32, 32));
        painter.drawText(option.rect.adjusted(kTextLeft, 0, -kTextRight, 0),
                         Qt::AlignVCenter | Qt::AlignLeft, tabText(i));
    }
}

SideTabWidget::SideTabWidget(QWidget* parent) : QTabWidget(parent)
{
    setTabBar(new PageTabBar(this));
    setTabPosition(QTabWidget::West);
}
