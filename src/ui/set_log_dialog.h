#pragma once
// The calibration-log dialog: the records of the last query in a report
// list. A new one is created for every query; it builds its rows from the
// list each time it is shown.

#include <QDialog>

#include "protocol/set_log.h"

class QPushButton;
class QTreeWidget;

class TfrmSetLog : public QDialog {
  Q_OBJECT

 public:
  TfrmSetLog(QWidget* owner, const TSetLogList& records);

  QTreeWidget* lvSetLog;
  QPushButton* btnExit;

  void FormShow();
  void btnExitClick();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  const TSetLogList& records_;
};
