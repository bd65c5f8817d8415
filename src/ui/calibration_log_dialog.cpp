#include "ui/calibration_log_dialog.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "app/message_boxes.h"
#include "app_core/file_io.h"
#include "ui/csv_table.h"
#include "ui/document_printing.h"
#include "ui/table_document.h"
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

// What the controller's type code says: 1 a zero-point calibration, 2 one
// with a weight; other codes as they came.
QString TypeText(uint8_t type)
{
    switch (type) {
    case 1:
        return CalibrationLogDialog::tr("零点");
    case 2:
        return CalibrationLogDialog::tr("任一点");
    default:
        return QString::number(type);
    }
}

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
    QPushButton* exportButton = MakeButton(bottomPanel, "btnExportLog", tr("导出…"));
    QPushButton* printButton = MakeButton(bottomPanel, "btnPrintLog", tr("打印"));
    QPushButton* closeButton = MakeButton(bottomPanel, "btnExit", tr("关闭"));
    for (QPushButton* button : {exportButton, printButton, closeButton})
        button->setMinimumSize(97, 39);
    recordCount_ = MakeLabel(bottomPanel, "lblRecordCount", QString());
    auto* bottom = new QHBoxLayout(bottomPanel);
    bottom->setContentsMargins(6, 3, 6, 3);
    bottom->addWidget(exportButton);
    bottom->addWidget(printButton);
    bottom->addSpacing(12);
    bottom->addWidget(recordCount_);
    bottom->addStretch();
    bottom->addWidget(closeButton);
    OnClick(exportButton, [this] { exportRows(); });
    OnClick(printButton, [this] { printRows(); });
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
        if (record.empty)
            continue;
        auto* row = new QTreeWidgetItem(recordList_);
        row->setText(0, QString::number(record.number));
        row->setText(1, QString::fromStdString(record.time));
        row->setText(2, QString::number(record.zeroAD));
        row->setText(3, QString::number(record.referenceAD));
        row->setText(4, QString::number(record.referenceWeightKg));
        row->setText(5, TypeText(record.operationType));
        for (int i = 0; i < kColumnCount; ++i)
            row->setTextAlignment(i, kColumns[i].alignment | Qt::AlignVCenter);
    }
    recordCount_->setText(tr("共 %1 条记录").arg(recordList_->topLevelItemCount()));
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

QStringList CalibrationLogDialog::captions() const
{
    QStringList texts;
    for (int i = 0; i < kColumnCount; ++i)
        texts << recordList_->headerItem()->text(i);
    return texts;
}

QList<QStringList> CalibrationLogDialog::shownRows() const
{
    QList<QStringList> rows;
    for (int r = 0; r < recordList_->topLevelItemCount(); ++r) {
        QStringList row;
        for (int i = 0; i < kColumnCount; ++i)
            row << recordList_->topLevelItem(r)->text(i);
        rows << row;
    }
    return rows;
}

void CalibrationLogDialog::exportRows()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("导出标定记录"),
                                                      QDir::home().filePath(tr("标定记录.csv")),
                                                      tr("CSV 文件 (*.csv)"));
    if (path.isEmpty())
        return;
    // Put in place whole, never through a link; a failure keeps the old file.
    const QByteArray csv = CsvWithBom(captions(), shownRows());
    if (PlaceWholeFile(path.toStdString(), csv.toStdString()))
        Boxes().Error(tr("导出失败，请确认文件是否可写！"));
    else
        Boxes().Message(tr("已导出到 %1").arg(QDir::toNativeSeparators(path)));
}

void CalibrationLogDialog::printRows()
{
    const std::unique_ptr<QTextDocument> document =
        TableDocument(windowTitle(), captions(), shownRows(), QDateTime::currentDateTime());
    PrintDocument(*document, windowTitle());
}
