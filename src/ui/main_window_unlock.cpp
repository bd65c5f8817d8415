// Calibration unlock: three clicks on the value label within 3 seconds open
// the number dialog; the day's code sends the unlock command.

#include <QApplication>
#include <QLineEdit>

#include "app/message_boxes.h"
#include "app_core/tick_count.h"
#include "protocol/daily_code.h"
#include "ui/input_number_dialog.h"
#include "ui/main_window.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

constexpr uint32_t kGestureMs = 3000;
constexpr int32_t kGestureClicks = 3;

}  // namespace

void TfrmMain::lblValueClick() {
  const uint32_t now = GetTickCount();
  // The 3 seconds run from the first click of a sequence.
  if (TicksBetween(static_cast<uint32_t>(START_COUNT), now) < kGestureMs) {
    ++PRESS_COUNT;
  } else {
    START_COUNT = static_cast<int32_t>(now);
    PRESS_COUNT = 1;
  }
  if (PRESS_COUNT < kGestureClicks) return;
  // The third click also starts the next sequence.
  START_COUNT = static_cast<int32_t>(now);
  PRESS_COUNT = 1;

  if (!frmInputNumber) frmInputNumber = new TfrmInputNumber(this);
  frmInputNumber->exec();
  // Read before anything else handles events: the closed dialog is
  // destroyed then, and the next gesture must make a new one even if
  // that has not happened yet.
  const bool confirmed = frmInputNumber->bReturnOK;
  const QString input = frmInputNumber->strInput;
  frmInputNumber.clear();
  if (!confirmed) return;
  // The code of the moment of confirmation, also just after midnight.
  if (input == QString::fromStdString(GetDailyCode()))
    SendUnlockCmd();
  else
    Boxes().Message(QStringLiteral("错误！"));
}

// The first edit directly on the most recently active form shows asterisks.
void TfrmMain::InputboxPassword() {
  QWidget* form = QApplication::activeWindow();
  if (!form) form = this;
  auto* edit = form->findChild<QLineEdit*>(QString(), Qt::FindDirectChildrenOnly);
  if (edit) edit->setEchoMode(QLineEdit::Password);
}

#ifdef Q_OS_WIN
bool TfrmMain::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
  const auto* msg = static_cast<const MSG*>(message);
  if (eventType == "windows_generic_MSG" && msg->message == WM_USER + 200) {
    InputboxPassword();
    *result = 0;
    return true;
  }
  return QMainWindow::nativeEvent(eventType, message, result);
}
#endif
