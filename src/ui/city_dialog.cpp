#include "ui/city_dialog.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

#include "app/general_error.h"
#include "app/message_boxes.h"
#include "app/shown_text.h"
#include "protocol/gravity.h"
#include "ui/widget_factory.h"

namespace {

constexpr int kIconPixels = 32;

// The picture of every list item: a map pin.
QIcon PlaceIcon()
{
    QPixmap pixmap(kIconPixels, kIconPixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x1f, 0x7a, 0x8c));
    painter.drawEllipse(QRectF(7, 2, 18, 18));
    const QPointF tip[3] = {{9, 15}, {23, 15}, {16, 30}};
    painter.drawPolygon(tip, 3);
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRectF(12, 7, 8, 8));
    return QIcon(pixmap);
}

// One cell of the icon grid: the picture above the widest name on one
// line, with the margins the item view draws text with, so no name is
// ever wrapped into an ellipsis. Little space between cells, so that in
// the dialog's usual size all 33 rows show at once.
QSize CellFor(const QListWidget* list)
{
    const QFontMetrics metrics(list->font());
    int widest = kIconPixels;
    for (int i = 0; i < list->count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(list->item(i)->text()));
    const int textMargin =
        list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    return {widest + 2 * textMargin + 8, kIconPixels + metrics.height() + 2 * textMargin + 4};
}

} // namespace

CityDialog::CityDialog(QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("frmSelectCity"));
    setWindowTitle(tr("城市选择"));
    // No system menu and no close box: the dialog ends through its buttons.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    cities_ = new QListWidget(this);
    cities_->setObjectName(QStringLiteral("lvCityList"));
    cities_->setViewMode(QListView::IconMode);
    cities_->setIconSize(QSize(kIconPixels, kIconPixels));
    cities_->setMovement(QListView::Static);
    cities_->setResizeMode(QListView::Adjust);
    cities_->setWordWrap(true);
    cities_->setSelectionMode(QAbstractItemView::SingleSelection);
    cities_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    cities_->setSortingEnabled(false);
    cities_->setFont(PixelFont(Face::Tahoma, 16));
    cities_->viewport()->installEventFilter(this);

    auto* bottomPanel = new QFrame(this);
    bottomPanel->setObjectName(QStringLiteral("pnlBottom"));
    bottomPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QPushButton* chooseButton = MakeButton(bottomPanel, "btnOK", tr("选择"));
    QPushButton* leaveButton = MakeButton(bottomPanel, "btnClose", tr("退出"));
    auto* buttons = new QHBoxLayout(bottomPanel);
    buttons->setContentsMargins(0, 2, 0, 2);
    buttons->setSpacing(40);
    buttons->addStretch();
    for (QPushButton* button : {chooseButton, leaveButton}) {
        button->setMinimumSize(75, 37);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    OnClick(chooseButton, [this] { chooseSelectedCity(); });
    OnClick(leaveButton, [this] { leaveWithoutChoice(); });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(cities_, 1);
    column->addWidget(bottomPanel);
    resize(647, 591);
}

void CityDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    listCities();
}

// A double-click anywhere on the list, on an item or not, acts as "选择".
bool CityDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == cities_->viewport() && event->type() == QEvent::MouseButtonDblClick)
        RunAction([this] { chooseSelectedCity(); });
    return QDialog::eventFilter(watched, event);
}

void CityDialog::listCities()
{
    chosenRow_ = -1;
    cities_->clear();
    const QIcon icon = PlaceIcon();
    // Item i stands for row i: the list is never sorted.
    for (const GravityTableRow& row : kGravityTable) {
        cities_->addItem(new QListWidgetItem(icon, PlaceText(row.place, row.gravity)));
    }
    cities_->setGridSize(CellFor(cities_));
}

void CityDialog::chooseSelectedCity()
{
    if (!Boxes().Confirm(tr("选择使用不同区域、对称重示值有一定的影响！请确保使用区域是否正确？"),
                         MessageBoxes::Kind::ConfirmYesNo))
        return;
    for (int i = 0; i < cities_->count(); ++i)
        if (cities_->item(i)->isSelected())
            chosenRow_ = i;
    if (chosenRow_ < 0) {
        Boxes().Message(tr("请选择相应的城市!"));
        return;
    }
    accept();
}

void CityDialog::leaveWithoutChoice()
{
    chosenRow_ = -1;
    reject();
}
