#pragma once
// The number dialog of the calibration unlock: an edit and an on-screen
// keypad. It is destroyed after every use; the caller reads bReturnOK and
// strInput right after exec() returns, before the deferred destruction.

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

class TfrmInputNumber : public QDialog {
  Q_OBJECT

 public:
  explicit TfrmInputNumber(QWidget* owner);

  // True when a non-empty input was confirmed with "确定".
  bool bReturnOK = false;
  // The confirmed input, exactly as typed.
  QString strInput;

  QLabel* lbl1;
  QLineEdit* edtInput;
  QPushButton* btnOK;

  void FormShow();
  void btnOKClick();

  // Closing (by "确定" or the close box) asks for destruction once the
  // application next handles its queued events.
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
};
