// Sending commands to the controller. Sending never waits for an answer;
// operations that need one clear a reply flag, send, and wait with Delay.

#include <algorithm>
#include <cstring>

#include "app_core/log_files.h"
#include "protocol/gravity.h"
#include "serial/comm.h"
#include "ui/main_window.h"

void TfrmMain::SendScaleCmd(uint8_t code, const CommandData& data) {
  std::fill(std::begin(SendBuf), std::end(SendBuf), uint8_t{0});
  const CommandFrame frame = BuildCommandFrame(code, data);
  std::memcpy(SendBuf, frame.data(), frame.size());
  // A closed port drops the frame; nothing tells the operator.
  cmPDA->WriteCommData(SendBuf, kCommandFrameSize);
  // A half-received reply is discarded.
  link.ResetRecvBuffer();
}

void TfrmMain::SendSimpleCmd(uint8_t code) { SendScaleCmd(code, {}); }

void TfrmMain::SendZeroCmd(bool zero) { SendSimpleCmd(zero ? kCmdSetZero : kCmdShiftZero); }

void TfrmMain::SendUnlockCmd() { SendSimpleCmd(kCmdOpenCalibrationSwitch); }

void TfrmMain::SendReadParamCmd() { SendSimpleCmd(kCmdReadParameters); }

void TfrmMain::SendReadLogCmd(uint8_t index) { SendScaleCmd(kCmdReadLogRecord, LogRecordData(index)); }

void TfrmMain::SendClockCmd() { SendScaleCmd(kCmdSetClock, ClockData(CurrentDateTime())); }

void TfrmMain::SendAccCmd(int32_t value) {
  ShowStatus(QStringLiteral("设置加速度值！"));
  WriteOpLog("设置加速度值,加速度值：" + FormatAccValue(value));
  bSetOK = false;
  SendScaleCmd(kCmdSetGravity, GravityData(value));
}
