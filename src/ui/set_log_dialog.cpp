#include "ui/set_log_dialog.h"

#include <QFrame>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

struct Column {
  const char* caption;
  int width;
  Qt::Alignment alignment;
};

constexpr Column kColumns[6] = {
    {"序号", 40, Qt::AlignLeft},         {"时间", 120, Qt::AlignHCenter},
    {"0点标定AD", 80, Qt::AlignHCenter}, {"任一点标定AD", 100, Qt::AlignHCenter},
    {"标定重量(kg)", 100, Qt::AlignHCenter}, {"类型", 60, Qt::AlignHCenter},
};

}  // namespace

TfrmSetLog::TfrmSetLog(QWidget* owner, const TSetLogList& records) : QDialog(owner), records_(records) {
  setObjectName(QStringLiteral("frmSetLog"));
  setWindowTitle(QStringLiteral("标定记录"));
  // An ordinary resizable window with the usual title-bar buttons.
  setWindowFlags(Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
  resize(582, 424);

  lvSetLog = new QTreeWidget(this);
  lvSetLog->setObjectName(QStringLiteral("lvSetLog"));
  lvSetLog->setRootIsDecorated(false);
  lvSetLog->setColumnCount(6);
  lvSetLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
  QStringList captions;
  for (const Column& column : kColumns) captions << QString::fromUtf8(column.caption);
  lvSetLog->setHeaderLabels(captions);
  lvSetLog->header()->setStretchLastSection(false);
  for (int i = 0; i < 6; ++i) {
    lvSetLog->setColumnWidth(i, kColumns[i].width);
    lvSetLog->headerItem()->setTextAlignment(i, kColumns[i].alignment | Qt::AlignVCenter);
  }

  auto* pnlBottom = new QFrame(this);
  pnlBottom->setObjectName(QStringLiteral("pnlBottom"));
  pnlBottom->setFixedHeight(45);
  btnExit = new QPushButton(QStringLiteral("关闭"), pnlBottom);
  btnExit->setObjectName(QStringLiteral("btnExit"));
  btnExit->setFixedSize(97, 39);
  auto* bottomLayout = new QHBoxLayout(pnlBottom);
  bottomLayout->setContentsMargins(0, 3, 6, 3);
  bottomLayout->addStretch();
  bottomLayout->addWidget(btnExit);
  connect(btnExit, &QPushButton::clicked, this, [this] { btnExitClick(); });

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(lvSetLog);
  layout->addWidget(pnlBottom);
}

void TfrmSetLog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TfrmSetLog::FormShow() {
  lvSetLog->clear();
  for (const TSetLogClass& record : records_) {
    auto* row = new QTreeWidgetItem(lvSetLog);
    row->setText(0, QString::number(record.iNo));
    row->setText(1, QString::fromStdString(record.dtOpLog));
    row->setText(2, QString::number(record.iZeroAD));
    row->setText(3, QString::number(record.iAnyAD));
    row->setText(4, QString::number(record.iAnyValue));
    row->setText(5, QString::number(record.iOpType));
    for (int i = 0; i < 6; ++i) row->setTextAlignment(i, kColumns[i].alignment | Qt::AlignVCenter);
  }
}

void TfrmSetLog::btnExitClick() { close(); }
