// Weighing actions: zero, shift-zero, tare, base value, the sampling switch
// of the drift monitor and the receipt.

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>

#include <chrono>
#include <thread>

#include "protocol/date_time.h"
#include "protocol/number_format.h"
#include "protocol/number_parse.h"
#include "ui/led_display.h"
#include "ui/main_window.h"
#include "ui/receipt_printing.h"
#include "ui/widget_factory.h"

namespace {

// A displayed number read back; a text that is no number ("-") counts as 0.
double ShownNumber(const QString& text) { return StrToFloatDef(text.toStdString(), 0.0); }

}  // namespace

void TfrmMain::btnClearClick() { SendZeroCmd(true); }

void TfrmMain::btnPrintClick() { SendZeroCmd(false); }

// The displayed weight is already net of the tare, so each press adds what
// is shown now and the next measurement of the same load shows 0.000.
void TfrmMain::btnRemoveClick() {
  dTare += ShownNumber(DispValue->Caption());
  SetCaption(lbltare, QString::fromStdString(FormatThreeDecimals(dTare)));
}

void TfrmMain::btnGetBaseClick() {
  dBaseValue = ShownNumber(lbl4->text());
  SetCaption(lblBaseValue, QStringLiteral("基数值:") + QString::fromStdString(FormatGeneral(dBaseValue)));
}

void TfrmMain::btnClearBaseClick() {
  dBaseValue = 0;
  SetCaption(lblBaseValue, QStringLiteral("基数值:") + QString::fromStdString(FormatGeneral(dBaseValue)));
}

void TfrmMain::btnStartClick() {
  bSampling = !bSampling;
  if (!bSampling) {
    btnStart->setText(QStringLiteral("开始取样"));
    return;
  }
  grp3->setVisible(true);
  // The next reply's live AD becomes the drift monitor's base.
  edtBaseAD->setProperty("Tag", 1);
  edtStartDt->setText(QString::fromStdString(FormatDateTime(kPatternDateTime, CurrentDateTime())));
  // An empty alarm time re-arms the alarm.
  edtErrorDt->clear();
  btnStart->setText(QStringLiteral("停止取样"));
}

void TfrmMain::btnPrinteClick() {
  btnPrinte->setEnabled(false);
  // However printing ends, the button is usable again before a failure
  // goes on to the general error display.
  const auto enableAgain = qScopeGuard([this] { btnPrinte->setEnabled(true); });
  PrintLines(ReceiptLines(lbltare->text(), DispValue->Caption()));
  // The printer is given half a second; replies wait in the port's queue.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
}
