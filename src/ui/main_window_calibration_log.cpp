// The calibration-log query: the controller's 32 records one by one, then
// the log dialog.

#include "app/delay.h"
#include "ui/main_window.h"
#include "ui/set_log_dialog.h"

namespace {

constexpr uint8_t kLogRecords = 32;
constexpr uint32_t kRecordWaitMs = 200;

}  // namespace

void TfrmMain::btnSetLogClick() {
  SetLogList.clear();
  for (uint8_t i = 1; i <= kLogRecords; ++i) {
    bReadLog = false;
    SendReadLogCmd(i);
    // Blocks in the event loop, where the reply is dispatched; ends as soon
    // as the record is in the list, or skips it after 200 ms.
    WaitUntil(kRecordWaitMs, [this] { return bReadLog; });
  }
  auto* dialog = new TfrmSetLog(this, SetLogList);
  dialog->exec();
}
