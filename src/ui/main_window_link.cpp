// The receive path of the main window: blocks from the port, the reply
// dispatcher and the weight and drift displays. What to show is computed
// by the protocol core; the window only shows it.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <span>

#include "app/delay.h"
#include "app_core/log_files.h"
#include "app/message_boxes.h"
#include "protocol/ad_monitor.h"
#include "protocol/gravity.h"
#include "protocol/replies.h"
#include "ui/led_display.h"
#include "ui/main_window.h"
#include "ui/widget_factory.h"

namespace {

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }
std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace

void TfrmMain::cmPDAReceiveData(TComm*, const void* Buffer, uint16_t BufferLength) {
  // A block that arrives while a reply is being handled (a dispatcher box
  // is open) is dropped whole.
  if (!bCanRecv) return;
  bCanRecv = false;
  try {
    link.DataToRecBuffer(static_cast<const uint8_t*>(Buffer), BufferLength, [this] { CheckRecDataOK(); });
  } catch (const std::exception& error) {
    bCanRecv = true;
    WriteErrLog(std::string("PDAReceiveData Except:") + error.what());
    return;
  }
  bCanRecv = true;
}

bool TfrmMain::CheckRecDataOK() {
  const uint8_t* frame = link.RecvBuf;
  try {
    if (!CheckSumOK(frame, kReplyChecksumIndex, frame[kReplyChecksumIndex])) return false;
    if (bSampling) UpdateADMonitor();
    for (const ReplyStep& step : DescribeReply(frame)) {
      switch (step.kind) {
        case ReplyStepKind::SetFlag:
          if (step.flag == ReplyFlag::bSetOK) bSetOK = true;
          if (step.flag == ReplyFlag::bReadVer) bReadVer = true;
          if (step.flag == ReplyFlag::bReadLog) bReadLog = true;
          WakeWaiters();
          break;
        case ReplyStepKind::ShowStatus:
          ShowStatus(Text(step.text));
          break;
        case ReplyStepKind::ShowBox:
          Boxes().Message(Text(step.text));
          break;
        case ReplyStepKind::WriteOpLog:
          WriteOpLog(step.text);
          break;
        case ReplyStepKind::ClearTare:
          dTare = 0;
          break;
        case ReplyStepKind::ApplyParameters:
          ApplyParameterReport();
          break;
        case ReplyStepKind::AppendLogRecord:
          SetLogList.push_back(DecodeSetLogRecord(frame));
          break;
        case ReplyStepKind::ShowWeight:
          ShowWeightData();
          break;
      }
    }
    return true;
  } catch (const std::exception& error) {
    WriteErrLog(std::string("CheckRecDataOK Except:") + error.what());
    return false;
  }
}

void TfrmMain::ApplyParameterReport() {
  const ParameterReport report = DecodeParameterReport(link.RecvBuf);
  cbbFD->setCurrentIndex(report.division < cbbFD->count() ? report.division : -1);
  iMaxRange = report.rangeKg;
  cbbMaxRange->setCurrentIndex(cbbMaxRange->findText(QString::number(report.rangeKg)));
  edtCity->setText(Text(FormatCityAcc(GetCityNameByAcc(report.calibrationGravity), report.calibrationGravity)));
  edtUseCity->setText(Text(FormatCityAcc(GetCityNameByAcc(report.useGravity), report.useGravity)));
}

void TfrmMain::ShowWeightData() {
  const TWeightDisplay shown =
      ComputeWeightDisplay(std::span<const uint8_t, kReplyFrameSize>(link.RecvBuf, kReplyFrameSize), WeighingState());
  if (!shown.strStatus.empty()) ShowStatus(Text(shown.strStatus));
  SetCaption(lbl4, Text(shown.lbl4));
  SetCaption(lblRealValue, Text(shown.lblRealValue));
  DispValue->SetCaption(Text(shown.DispValue));
  lblValue->setText(DispValue->Caption());
  SetCaption(lblAnyValue, Text(shown.lblAnyValue));
  SetCaption(lblFDvalue, Text(shown.lblFDvalue));
  WriteResult(shown.strResultLine);
}

void TfrmMain::UpdateADMonitor() {
  TADMonitorTexts texts{Utf8(edtNowAD->text()),     Utf8(edtBaseAD->text()),   edtBaseAD->property("Tag").toInt(),
                        Utf8(edtDiffAD->text()),    Utf8(edtDiffValue->text()), Utf8(edtStartDt->text()),
                        Utf8(edtErrorDt->text()),   Utf8(edtErrorCount->text()), Utf8(edtRunCount->text())};
  // The computation may stop half-way (a start time that is no date): what
  // it updated until then is shown all the same.
  auto show = [&] {
    edtNowAD->setText(Text(texts.edtNowAD));
    edtBaseAD->setText(Text(texts.edtBaseAD));
    edtBaseAD->setProperty("Tag", texts.edtBaseADTag);
    edtDiffAD->setText(Text(texts.edtDiffAD));
    edtDiffValue->setText(Text(texts.edtDiffValue));
    edtErrorDt->setText(Text(texts.edtErrorDt));
    edtErrorCount->setText(Text(texts.edtErrorCount));
    edtRunCount->setText(Text(texts.edtRunCount));
  };
  try {
    ComputeADMonitor(std::span<const uint8_t, kReplyFrameSize>(link.RecvBuf, kReplyFrameSize), texts,
                     CurrentDateTime());
  } catch (...) {
    show();
    throw;
  }
  show();
}
