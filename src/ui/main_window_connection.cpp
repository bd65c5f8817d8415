// Opening and closing the port to the controller.

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "app/delay.h"
#include "app_core/sys_settings.h"
#include "protocol/number_format.h"
#include "serial/comm.h"
#include "ui/main_window.h"
#include "ui/widget_factory.h"

namespace {
// Port numbers from 10 on are opened through the device namespace.
constexpr int kFirstPrefixedPort = 10;
const QString kDevicePrefix = QStringLiteral("//./");
}  // namespace

void TfrmMain::FormShow(QObject*) {
  const IniFile ini(SettingsFilePath());
  const std::string name = ini.ReadString(kCommSetSection, kCommNoKey, kDefaultCommNo);
  const int baud = ini.ReadInteger(kCommSetSection, kBaudRateKey, kDefaultBaudRate);
  cbbComm->setEditText(QString::fromStdString(name));
  cbbRate->setEditText(QString::number(baud));
  SetConnState(0);
  SetCaption(lblBaseValue, QStringLiteral("基数值:") + QString::fromStdString(FormatGeneral(dBaseValue)));
  btnOpen->click();
}

void TfrmMain::btnOpenClick() {
  QString name = cbbComm->currentText();
  bool isNumber = false;
  int baud = cbbRate->currentText().toInt(&isNumber, 10);
  if (!isNumber) baud = 9600;
  // "Com10" and up: the text after the first three characters is the number.
  const int port = name.mid(3).toInt(&isNumber, 10);
  if (isNumber && port >= kFirstPrefixedPort) name = kDevicePrefix + name;

  cmPDA->SetCommName(name.toStdString());
  cmPDA->SetBaudRate(static_cast<uint32_t>(baud));
  const int32_t code = cmPDA->StartComm();
  if (code == 1) {
    ShowStatus(QStringLiteral("打开串口成功"));
    Delay(100);
    SendClockCmd();
    Delay(100);
    SendReadParamCmd();
    try {
      IniFile ini(SettingsFilePath());
      ini.WriteString(kCommSetSection, kCommNoKey, name.toStdString());
      ini.WriteInteger(kCommSetSection, kBaudRateKey, baud);
    } catch (const std::exception&) {
      // The port is open: the controls must say so, or it could not be closed.
      SetConnState(code);
      throw;
    }
  } else {
    ShowStatus(QStringLiteral("打开串口失败，返回值：%1").arg(code));
  }
  SetConnState(code);
}

void TfrmMain::btnCloseClick() {
  cmPDA->StopComm();
  ShowStatus(QStringLiteral("串口关闭！"));
  SetConnState(0);
}

void TfrmMain::FormClose(QObject*) { cmPDA->StopComm(); }
