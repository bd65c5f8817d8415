#include "ui/select_city_dialog.h"

#include "app/general_error.h"
#include "app/message_boxes.h"
#include "protocol/gravity.h"

#include <QEvent>
#include <QFrame>
#include <QIcon>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>

namespace {

constexpr int kWidth = 647;
constexpr int kHeight = 591;
constexpr int kBottomPanelHeight = 41;

// The picture of every list item: a map pin, 32 × 32.
QIcon PlaceIcon() {
  QPixmap pixmap(32, 32);
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

}  // namespace

TfrmSelectCity::TfrmSelectCity(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmSelectCity"));
  setWindowTitle(QStringLiteral("城市选择"));
  // No system menu and no close box: the dialog ends through its buttons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setFixedSize(kWidth, kHeight);

  lvCityList = new QListWidget(this);
  lvCityList->setObjectName(QStringLiteral("lvCityList"));
  lvCityList->setGeometry(0, 0, kWidth, kHeight - kBottomPanelHeight);
  lvCityList->setViewMode(QListView::IconMode);
  lvCityList->setIconSize(QSize(32, 32));
  lvCityList->setMovement(QListView::Static);
  lvCityList->setResizeMode(QListView::Adjust);
  lvCityList->setWordWrap(true);
  lvCityList->setSelectionMode(QAbstractItemView::SingleSelection);
  lvCityList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  lvCityList->setSortingEnabled(false);
  QFont listFont(QStringLiteral("Tahoma"));
  listFont.setPixelSize(16);
  lvCityList->setFont(listFont);
  lvCityList->viewport()->installEventFilter(this);

  auto* pnlBottom = new QFrame(this);
  pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
  pnlBottom->setGeometry(0, kHeight - kBottomPanelHeight, kWidth, kBottomPanelHeight);

  btnOK = new QPushButton(QStringLiteral("选择"), pnlBottom);
  btnOK->setObjectName(QStringLiteral("btnOK"));
  btnOK->setGeometry(kWidth / 2 - 75 - 20, 2, 75, 37);
  connect(btnOK, &QPushButton::clicked, this, [this] { RunAction([this] { btnOKClick(); }); });

  btnClose = new QPushButton(QStringLiteral("退出"), pnlBottom);
  btnClose->setObjectName(QStringLiteral("btnClose"));
  btnClose->setGeometry(kWidth / 2 + 20, 2, 75, 37);
  connect(btnClose, &QPushButton::clicked, this, [this] { RunAction([this] { btnCloseClick(); }); });
}

void TfrmSelectCity::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

// A double-click anywhere on the list, on an item or not, acts as "选择".
bool TfrmSelectCity::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lvCityList->viewport() && event->type() == QEvent::MouseButtonDblClick)
    RunAction([this] { lvCityListDblClick(); });
  return QDialog::eventFilter(watched, event);
}

void TfrmSelectCity::FormShow() {
  SelectIndex = -1;
  lvCityList->clear();
  const QIcon icon = PlaceIcon();
  // Item i stands for row i: the list is never sorted.
  for (const TCityAccList& row : CityAccList) {
    const std::string text = FormatCityAcc(row.cityName, row.iAccValue);
    lvCityList->addItem(new QListWidgetItem(icon, QString::fromStdString(text)));
  }
}

void TfrmSelectCity::btnOKClick() {
  if (!Boxes().Confirm(QStringLiteral("选择使用不同区域、对称重示值有一定的影响！请确保使用区域是否正确？"),
                       MessageBoxes::Kind::ConfirmYesNo))
    return;
  for (int i = 0; i < lvCityList->count(); ++i)
    if (lvCityList->item(i)->isSelected()) SelectIndex = i;
  if (SelectIndex < 0) {
    Boxes().Message(QStringLiteral("请选择相应的城市!"));
    return;
  }
  accept();
}

void TfrmSelectCity::lvCityListDblClick() { btnOKClick(); }

void TfrmSelectCity::btnCloseClick() {
  SelectIndex = -1;
  reject();
}
