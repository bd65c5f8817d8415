// Replies fed to the main window's receive handler in blocks of every size:
// what the window shows, the flags, the logs and the message boxes.

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <vector>

#include "app_core/log_files.h"
#include "app/message_boxes.h"
#include "protocol/commands.h"
#include "protocol/frame.h"
#include "serial/comm.h"
#include "ui/led_display.h"
#include "ui/main_window.h"
#include "own_directory.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Reply(uint8_t code, std::initializer_list<uint8_t> payloadStart = {}) {
  uint8_t payload[16] = {};
  std::copy(payloadStart.begin(), payloadStart.end(), payload);
  const ReplyFrame frame = BuildReplyFrame(code, payload);
  return Bytes(frame.begin(), frame.end());
}

// A measurement frame: raw weight = calibration weight x live AD / span AD.
Bytes Measurement(int32_t spanAD, int32_t liveAD, uint16_t calibrationKg, uint8_t code = 0x10) {
  uint8_t payload[16] = {};
  WriteU32LE(payload, static_cast<uint32_t>(spanAD));
  WriteU32LE(payload + 4, static_cast<uint32_t>(liveAD));
  WriteU16LE(payload + 8, calibrationKg);
  const ReplyFrame frame = BuildReplyFrame(code, payload);
  return Bytes(frame.begin(), frame.end());
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

QStringList LogLines(const QString& name) {
  QFile file(OwnDirectory() + QLatin1Char('/') + name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  return lines;
}

// The text after "Time：<timestamp> -- ".
QString LastEntry(const QString& name) {
  const QStringList lines = LogLines(name);
  if (lines.isEmpty()) return QStringLiteral("<no line>");
  return lines.last().section(QStringLiteral(" -- "), 1);
}

}  // namespace

class DispatcherTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    for (const char* log : {"Result.txt", "ResultErr.txt", "oplog.txt"}) QFile::remove(OwnDirectory() + "/" + log);
    window = new TfrmMain;
    boxes = new ScopedScriptedBoxes;
  }
  void cleanup() {
    delete boxes;
    delete window;
  }

  void measurementInBlocksOfAnySize_data();
  void measurementInBlocksOfAnySize();
  void everyFrameOfABlockIsHandled();
  void replyCodes_data();
  void replyCodes();
  void versionFlagIsSetAfterTheBoxCloses();
  void blockArrivingWhileABoxIsOpenIsDropped();
  void parameterReportFillsTheFields();
  void parameterReportWithoutMatchingItems();
  void calibrationLogRecordsAreCollected();
  void zeroReplyClearsTheTare();
  void badChecksumChangesNothing();
  void zeroLengthBlockChangesNothing();
  void powerOnZeroFailureIsShownAndTheWeightToo();
  void driftMonitorWhileSampling();
  void unreadableStartTimeAbandonsTheReply();
  void resultLogFailureIsLoggedAfterTheDisplay();
  void resultLogSwitchedOff();
  void errorLogFailureReachesTheGeneralErrorDisplay();
  void commandFramesAreBuiltInSendBuf();
  void sendingDiscardsAHalfReceivedReply();

 private:
  void Feed(const Bytes& block) { window->cmPDAReceiveData(nullptr, block.data(), static_cast<uint16_t>(block.size())); }
  QString Shown(QLabel* label) const { return label->text(); }

  TfrmMain* window = nullptr;
  ScopedScriptedBoxes* boxes = nullptr;
};

void DispatcherTest::measurementInBlocksOfAnySize_data() {
  QTest::addColumn<QList<int>>("cuts");  // sizes of the blocks
  QTest::addColumn<int>("noise");        // bytes before the header
  QTest::newRow("whole") << QList<int>{19} << 0;
  QTest::newRow("7+12") << QList<int>{7, 12} << 0;
  QTest::newRow("byte by byte") << QList<int>(19, 1) << 0;
  QTest::newRow("noise first") << QList<int>{24} << 5;
  QTest::newRow("noise, then 1+17+1") << QList<int>{4, 17, 1} << 3;
}

void DispatcherTest::measurementInBlocksOfAnySize() {
  QFETCH(QList<int>, cuts);
  QFETCH(int, noise);
  Bytes stream(static_cast<size_t>(noise), uint8_t{0x55});
  stream = stream + Measurement(100000, 15000, 10);  // 1.5 kg
  size_t at = 0;
  for (int cut : cuts) {
    QCOMPARE(window->DispValue->Caption(), QStringLiteral("0.000"));
    Feed(Bytes(stream.begin() + at, stream.begin() + at + cut));
    at += cut;
  }
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("1.500"));
  QCOMPARE(Shown(window->lblValue), QStringLiteral("1.500"));
  QCOMPARE(Shown(window->lbl4), QStringLiteral("1.5"));
  QCOMPARE(Shown(window->lblRealValue), QStringLiteral("实际值：1.5"));
  QCOMPARE(Shown(window->lblAnyValue), QStringLiteral("10"));
  QCOMPARE(Shown(window->lblFDvalue), QStringLiteral("0.002"));
  QCOMPARE(LogLines("Result.txt").size(), 1);
  QCOMPARE(LastEntry("Result.txt"), QStringLiteral("实际值：1.5,"));
  QVERIFY(window->bCanRecv);
}

void DispatcherTest::everyFrameOfABlockIsHandled() {
  // An acknowledgement and a measurement frame sharing one read, with the
  // start of a third frame that the next block completes.
  const Bytes third = Measurement(100000, 62500, 10);  // 6.25 kg
  Feed(Reply(0x00) + Measurement(100000, 20000, 10) + Bytes(third.begin(), third.begin() + 5));
  QVERIFY(window->bSetOK);
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("2.000"));
  Feed(Bytes(third.begin() + 5, third.end()));
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("6.250"));
  QCOMPARE(LogLines("Result.txt").size(), 2);
}

void DispatcherTest::replyCodes_data() {
  QTest::addColumn<int>("code");
  QTest::addColumn<int>("byte2");
  QTest::addColumn<QString>("status");
  QTest::addColumn<QStringList>("shownBoxes");
  QTest::addColumn<QString>("opLog");
  QTest::addColumn<QString>("flag");
  auto row = [](const char* name, int code, int byte2, const char* status, QStringList shown, const char* opLog,
                const char* flag) {
    QTest::newRow(name) << code << byte2 << QString::fromUtf8(status) << shown << QString::fromUtf8(opLog)
                        << QString::fromLatin1(flag);
  };
  row("00 set ok", 0x00, 0, "设置成功！", {}, "", "bSetOK");
  row("01 version", 0x01, 23, "版本号:23", {"版本号:23"}, "", "bReadVer");
  row("11 failed", 0x11, 0, "设置失败", {"设置失败！"}, "", "");
  row("22 no zero", 0x22, 0, "未标定零点！", {}, "", "");
  row("33 no any point", 0x33, 0, "未标定任意点！", {}, "", "");
  row("44 switch", 0x44, 0, "请打开标定开关！", {"请打开标定开关！"}, "", "");
  row("66 zero calibrated", 0x66, 0, "零点标定成功！", {"零点标定成功！"}, "零点标定成功", "");
  row("68 zero set", 0x68, 0, "手动置零成功！", {"手动置零成功！"}, "", "");
  row("69 zero failed", 0x69, 0, "手动置零失败！", {"手动置零失败！"}, "", "");
  row("88 any point", 0x88, 0, "任意点标定成功！", {"任意点标定成功！"}, "任意点标定成功", "");
  row("99 tracking", 0x99, 0, "零位跟踪配置成功！", {"零位跟踪配置成功！"}, "零位跟踪配置成功", "");
  row("9A tracking on", 0x9A, 0, "零位跟踪状态开！", {"零位跟踪状态开！"}, "", "");
  row("9B tracking off", 0x9B, 0, "零位跟踪状态关！", {"零位跟踪状态关！"}, "", "");
  row("F5 range", 0xF5, 0, "设置量程成功！", {"设置量程成功！"}, "设置量程成功", "");
  row("FB beeper on", 0xFB, 1, "峰鸣器打开！", {"峰鸣器打开！"}, "", "");
  row("FB beeper 0", 0xFB, 0, "峰鸣器关闭！", {"峰鸣器关闭！"}, "", "");
  row("FB beeper 2", 0xFB, 2, "峰鸣器关闭！", {"峰鸣器关闭！"}, "", "");
  row("F8 record", 0xF8, 1, "", {}, "", "bReadLog");
}

void DispatcherTest::replyCodes() {
  QFETCH(int, code);
  QFETCH(int, byte2);
  QFETCH(QString, status);
  QFETCH(QStringList, shownBoxes);
  QFETCH(QString, opLog);
  QFETCH(QString, flag);
  Feed(Reply(static_cast<uint8_t>(code), {static_cast<uint8_t>(byte2)}));
  QCOMPARE(window->StatusText(), status);
  QCOMPARE(boxes->Texts(), shownBoxes);
  for (const auto& box : boxes->shown) QVERIFY(box.kind == MessageBoxes::Kind::Message);
  QCOMPARE(LogLines("oplog.txt").isEmpty() ? QString() : LastEntry("oplog.txt"), opLog);
  QCOMPARE(window->bSetOK, flag == "bSetOK");
  QCOMPARE(window->bReadVer, flag == "bReadVer");
  QCOMPARE(window->bReadLog, flag == "bReadLog");
  // No reply of its own is taken for a measurement.
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("0.000"));
  QVERIFY(LogLines("Result.txt").isEmpty());
}

void DispatcherTest::versionFlagIsSetAfterTheBoxCloses() {
  bool flagWhileOpen = true;
  QString statusWhileOpen;
  boxes->whileOpen = [&](const ScriptedMessageBoxes::Shown&) {
    flagWhileOpen = window->bReadVer;
    statusWhileOpen = window->StatusText();
  };
  uint8_t text[16] = {'V', '1', '.', '8', ' ', 'S', 'C', 'A', 'L', 'E'};
  const ReplyFrame frame = BuildReplyFrame(0xF2, text);
  Feed(Bytes(frame.begin(), frame.end()));
  QVERIFY(!flagWhileOpen);
  QCOMPARE(statusWhileOpen, QStringLiteral("版本号:V1.8 SCALE"));
  QCOMPARE(boxes->Texts(), QStringList{"版本号:V1.8 SCALE"});
  QVERIFY(window->bReadVer);
}

void DispatcherTest::blockArrivingWhileABoxIsOpenIsDropped() {
  boxes->whileOpen = [&](const ScriptedMessageBoxes::Shown&) {
    QVERIFY(!window->bCanRecv);
    Feed(Measurement(100000, 30000, 10));  // 3 kg while the operator reads the box
  };
  Feed(Reply(0x44));
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("0.000"));
  QVERIFY(window->bCanRecv);
  Feed(Measurement(100000, 40000, 10));
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("4.000"));
}

void DispatcherTest::parameterReportFillsTheFields() {
  // Division 1, range 30, gravity 97894 at both places.
  Feed(Reply(0xF6, {1, 0, 30, 0, 0x66, 0x7E, 0x01, 0x00, 0x66, 0x7E, 0x01, 0x00}));
  QCOMPARE(window->cbbFD->currentIndex(), 1);
  QCOMPARE(window->cbbFD->currentText(), QStringLiteral("5g"));
  QCOMPARE(window->iMaxRange, 30);
  QCOMPARE(window->cbbMaxRange->currentText(), QStringLiteral("30"));
  QCOMPARE(window->cbbMaxRange->currentIndex(), 2);
  QCOMPARE(window->edtCity->text(), QStringLiteral("广东-韶关[9.7894]"));
  QCOMPARE(window->edtUseCity->text(), QStringLiteral("广东-韶关[9.7894]"));
  QCOMPARE(window->StatusText(), QString());
  QVERIFY(boxes->shown.empty());
  // The next measurement rounds to 0.01 kg.
  Feed(Measurement(100000, 625, 10));  // 0.0625 kg
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("0.060"));
  QCOMPARE(Shown(window->lblFDvalue), QStringLiteral("0.01"));
}

void DispatcherTest::parameterReportWithoutMatchingItems() {
  // Division 7, range 20, an unknown gravity value of 98000 at the place of use.
  Feed(Reply(0xF6, {7, 0, 20, 0, 0x66, 0x7E, 0x01, 0x00, 0xD0, 0x7E, 0x01, 0x00}));
  QCOMPARE(window->cbbFD->currentIndex(), -1);
  QCOMPARE(window->iMaxRange, 20);
  QCOMPARE(window->cbbMaxRange->currentIndex(), -1);
  QCOMPARE(window->edtUseCity->text(), QStringLiteral("自定义[9.8]"));
}

void DispatcherTest::calibrationLogRecordsAreCollected() {
  // Record 3 at 2018-01-02 00:00:00 (86400 s), zero AD 1000, any AD 2000, 10 kg, type 1;
  // then an empty slot of all 0xFF.
  Feed(Reply(0xF8, {3, 0x80, 0x51, 0x01, 0x00, 0xE8, 0x03, 0, 0, 0xD0, 0x07, 0, 0, 10, 0, 1}));
  Bytes empty = Reply(0xF8);
  std::fill(empty.begin() + 2, empty.begin() + 18, uint8_t{0xFF});
  empty[18] = static_cast<uint8_t>(CheckSum(empty.data(), 18));
  Feed(empty);
  QCOMPARE(window->SetLogList.size(), size_t{2});
  const TSetLogClass& first = window->SetLogList[0];
  QCOMPARE(first.iNo, uint8_t{3});
  QCOMPARE(QString::fromStdString(first.dtOpLog), QStringLiteral("2018-01-02 00:00:00"));
  QCOMPARE(first.iZeroAD, 1000);
  QCOMPARE(first.iAnyAD, 2000);
  QCOMPARE(first.iAnyValue, uint16_t{10});
  QCOMPARE(first.iOpType, uint8_t{1});
  QCOMPARE(QString::fromStdString(window->SetLogList[1].dtOpLog), QStringLiteral("-1"));
  QCOMPARE(window->SetLogList[1].iNo, uint8_t{255});
  QVERIFY(window->bReadLog);
  QCOMPARE(window->StatusText(), QString());
  QVERIFY(boxes->shown.empty());
}

void DispatcherTest::zeroReplyClearsTheTare() {
  window->dTare = 1.0;
  window->lbltare->setText(QStringLiteral("1"));
  Feed(Measurement(100000, 15000, 10));
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("0.500"));
  QCOMPARE(Shown(window->lbl4), QStringLiteral("1.5"));
  Feed(Reply(0x68));
  QCOMPARE(window->dTare, 0.0);
  QCOMPARE(window->lbltare->text(), QStringLiteral("1"));
  Feed(Measurement(100000, 15000, 10));
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("1.500"));
}

void DispatcherTest::badChecksumChangesNothing() {
  Bytes ack = Reply(0x00);
  ack[18] ^= 0xFF;
  Feed(ack);
  Bytes weight = Measurement(100000, 15000, 10);
  weight[18] ^= 0x01;
  Feed(weight);
  QVERIFY(!window->bSetOK);
  QCOMPARE(window->StatusText(), QString());
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("0.000"));
  QVERIFY(LogLines("Result.txt").isEmpty());
  QVERIFY(LogLines("ResultErr.txt").isEmpty());
  // The assembler is ready for the next frame.
  Feed(Reply(0x00));
  QVERIFY(window->bSetOK);
}

void DispatcherTest::zeroLengthBlockChangesNothing() {
  const Bytes frame = Measurement(100000, 15000, 10);
  Feed(Bytes(frame.begin(), frame.begin() + 9));
  window->cmPDAReceiveData(nullptr, nullptr, 0);
  QVERIFY(window->bCanRecv);
  Feed(Bytes(frame.begin() + 9, frame.end()));
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("1.500"));
}

void DispatcherTest::powerOnZeroFailureIsShownAndTheWeightToo() {
  Feed(Measurement(100000, 25000, 10, 0x77));
  QCOMPARE(window->StatusText(), QStringLiteral("上电自动归零失败！"));
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("2.500"));
}

void DispatcherTest::driftMonitorWhileSampling() {
  window->bSampling = true;
  window->edtBaseAD->setProperty("Tag", 1);
  window->edtStartDt->setText(QDateTime::currentDateTime().addSecs(-150).toString("yyyy-MM-dd hh:mm:ss"));
  Feed(Measurement(100000, 1000, 10));
  QCOMPARE(window->edtBaseAD->text(), QStringLiteral("1000"));
  QCOMPARE(window->edtBaseAD->property("Tag").toInt(), 0);
  QCOMPARE(window->edtRunCount->text(), QStringLiteral("2"));
  Feed(Measurement(100000, 1114, 10));
  QCOMPARE(window->edtNowAD->text(), QStringLiteral("1114"));
  QCOMPARE(window->edtDiffAD->text(), QStringLiteral("114"));
  QCOMPARE(window->edtDiffValue->text(), QStringLiteral("7.98"));
  QCOMPARE(window->edtErrorDt->text(), QString());
  // An acknowledgement passes through the monitor with its bytes 6..9.
  Feed(Reply(0x00, {0, 0, 0, 0, 0x5B, 0x04, 0, 0}));  // AD 1115
  QCOMPARE(window->edtDiffValue->text(), QStringLiteral("8.05"));
  QVERIFY(!window->edtErrorDt->text().isEmpty());
  QCOMPARE(window->edtErrorCount->text(), QStringLiteral("2"));
  QVERIFY(window->bSetOK);
}

void DispatcherTest::unreadableStartTimeAbandonsTheReply() {
  window->bSampling = true;
  window->edtStartDt->setText(QStringLiteral("not a time"));
  Feed(Reply(0x00, {0, 0, 0, 0, 0x10, 0, 0, 0}));
  Feed(Measurement(100000, 15000, 10));
  QVERIFY(!window->bSetOK);
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("0.000"));
  QCOMPARE(window->edtNowAD->text(), QStringLiteral("15000"));  // updated before the failure
  const QStringList errors = LogLines("ResultErr.txt");
  QCOMPARE(errors.size(), 2);
  for (const QString& line : errors) QVERIFY2(line.contains(" -- CheckRecDataOK Except:"), qPrintable(line));
  QVERIFY(window->bCanRecv);
}

void DispatcherTest::resultLogFailureIsLoggedAfterTheDisplay() {
  QVERIFY(QDir(OwnDirectory()).mkdir("Result.txt"));  // the result log cannot be written
  Feed(Measurement(100000, 15000, 10));
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("1.500"));
  QVERIFY(LastEntry("ResultErr.txt").startsWith("CheckRecDataOK Except:"));
  // The next frame is handled normally.
  Feed(Measurement(100000, 25000, 10));
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("2.500"));
  QVERIFY(QDir(OwnDirectory()).rmdir("Result.txt"));
}

void DispatcherTest::resultLogSwitchedOff() {
  bWriteResult = false;
  Feed(Measurement(100000, 15000, 10));
  bWriteResult = true;
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("1.500"));
  QVERIFY(!QFile::exists(OwnDirectory() + "/Result.txt"));
}

void DispatcherTest::errorLogFailureReachesTheGeneralErrorDisplay() {
  // Neither the result log nor the error log can be written.
  QDir own(OwnDirectory());
  QVERIFY(own.mkdir("Result.txt"));
  QVERIFY(own.mkdir("ResultErr.txt"));
  const Bytes frame = Measurement(100000, 15000, 10);
  window->cmPDA->OnReceiveData(nullptr, frame.data(), static_cast<uint16_t>(frame.size()));
  QCOMPARE(boxes->shown.size(), size_t{1});
  QVERIFY(boxes->shown[0].kind == MessageBoxes::Kind::Error);
  QVERIFY2(boxes->shown[0].text.contains("ResultErr.txt"), qPrintable(boxes->shown[0].text));
  QVERIFY(window->bCanRecv);
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("1.500"));
  QVERIFY(own.rmdir("Result.txt"));
  QVERIFY(own.rmdir("ResultErr.txt"));
  // The frame was handled once; the next one is handled normally.
  const Bytes next = Measurement(100000, 25000, 10);
  window->cmPDA->OnReceiveData(nullptr, next.data(), static_cast<uint16_t>(next.size()));
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("2.500"));
  QCOMPARE(LogLines("Result.txt").size(), 1);
}

void DispatcherTest::commandFramesAreBuiltInSendBuf() {
  struct Case {
    std::function<void()> send;
    Bytes frame;
  };
  const Case cases[] = {
      {[&] { window->SendZeroCmd(true); }, {0xAA, 0x01, 0x04, 0, 0, 0, 0, 0xB0}},
      {[&] { window->SendZeroCmd(false); }, {0xAA, 0x01, 0x05, 0, 0, 0, 0, 0xB1}},
      {[&] { window->SendReadParamCmd(); }, {0xAA, 0x01, 0xF6, 0, 0, 0, 0, 0xA2}},
      {[&] { window->SendUnlockCmd(); }, {0xAA, 0x01, 0xF9, 0, 0, 0, 0, 0xA5}},
      {[&] { window->SendReadLogCmd(32); }, {0xAA, 0x01, 0xF8, 0x20, 0, 0, 0, 0xC4}},
      {[&] { window->SendSimpleCmd(0x01); }, {0xAA, 0x01, 0x01, 0, 0, 0, 0, 0xAD}},
      {[&] { window->SendScaleCmd(kCmdSetRange, RangeData(750)); }, {0xAA, 0x01, 0xF5, 0xEE, 0x02, 0, 0, 0x91}},
      {[&] { window->SendAccCmd(97894); }, {0xAA, 0x01, 0xF3, 0x66, 0x7E, 0x01, 0x00, 0x84}},
  };
  std::fill(std::begin(window->SendBuf), std::end(window->SendBuf), uint8_t{0x5A});
  for (const Case& c : cases) {
    window->bSetOK = true;
    c.send();
    QCOMPARE(Bytes(window->SendBuf, window->SendBuf + 8), c.frame);
    QVERIFY(std::all_of(window->SendBuf + 8, std::end(window->SendBuf), [](uint8_t b) { return b == 0; }));
  }
  // The gravity command tells the operator, logs and clears the acknowledgement flag.
  QVERIFY(!window->bSetOK);
  QCOMPARE(window->StatusText(), QStringLiteral("设置加速度值！"));
  QCOMPARE(LastEntry("oplog.txt"), QStringLiteral("设置加速度值,加速度值：9.7894"));
  // The clock command carries the device seconds of now.
  window->SendClockCmd();
  QCOMPARE(window->SendBuf[2], uint8_t{0xF7});
  const int32_t seconds = ReadI32LE(window->SendBuf + 3);
  const qint64 expected = QDateTime(QDate(2018, 1, 1), QTime(0, 0)).secsTo(QDateTime::currentDateTime());
  QVERIFY2(qAbs(seconds - expected) <= 2, qPrintable(QString::number(seconds)));
}

void DispatcherTest::sendingDiscardsAHalfReceivedReply() {
  const Bytes first = Measurement(100000, 15000, 10);
  Feed(Bytes(first.begin(), first.begin() + 10));
  window->SendReadParamCmd();
  Feed(Bytes(first.begin() + 10, first.end()));
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("0.000"));
  Feed(Measurement(100000, 25000, 10));
  QCOMPARE(window->DispValue->Caption(), QStringLiteral("2.500"));
}

int main(int argc, char** argv) {
  const int copied = RunInOwnDirectory(argc, argv);
  if (copied >= 0) return copied;
  QApplication app(argc, argv);
  DispatcherTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "dispatcher_test.moc"
