#pragma once
// The calibration-log dialog: the records of the last query in a report
// list whose columns fit their contents, and how many there are. Unused
// slots of the controller's log are no records and are not listed. A new
// dialog is created for every query; it builds its rows from the list each
// time it is shown. The rows as shown can be exported as CSV ("导出…") and
// printed as a table on the default printer ("打印").

#include <QDialog>

#include "protocol/log_record.h"

class QLabel;
class QTreeWidget;

class CalibrationLogDialog : public QDialog {
    Q_OBJECT

public:
    CalibrationLogDialog(QWidget* owner, const CalibrationLogRecords& records);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // One row per record, in list order; the type in words.
    void listRecords();
    // Each column as wide as its caption and its widest value, and no
    // narrower than its usual width.
    void fitColumns();
    QStringList captions() const;
    QList<QStringList> shownRows() const;
    void exportRows();
    void printRows();

    const CalibrationLogRecords& records_;
    QTreeWidget* recordList_ = nullptr;
    QLabel* recordCount_ = nullptr;
};
