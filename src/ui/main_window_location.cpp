// Gravity of the place of use and of the calibration place: from the
// province table, by value, or computed from latitude and altitude.

#include <QLineEdit>

#include <cmath>

#include "app/delay.h"
#include "app/message_boxes.h"
#include "protocol/gravity.h"
#include "protocol/number_format.h"
#include "protocol/number_parse.h"
#include "ui/main_window.h"
#include "ui/select_city_dialog.h"

namespace {

const QString kGravityNotSet = QStringLiteral("设置重力加速度错误！请重试！");

double FieldNumber(const QLineEdit* field) { return StrToFloat(field->text().trimmed().toStdString()); }

}  // namespace

void TfrmMain::btnCalcClick() {
  // A field that is no number stops here with the standard error box.
  const double altitude = FieldNumber(edtHeight);
  const double degrees = FieldNumber(edt1);
  const double minutes = FieldNumber(edt2);
  const double seconds = FieldNumber(edt3);
  edtRealAcc->setText(QString::fromStdString(FormatGeneral(CalcGravity(degrees, minutes, seconds, altitude))));
}

void TfrmMain::SetCityName(int32_t iIndex, int32_t iFlag) {
  if (iIndex < 0 || iIndex >= static_cast<int32_t>(CityAccList.size())) return;
  const TCityAccList& row = CityAccList[iIndex];
  const QString text = QString::fromStdString(FormatCityAcc(row.cityName, row.iAccValue));
  (iFlag != 0 ? edtUseCity : edtCity)->setText(text);
}

int32_t TfrmMain::ChooseCityAndSend() {
  if (!frmSelectCity) frmSelectCity = new TfrmSelectCity(this);
  frmSelectCity->exec();
  const int32_t idx = frmSelectCity->SelectIndex;
  if (idx < 0) return -1;
  SendAccCmd(CityAccList[idx].iAccValue);
  return idx;
}

void TfrmMain::btn15Click() {
  const int32_t idx = ChooseCityAndSend();
  if (idx < 0) return;
  Delay(500);
  if (!bSetOK) {
    Boxes().Message(kGravityNotSet);
    return;
  }
  SetCityName(idx, 1);
  Delay(1000);
}

void TfrmMain::btnSelCityClick() {
  const int32_t idx = ChooseCityAndSend();
  if (idx < 0) return;
  Delay(300);
  if (bSetOK)
    SetCityName(idx, 0);
  else
    Boxes().Message(kGravityNotSet);
}

void TfrmMain::btnSetClick() {
  if (!Boxes().Confirm(QStringLiteral("设置使用地重力加速度值、对称重示值有一定的影响！请确保输入的加速度值是否正确？"),
                       MessageBoxes::Kind::ConfirmYesNo))
    return;
  const double value = StrToFloatDef(edtRealAcc->text().toStdString(), 0.0);
  if (value >= 10 || value <= 9.6) {
    Boxes().Message(QStringLiteral("加速度值输入错误！"));
    return;
  }
  // Halves go to the even neighbour (the default rounding mode).
  SendAccCmd(static_cast<int32_t>(std::nearbyint(value * 10000)));
  Delay(500);
  Boxes().Message(bSetOK ? QStringLiteral("设置重力加速度成功！") : kGravityNotSet);
}
