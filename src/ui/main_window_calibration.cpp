// Calibration and controller settings: zero and any-point calibration,
// division value, range, zero tracking, beeper and the firmware version.
// Apart from the version, no action waits: the controller's answer comes
// through the reply dispatcher.

#include <QComboBox>
#include <QLineEdit>

#include "app/delay.h"
#include "app_core/log_files.h"
#include "app/message_boxes.h"
#include "protocol/number_parse.h"
#include "ui/main_window.h"

namespace {

// Moves the focus to a field that can take it.
void FocusIfPossible(QWidget* field) {
  if (field->isEnabled() && field->isVisible()) field->setFocus();
}

std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace

bool TfrmMain::CheckAnyInput() {
  if (!edtAny->text().trimmed().isEmpty()) return true;
  Boxes().Message(QStringLiteral("请输入任意点重量值"));
  FocusIfPossible(edtAny);
  return false;
}

bool TfrmMain::CheckFDInput() {
  if (cbbFD->currentIndex() >= 0) return true;
  Boxes().Message(QStringLiteral("请选择相应在分度值"));
  FocusIfPossible(cbbFD);
  return false;
}

bool TfrmMain::CheckRangeInput() {
  if (cbbMaxRange->currentIndex() >= 0) return true;
  Boxes().Message(QStringLiteral("请选择相应量程"));
  FocusIfPossible(cbbMaxRange);
  return false;
}

void TfrmMain::btnZeroSetClick() {
  WriteOpLog("零点标定");
  ShowStatus(QStringLiteral("标定零点开始！"));
  SendSimpleCmd(kCmdZeroCalibration);
}

void TfrmMain::btnAnySetClick() {
  if (!CheckAnyInput()) return;
  ShowStatus(QStringLiteral("标定任一点开始！"));
  // Text that is no integer ends the action in the standard error box.
  const int32_t weight = StrToInt(Utf8(edtAny->text()));
  // The command carries 16 bits: a larger weight would calibrate the scale
  // to another one, so it is refused before anything is logged or sent.
  if (weight < 0 || weight > 65535) {
    Boxes().Message(QStringLiteral("任意点重量值超出范围！"));
    FocusIfPossible(edtAny);
    return;
  }
  WriteOpLog("标定任一点:" + Utf8(edtAny->text()));
  SendScaleCmd(kCmdAnyPointCalibration, AnyPointWeightData(weight));
}

void TfrmMain::btnSetPDClick() {
  if (!CheckFDInput()) return;
  ShowStatus(QStringLiteral("设置分度值开始！"));
  const int32_t index = cbbFD->currentIndex();
  WriteOpLog("设置分度值:" + Utf8(cbbFD->currentText()));
  SendScaleCmd(kCmdSetDivision, DivisionData(index));
}

void TfrmMain::btnMaxRangeClick() {
  if (!CheckRangeInput()) return;
  ShowStatus(QStringLiteral("设置量程开始！"));
  const auto range = static_cast<uint16_t>(StrToIntDef(Utf8(cbbMaxRange->currentText()), 15));
  // The weight display rounds with the new range from the next measurement on.
  iMaxRange = range;
  WriteOpLog("设置量程:" + std::to_string(range));
  SendScaleCmd(kCmdSetRange, RangeData(range));
}

void TfrmMain::btn10Click() {
  ShowStatus(QStringLiteral("设置零点跟踪开始！"));
  WriteOpLog("设置零点跟踪开始");
  SendSimpleCmd(kCmdZeroTrackingOn);
}

void TfrmMain::btn11Click() {
  ShowStatus(QStringLiteral("关闭零点跟踪开始！"));
  WriteOpLog("关闭零点跟踪开始");
  SendSimpleCmd(kCmdZeroTrackingOff);
}

void TfrmMain::btn12Click() {
  ShowStatus(QStringLiteral("查询零点跟踪状态开始！"));
  SendSimpleCmd(kCmdQueryZeroTracking);
}

void TfrmMain::btnOpenBeepClick() {
  ShowStatus(QStringLiteral("设置峰鸣器打开开始！"));
  WriteOpLog("设置峰鸣器开启");
  SendScaleCmd(kCmdBeeper, BeeperData(kBeeperOn));
}

void TfrmMain::btnCloseBeepClick() {
  ShowStatus(QStringLiteral("关闭峰鸣器开始！"));
  WriteOpLog("关闭峰鸣器开始");
  SendScaleCmd(kCmdBeeper, BeeperData(kBeeperOff));
}

void TfrmMain::btnQueryBeepClick() {
  ShowStatus(QStringLiteral("查询峰鸣器状态开始！"));
  SendScaleCmd(kCmdBeeper, BeeperData(kBeeperQuery));
}

// The number first; the text only when no version answer came in 200 ms.
void TfrmMain::btnReadVerClick() {
  ShowStatus(QStringLiteral("读版本开始！"));
  bReadVer = false;
  SendSimpleCmd(kCmdReadVersion);
  Delay(200);
  if (!bReadVer) SendSimpleCmd(kCmdReadVersionText);
}
