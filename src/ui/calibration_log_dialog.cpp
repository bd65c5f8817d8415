#include "ui/calibration_log_dialog.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/widget_factory.h"

namespace {

struct Column {
    const char* caption;
    int usualWidth;
    Qt::Alignment alignment;
};

constexpr Column kColumns[6] = {
    {QT_TRANSLATE_NOOP("CalibrationLogDialog", "序号"), 40, Qt::AlignLeft},
    {QT_TRANSLATE_NOOP("CalibrationLogDialog", "时间"), 120, Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("CalibrationLogDialog", "0点标定AD"), 80, Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("CalibrationLogDialog", "任一点标定AD"), 100, Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("CalibrationLogDialog", "标定重量(kg)"), 100, Qt::AlignHCenter},
    {QT_TRANSLATE_NOOP("CalibrationLogDialog", "类型"), 60, Qt::AlignHCenter},
};
constexpr int kColumnCount = 6;

} // namespace

CalibrationLogDialog::CalibrationLogDialog(QWidget* owner, const CalibrationLogRecords& records)
    : QDialog(owner), records_(records)
{
    setObjectName(QStringLiteral("frmSetLog"));
    setWindowTitle(tr("标定记录"));
    // An ordinary resizable window with the usual title-bar buttons.
    setWindowFlags(Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);

    recordList_ = new QTreeWidget(this);
    recordList_->setObjectName(QStringLiteral("lvSetLog"));
    recordList_->setRootIsDecorated(false);
    recordList_->setColumnCount(kColumnCount);
    recordList_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList captions;
    for (const Column& column : kColumns)
        captions << tr(column.caption);
    recordList_->setHeaderLabels(captions);
    recordList_->header()->setStretchLastSection(false);
    for (int i = 0; i < kColumnCount; ++i)
        recordList_->headerItem()->setTextAlignment(i, kColumns[i].alignment | Qt::AlignVCenter);

    auto* bottomPanel = new QFrame(this);
    bottomPanel->setObjectName(QStringLiteral("pnlBottom"));
    bottomPanel->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    QPushButton* closeButton = MakeButton(bottomPanel, "btnExit", tr("关闭"));
    closeButton->setMinimumSize(97, 39);
    auto* bottom = new QHBoxLayout(bottomPanel);
    bottom->setContentsMargins(0, 3, 6, 3);
    bottom->addStretch();
    bottom->addWidget(closeButton);
    OnClick(closeButton, [this] { close(); });

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(recordList_, 1);
    column->addWidget(bottomPanel);
    resize(582, 424);
    fitColumns();
}

void CalibrationLogDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    listRecords();
}

void CalibrationLogDialog::listRecords()
{
    recordList_->clear();
    for (const CalibrationLogRecord& record : records_) {
        auto* row = new QTreeWidgetItem(recordList_);
        row->setText(0, QString::number(record.number));
        row->setText(1, QString::fromStdString(record.time));
        row->setText(2, QString::number(record.zeroAD));
        row->setText(3, QString::number(record.referenceAD));
        row->setText(4, QString::number(record.referenceWeightKg));
        row->setText(5, QString::number(record.operationType));
        for (int i = 0; i < kColumnCount; ++i)
            row->setTextAlignment(i, kColumns[i].alignment | Qt::AlignVCenter);
    }
    fitColumns();
}

void CalibrationLogDialog::fitColumns()
{
    for (int i = 0; i < kColumnCount; ++i) {
        recordList_->resizeColumnToContents(i);
        recordList_->setColumnWidth(i,
                                    std::max(recordList_->columnWidth(i), kColumns[i].usualWidth));
    }
}
