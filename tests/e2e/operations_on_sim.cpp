// Every operator action of the weighing, location and calibration pages,
// with the main window's real port against scale-sim on a pseudo-terminal:
// the exact frame the controller receives and what the window then shows.

#include <QComboBox>
#include <QDeadlineTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <chrono>
#include <utility>

#include "../ui/own_directory.h"
#include "app_core/log_files.h"
#include "e2e_harness.h"
#include "protocol/daily_code.h"
#include "scripted_message_boxes.h"
#include "ui/calibration_log_dialog.h"
#include "ui/city_dialog.h"
#include "ui/code_dialog.h"
#include "ui/led_display.h"
#include "ui/main_window.h"
#include "when_modal.h"
#include "window_controls.h"

using namespace std::chrono_literals;

namespace {

QString OpLogText()
{
    QFile file(QString::fromStdString(OperationLogPath()));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The operation log's lines, their text only.
QStringList OpLogEntries()
{
    QStringList entries;
    for (const QString& line : OpLogText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        entries << line.section(QStringLiteral(" -- "), 1);
    return entries;
}

// What a confirmed calibration asks for its record after the command: the
// parameters, the version and the 32 log records.
QStringList RecordQueries()
{
    QStringList frames{QStringLiteral("AA 01 F6 00 00 00 00 A2"),
                       QStringLiteral("AA 01 01 00 00 00 00 AD")};
    for (int record = 1; record <= 32; ++record)
        frames << QStringLiteral("AA 01 F8 %1 00 00 00 %2")
                      .arg(record, 2, 16, QChar('0'))
                      .arg((1 + 0xAA + 0x01 + 0xF8 + record) & 0xFF, 2, 16, QChar('0'))
                      .toUpper();
    return frames;
}

} // namespace

class OperationsOnSimTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { resultLogEnabled = false; }
    void init()
    {
        QFile::remove(QString::fromStdString(OperationLogPath()));
        window = new MainWindow;
        window->show();
    }
    void cleanup()
    {
        delete window;
        window = nullptr;
        sim.reset();
    }

    void zeroAndShiftZeroSendTheirCommands();
    void tareAddsTheDisplayedNetWeight();
    void samplingSwitchReArmsTheDriftMonitor();
    void cityFromTheTableAcknowledged();
    void cityFromTheTableUnanswered();
    void cityDialogLeftWithExitSendsNothing();
    void calibrationPlaceFromTheTable();
    void customGravity_data();
    void customGravity();
    void computedGravityIsSetAsComputedUntilEdited();
    void staleWeightIsShownGrey();
    void calibrationNeedsTheSwitchAndTheDayCodeOpensIt();
    void anyPointWeightOutsideSixteenBitsIsRefused();
    void settingsSendTheirCommands_data();
    void settingsSendTheirCommands();
    void rangeChangesTheRoundingAtOnce();
    void versionFromAPromptController();
    void versionTextWhenTheNumberIsNotAnswered();
    void calibrationLogFromAPromptController();
    void calibrationLogFromASilentController();
    void printingWithoutPrinterEnablesTheButtonAgain();

private:
    // Opens the window's port on a new simulator and waits until the
    // parameter report has been shown; returns the number of frames so far.
    size_t Start(const std::vector<std::string>& options = {})
    {
        sim = std::make_unique<e2e::SimProcess>(options);
        Control<QComboBox>(window, "cbbComm")->setEditText(QString::fromStdString(sim->PortPath()));
        Control<QComboBox>(window, "cbbRate")->setEditText(QStringLiteral("115200"));
        Control<QPushButton>(window, "btnOpen")->click();
        [&] { QVERIFY(sim->WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s)); }();
        [&] {
            QTRY_VERIFY_WITH_TIMEOUT(Control<QComboBox>(window, "cbbMaxRange")->currentIndex() >= 0,
                                     5000);
        }();
        return sim->ReceivedFrames().size();
    }
    // Frames received since `mark`.
    QStringList FramesSince(size_t mark) const
    {
        QStringList frames;
        const std::vector<std::string> all = sim->ReceivedFrames();
        for (size_t i = mark; i < all.size(); ++i)
            frames << QString::fromStdString(all[i]);
        return frames;
    }
    // Frames received since `mark`, known to be all the window sent until
    // now: a beeper query (a box on a prompt controller; no operation under
    // test sends one) sent now comes after them and is left out.
    QStringList FramesSentSince(size_t mark)
    {
        Control<QPushButton>(window, "btnQueryBeep")->click();
        const QString marker = QStringLiteral("AA 01 FB FF 00 00 00 A6");
        QStringList frames;
        [&] { QTRY_VERIFY_WITH_TIMEOUT((frames = FramesSince(mark)).contains(marker), 10000); }();
        return frames.mid(0, frames.indexOf(marker));
    }
    // Waits until `count` frames have come since `mark` and returns them.
    QStringList FramesSince(size_t mark, size_t count) const
    {
        sim->WaitForFrames(mark + count, 10s);
        return FramesSince(mark);
    }
    void Set(const std::string& line)
    {
        QCOMPARE(QString::fromStdString(sim->Command(line)), QStringLiteral("ok"));
    }
    // Chooses a row in the city dialog that the next click opens.
    void ChooseCity(ScriptedMessageBoxes& boxes, int row)
    {
        boxes.answers.push_back(true);
        WhenModal<CityDialog>([row](CityDialog* dialog) {
            Control<QListWidget>(dialog, "lvCityList")->item(row)->setSelected(true);
            Control<QPushButton>(dialog, "btnOK")->click();
        });
    }

    MainWindow* window = nullptr;
    std::unique_ptr<e2e::SimProcess> sim;
};

void OperationsOnSimTest::zeroAndShiftZeroSendTheirCommands()
{
    ScopedScriptedBoxes boxes;
    const size_t mark = Start({"--load", "0"});
    Control<QPushButton>(window, "btnClear")->click();
    QVERIFY(sim->WaitForLog("RX AA 01 04 00 00 00 00 B0", 5s));
    QTRY_COMPARE_WITH_TIMEOUT(boxes.Texts(), QStringList{QStringLiteral("手动置零成功！")}, 5000);
    Control<QPushButton>(window, "btnPrint")->click();
    QVERIFY(sim->WaitForLog("RX AA 01 05 00 00 00 00 B1", 5s));
    QCOMPARE(FramesSince(mark),
             (QStringList{"AA 01 04 00 00 00 00 B0", "AA 01 05 00 00 00 00 B1"}));
}

void OperationsOnSimTest::tareAddsTheDisplayedNetWeight()
{
    ScopedScriptedBoxes boxes;
    const size_t mark = Start({"--load", "1.25"});
    QTRY_COMPARE_WITH_TIMEOUT(Control<LedDisplay>(window, "DispValue")->Caption(),
                              QStringLiteral("1.250"), 5000);
    Control<QPushButton>(window, "btnRemove")->click();
    QCOMPARE(Control<QLabel>(window, "lbltare")->text(), QStringLiteral("1.250"));
    QTRY_COMPARE_WITH_TIMEOUT(Control<LedDisplay>(window, "DispValue")->Caption(),
                              QStringLiteral("0.000"), 5000);
    Control<QPushButton>(window, "btnRemove")->click();
    QCOMPARE(Control<QLabel>(window, "lbltare")->text(), QStringLiteral("1.250"));
    QCOMPARE(window->session().weighing().tare, 1.25);
    // Tare lives in the tool only.
    QCOMPARE(FramesSince(mark), QStringList());
    // A zero reply clears the tare but leaves its label as it was.
    Set("load 0");
    Control<QPushButton>(window, "btnClear")->click();
    QTRY_COMPARE_WITH_TIMEOUT(boxes.Texts(), QStringList{QStringLiteral("手动置零成功！")}, 5000);
    QCOMPARE(window->session().weighing().tare, 0.0);
    QCOMPARE(Control<QLabel>(window, "lbltare")->text(), QStringLiteral("1.250"));
}

void OperationsOnSimTest::samplingSwitchReArmsTheDriftMonitor()
{
    Start({"--load", "2"});
    QCOMPARE(Control<QPushButton>(window, "btnStart")->text(), QStringLiteral("开始采样"));
    QVERIFY(
        !Control<QGroupBox>(window, "grp3")->isVisibleTo(Control<QWidget>(window, "TabSheet5")));
    Control<QPushButton>(window, "btnStart")->click();
    QCOMPARE(Control<QPushButton>(window, "btnStart")->text(), QStringLiteral("停止取样"));
    QVERIFY(Control<QGroupBox>(window, "grp3")->isVisibleTo(Control<QWidget>(window, "TabSheet5")));
    QVERIFY(Control<QLineEdit>(window, "edtStartDt")
                ->text()
                .contains(QRegularExpression(
                    QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"))));
    // The next measurement's live AD becomes the base (14000 counts per kg).
    QTRY_COMPARE_WITH_TIMEOUT(Control<QLineEdit>(window, "edtBaseAD")->text(),
                              QStringLiteral("28000"), 5000);
    Control<QPushButton>(window, "btnStart")->click();
    QCOMPARE(Control<QPushButton>(window, "btnStart")->text(), QStringLiteral("开始取样"));
    QVERIFY(Control<QGroupBox>(window, "grp3")->isVisibleTo(Control<QWidget>(window, "TabSheet5")));
    Control<QLineEdit>(window, "edtErrorDt")->setText(QStringLiteral("2020-01-01 00:00:00"));
    Set("load 3");
    Control<QPushButton>(window, "btnStart")->click();
    QCOMPARE(Control<QPushButton>(window, "btnStart")->text(), QStringLiteral("停止取样"));
    QCOMPARE(Control<QLineEdit>(window, "edtErrorDt")->text(), QString());
    QTRY_COMPARE_WITH_TIMEOUT(Control<QLineEdit>(window, "edtBaseAD")->text(),
                              QStringLiteral("42000"), 5000);
}

void OperationsOnSimTest::cityFromTheTableAcknowledged()
{
    ScopedScriptedBoxes boxes;
    const size_t mark = Start();
    ChooseCity(boxes, 8);
    Control<QPushButton>(window, "btn15")->click();
    // 97900 = 0x17E6C
    QCOMPARE(FramesSince(mark, 1), QStringList{"AA 01 F3 6C 7E 01 00 8A"});
    QCOMPARE(Control<QLineEdit>(window, "edtUseCity")->text(), QStringLiteral("台湾[9.79]"));
    QCOMPARE(boxes.Texts(),
             QStringList{QStringLiteral(
                 "选择使用不同区域、对称重示值有一定的影响！请确保使用区域是否正确？")});
    QCOMPARE(window->statusText(), QStringLiteral("设置成功！"));
    QCOMPARE(OpLogEntries(), QStringList{QStringLiteral("设置加速度值,加速度值：9.79")});
    // The dialog is kept for the next choice.
    QVERIFY(window->findChild<CityDialog*>());
    QVERIFY(!window->findChild<CityDialog*>()->isVisible());
}

void OperationsOnSimTest::cityFromTheTableUnanswered()
{
    ScopedScriptedBoxes boxes;
    const size_t mark = Start();
    Set("silent on");
    const QString before = Control<QLineEdit>(window, "edtUseCity")->text();
    ChooseCity(boxes, 3);
    QElapsedTimer waited;
    waited.start();
    Control<QPushButton>(window, "btn15")->click();
    QVERIFY(waited.elapsed() >= 500);
    QCOMPARE(boxes.Texts().last(), QStringLiteral("设置重力加速度错误！请重试！"));
    QCOMPARE(Control<QLineEdit>(window, "edtUseCity")->text(), before);
    QCOMPARE(FramesSince(mark, 1), QStringList{"AA 01 F3 47 7E 01 00 65"}); // 97863
}

void OperationsOnSimTest::cityDialogLeftWithExitSendsNothing()
{
    ScopedScriptedBoxes boxes;
    const size_t mark = Start();
    const QString before = Control<QLineEdit>(window, "edtUseCity")->text();
    WhenModal<CityDialog>([](CityDialog* dialog) {
        Control<QListWidget>(dialog, "lvCityList")->item(8)->setSelected(true);
        Control<QPushButton>(dialog, "btnClose")->click();
    });
    Control<QPushButton>(window, "btn15")->click();
    QCOMPARE(boxes.Texts(), QStringList());
    QCOMPARE(Control<QLineEdit>(window, "edtUseCity")->text(), before);
    QCOMPARE(FramesSentSince(mark), QStringList());
}

void OperationsOnSimTest::calibrationPlaceFromTheTable()
{
    ScopedScriptedBoxes boxes;
    Start({"--gravity-cal", "97799"});
    QCOMPARE(Control<QLineEdit>(window, "edtCity")->text(), QStringLiteral("西藏[9.7799]"));
    ChooseCity(boxes, 0);
    Control<QPushButton>(window, "btnSelCity")->click();
    QCOMPARE(Control<QLineEdit>(window, "edtCity")->text(), QStringLiteral("广东-韶关[9.7894]"));
    Set("silent on");
    ChooseCity(boxes, 1);
    Control<QPushButton>(window, "btnSelCity")->click();
    QCOMPARE(boxes.Texts().last(), QStringLiteral("设置重力加速度错误！请重试！"));
    QCOMPARE(Control<QLineEdit>(window, "edtCity")->text(), QStringLiteral("广东-韶关[9.7894]"));
}

void OperationsOnSimTest::customGravity_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("frame"); // empty: refused, nothing sent
    QTest::addColumn<QString>("place"); // shown after it was set; empty: unchanged
    QTest::newRow("just above 9.6") << "9.60001"
                                    << "AA 01 F3 00 77 01 00 17"
                                    << "自定义[9.6]";
    QTest::newRow("just below 10") << "9.99999"
                                   << "AA 01 F3 A0 86 01 00 C6"
                                   << "自定义[10]";
    QTest::newRow("table value") << "9.7894"
                                 << "AA 01 F3 66 7E 01 00 84"
                                 << "广东-韶关[9.7894]";
    QTest::newRow("9.6") << "9.6"
                         << ""
                         << "";
    QTest::newRow("10") << "10"
                        << ""
                        << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("two points") << "9.7.8"
                                << ""
                                << "";
}

void OperationsOnSimTest::customGravity()
{
    QFETCH(QString, typed);
    QFETCH(QString, frame);
    QFETCH(QString, place);
    ScopedScriptedBoxes boxes;
    const size_t mark = Start();
    const QString useCity = Control<QLineEdit>(window, "edtUseCity")->text();
    Control<QLineEdit>(window, "edtRealAcc")->setText(typed);
    boxes.answers = {true};
    Control<QPushButton>(window, "btnSet")->click();
    const QString question = QStringLiteral(
        "设置使用地重力加速度值、对称重示值有一定的影响！请确保输入的加速度值是否正确？");
    if (frame.isEmpty()) {
        QCOMPARE(boxes.Texts(), (QStringList{question, QStringLiteral("加速度值输入错误！")}));
        QCOMPARE(FramesSince(mark), QStringList());
    } else {
        QCOMPARE(boxes.Texts(), (QStringList{question, QStringLiteral("设置重力加速度成功！")}));
        QCOMPARE(FramesSince(mark, 1), QStringList{frame});
    }
    QCOMPARE(Control<QLineEdit>(window, "edtUseCity")->text(), place.isEmpty() ? useCity : place);
}

// The computed gravity is set as the value computed; once the operator edits
// the field, what he typed is set.
void OperationsOnSimTest::computedGravityIsSetAsComputedUntilEdited()
{
    ScopedScriptedBoxes boxes;
    const size_t mark = Start();
    auto* field = Control<QLineEdit>(window, "edtRealAcc");
    for (const auto& [name, text] :
         {std::pair{"edtHeight", "44"}, {"edt1", "39"}, {"edt2", "54"}, {"edt3", "27"}})
        Control<QLineEdit>(window, name)->setText(QString::fromUtf8(text));
    Control<QPushButton>(window, "btnCalc")->click();
    QCOMPARE(field->text(), QStringLiteral("9.8015"));
    boxes.answers = {true};
    Control<QPushButton>(window, "btnSet")->click();
    QCOMPARE(FramesSince(mark, 1), QStringList{"AA 01 F3 DF 7E 01 00 FD"}); // 98015

    Control<QPushButton>(window, "btnCalc")->click();
    QTest::keyClick(field, Qt::Key_Backspace);
    QCOMPARE(field->text(), QStringLiteral("9.801"));
    boxes.answers = {true};
    Control<QPushButton>(window, "btnSet")->click();
    QCOMPARE(FramesSince(mark, 2),
             (QStringList{"AA 01 F3 DF 7E 01 00 FD", "AA 01 F3 DA 7E 01 00 F8"})); // 98010
    QCOMPARE(boxes.Texts().count(QStringLiteral("设置重力加速度成功！")), 2);
}

// A weight that is no longer the scale's is shown grey: never while
// readings keep coming, soon after they stop ("无数据"), at once when the
// port is lost; tare is refused meanwhile.
void OperationsOnSimTest::staleWeightIsShownGrey()
{
    ScopedScriptedBoxes boxes;
    Start({"--rate", "20"});
    const auto grey = [this] {
        for (const char* name : {"DispValue", "lblValue"})
            if (!Control(window, name)->styleSheet().contains(QStringLiteral("#a0a0a0")))
                return false;
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(!Control(window, "DispValue")->styleSheet().contains("#a0a0a0"), 5000);
    QVERIFY(!Control(window, "lblValue")->styleSheet().contains("#a0a0a0"));
    bool everGrey = false;
    const uint64_t until = window->session().readingsSeen() + 40;
    QDeadlineTimer limit(30000);
    while (window->session().readingsSeen() < until && !limit.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        everGrey = everGrey || Control(window, "DispValue")->styleSheet().contains("#a0a0a0");
    }
    QVERIFY(!limit.hasExpired());
    QVERIFY(!everGrey);

    Set("rate 0");
    QTRY_VERIFY_WITH_TIMEOUT(grey(), 10000);
    QCOMPARE(window->statusText(), QStringLiteral("无数据"));
    Control<QPushButton>(window, "btnRemove")->click();
    QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("没有实时重量，不能去皮！")});

    Set("rate 20");
    QTRY_VERIFY_WITH_TIMEOUT(!Control(window, "DispValue")->styleSheet().contains("#a0a0a0"), 5000);
    sim->Stop();
    QTRY_VERIFY_WITH_TIMEOUT(grey(), 5000);
    QTRY_COMPARE_WITH_TIMEOUT(window->statusText(), QStringLiteral("串口已断开，请重新打开串口！"),
                              5000);
}

void OperationsOnSimTest::calibrationNeedsTheSwitchAndTheDayCodeOpensIt()
{
    ScopedScriptedBoxes boxes;
    const size_t mark = Start({"--switch", "closed"});
    // The click returns once the controller has answered (the record waits
    // for the answer).
    Control<QPushButton>(window, "btnZeroSet")->click();
    QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("请打开标定开关！")});
    QCOMPARE(window->statusText(), QStringLiteral("请打开标定开关！"));
    QCOMPARE(OpLogEntries(), QStringList{QStringLiteral("零点标定")});

    // Three clicks on the value label, then today's code on the keypad.
    const QString code = QString::fromStdString(DailyCode());
    WhenModal<CodeDialog>([code](CodeDialog* dialog) {
        for (QChar digit : code)
            Control<QPushButton>(dialog, qPrintable(QStringLiteral("btn") + digit))->click();
        QCoreApplication::processEvents(); // the keystrokes are posted
        Control<QPushButton>(dialog, "btnOK")->click();
    });
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(Control<QLabel>(window, "lblValue"), Qt::LeftButton);
    QVERIFY(sim->WaitForLog("RX AA 01 F9 00 00 00 00 A5", 5s));
    QCOMPARE(boxes.Texts().size(), 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!window->findChild<CodeDialog*>());

    Control<QPushButton>(window, "btnZeroSet")->click();
    QTRY_COMPARE_WITH_TIMEOUT(window->statusText(), QStringLiteral("零点标定成功！"), 5000);
    Set("load 10");
    Control<QLineEdit>(window, "edtAny")->setText(QStringLiteral("10"));
    Control<QPushButton>(window, "btnAnySet")->click();
    QTRY_COMPARE_WITH_TIMEOUT(window->statusText(), QStringLiteral("任意点标定成功！"), 5000);
    // Each confirmed calibration followed by its record's queries; the
    // parameters asked before a calibration only when one sent since the
    // last report may have changed them.
    const QStringList frames = QStringList{"AA 01 02 00 00 00 00 AE", "AA 01 F9 00 00 00 00 A5",
                                           "AA 01 F6 00 00 00 00 A2", "AA 01 02 00 00 00 00 AE"} +
                               RecordQueries() + QStringList{"AA 01 03 0A 00 00 00 B9"} +
                               RecordQueries();
    QCOMPARE(FramesSince(mark, frames.size()), frames);
    // The tool's lines and the dispatcher's lines for the successes.
    QCOMPARE(OpLogEntries(),
             (QStringList{QStringLiteral("零点标定"), QStringLiteral("零点标定"),
                          QStringLiteral("零点标定成功"), QStringLiteral("标定任一点:10"),
                          QStringLiteral("任意点标定成功")}));

    // A wrong code sends nothing.
    WhenModal<CodeDialog>([](CodeDialog* dialog) {
        Control<QLineEdit>(dialog, "edtInput")->setText(QStringLiteral("x"));
        Control<QPushButton>(dialog, "btnOK")->click();
    });
    for (int i = 0; i < 3; ++i)
        QTest::mouseClick(Control<QLabel>(window, "lblValue"), Qt::LeftButton);
    QCOMPARE(boxes.Texts().last(), QStringLiteral("错误！"));
    QCOMPARE(FramesSentSince(mark).size(), frames.size());
}

void OperationsOnSimTest::anyPointWeightOutsideSixteenBitsIsRefused()
{
    ScopedScriptedBoxes boxes;
    const size_t mark = Start({"--switch", "open"});
    // The operator is on the calibration page: a refused field takes the focus there.
    Control<QTabWidget>(window, "RzPageControl1")
        ->setCurrentWidget(Control<QWidget>(window, "TabSheet12"));
    for (const char* weight : {"70000", "65536", "-1"}) {
        Control<QLineEdit>(window, "edtAny")->setText(QString::fromLatin1(weight));
        Control<QPushButton>(window, "btnZeroSet")->setFocus();
        Control<QPushButton>(window, "btnAnySet")->click();
        QCOMPARE(boxes.Texts().last(), QStringLiteral("任意点重量值超出范围！"));
        QVERIFY(Control<QLineEdit>(window, "edtAny")->hasFocus());
    }
    Control<QLineEdit>(window, "edtAny")->setText(QStringLiteral("65535"));
    Control<QPushButton>(window, "btnAnySet")->click();
    QVERIFY(sim->WaitForLog("RX AA 01 03 FF FF 00 00", 5s));
    // The empty platform has no span, so the controller refuses it and
    // nothing more is asked.
    QCOMPARE(FramesSince(mark), (QStringList{"AA 01 03 FF FF 00 00 AD"}));
    QCOMPARE(OpLogEntries(), QStringList{QStringLiteral("标定任一点:65535")});
}

void OperationsOnSimTest::settingsSendTheirCommands_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("logLine"); // empty: no line
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("answer"); // the dispatcher's status text afterwards
    QTest::newRow("tracking on") << "btn10"
                                 << "设置零点跟踪开始！"
                                 << "设置零点跟踪开始"
                                 << "AA 01 A1 00 00 00 00 4D"
                                 << "零位跟踪配置成功！";
    QTest::newRow("tracking off") << "btn11"
                                  << "关闭零点跟踪开始！"
                                  << "关闭零点跟踪开始"
                                  << "AA 01 A0 00 00 00 00 4C"
                                  << "零位跟踪配置成功！";
    QTest::newRow("tracking query") << "btn12"
                                    << "查询零点跟踪状态开始！"
                                    << ""
                                    << "AA 01 A3 00 00 00 00 4F"
                                    << "零位跟踪状态关！";
    QTest::newRow("beeper on") << "btnOpenBeep"
                               << "设置峰鸣器打开开始！"
                               << "设置峰鸣器开启"
                               << "AA 01 FB 01 00 00 00 A8"
                               << "峰鸣器打开！";
    QTest::newRow("beeper off") << "btnCloseBeep"
                                << "关闭峰鸣器开始！"
                                << "关闭峰鸣器开始"
                                << "AA 01 FB 00 00 00 00 A7"
                                << "峰鸣器关闭！";
    QTest::newRow("beeper query") << "btnQueryBeep"
                                  << "查询峰鸣器状态开始！"
                                  << ""
                                  << "AA 01 FB FF 00 00 00 A6"
                                  << "峰鸣器打开！";
    QTest::newRow("division 5g") << "btnSetPD"
                                 << "设置分度值开始！"
                                 << "设置分度值:5g"
                                 << "AA 01 F4 01 00 00 00 A1"
                                 << "设置成功！";
}

void OperationsOnSimTest::settingsSendTheirCommands()
{
    QFETCH(QString, button);
    QFETCH(QString, status);
    QFETCH(QString, logLine);
    QFETCH(QString, frame);
    QFETCH(QString, answer);
    ScopedScriptedBoxes boxes;
    const size_t mark = Start();
    Control<QComboBox>(window, "cbbFD")->setCurrentIndex(1);
    window->findChild<QPushButton*>(button)->click();
    QCOMPARE(window->statusText(), status);
    QVERIFY(sim->WaitForLog("RX " + frame.toStdString(), 5s));
    QCOMPARE(FramesSince(mark), QStringList{frame});
    QCOMPARE(OpLogEntries(), logLine.isEmpty() ? QStringList() : QStringList{logLine});
    QTRY_COMPARE_WITH_TIMEOUT(window->statusText(), answer, 5000);
}

void OperationsOnSimTest::rangeChangesTheRoundingAtOnce()
{
    ScopedScriptedBoxes boxes;
    const size_t mark = Start({"--load", "1.234", "--range", "3"});
    QTRY_COMPARE_WITH_TIMEOUT(Control<LedDisplay>(window, "DispValue")->Caption(),
                              QStringLiteral("1.234"), 5000);
    Set("rate 0");
    Control<QComboBox>(window, "cbbMaxRange")
        ->setCurrentIndex(
            Control<QComboBox>(window, "cbbMaxRange")->findText(QStringLiteral("750")));
    Control<QPushButton>(window, "btnMaxRange")->click();
    QCOMPARE(window->session().weighing().rangeKg, 750);
    QCOMPARE(window->statusText(), QStringLiteral("设置量程开始！"));
    QVERIFY(sim->WaitForLog("RX AA 01 F5 EE 02 00 00 91", 5s));
    QTRY_COMPARE_WITH_TIMEOUT(boxes.Texts(), QStringList{QStringLiteral("设置量程成功！")}, 5000);
    QCOMPARE(FramesSince(mark), QStringList{"AA 01 F5 EE 02 00 00 91"});
    QCOMPARE(OpLogEntries(),
             (QStringList{QStringLiteral("设置量程:750"), QStringLiteral("设置量程成功")}));
    // The next measurement is rounded to the division of the new range.
    Set("measure");
    QTRY_VERIFY_WITH_TIMEOUT(
        Control<LedDisplay>(window, "DispValue")->Caption() != QStringLiteral("1.234"), 5000);
    QCOMPARE(Control<LedDisplay>(window, "DispValue")->Caption(),
             QStringLiteral("1.250")); // 50 g divisions
}

void OperationsOnSimTest::versionFromAPromptController()
{
    ScopedScriptedBoxes boxes;
    const size_t mark = Start({"--version", "18"});
    Control<QPushButton>(window, "btnReadVer")->click();
    QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("版本号:18")});
    QCOMPARE(FramesSince(mark, 1), QStringList{"AA 01 01 00 00 00 00 AD"});
    QCOMPARE(FramesSentSince(mark + 1), QStringList()); // and nothing after it
}

void OperationsOnSimTest::versionTextWhenTheNumberIsNotAnswered()
{
    ScopedScriptedBoxes boxes;
    const size_t mark = Start({"--version-text", "SCALE V2"});
    Set("silent 01");
    QElapsedTimer waited;
    waited.start();
    Control<QPushButton>(window, "btnReadVer")->click();
    QVERIFY(waited.elapsed() >= 200);
    QVERIFY(sim->WaitForLog("RX AA 01 F2 00 00 00 00 9E", 5s));
    QCOMPARE(FramesSince(mark),
             (QStringList{"AA 01 01 00 00 00 00 AD", "AA 01 F2 00 00 00 00 9E"}));
    QTRY_COMPARE_WITH_TIMEOUT(boxes.Texts(), QStringList{QStringLiteral("版本号:SCALE V2")}, 5000);
}

void OperationsOnSimTest::calibrationLogFromAPromptController()
{
    ScopedScriptedBoxes boxes;
    const size_t mark = Start({"--records", "32", "--rate", "0"});
    QList<QStringList> rows;
    WhenModal<CalibrationLogDialog>([&](CalibrationLogDialog* dialog) {
        const auto* list = Control<QTreeWidget>(dialog, "lvSetLog");
        for (int r = 0; r < list->topLevelItemCount(); ++r) {
            QStringList row;
            for (int c = 0; c < 6; ++c)
                row << list->topLevelItem(r)->text(c);
            rows << row;
        }
        Control<QPushButton>(dialog, "btnExit")->click();
    });
    Control<QPushButton>(window, "btnSetLog")->click();
    QCOMPARE(rows.size(), 32);
    // In request order, numbered as the controller numbers them.
    const QStringList frames = FramesSince(mark, 32);
    QCOMPARE(frames.size(), 32);
    for (int i = 1; i <= 32; ++i) {
        QCOMPARE(rows[i - 1][0], QString::number(i));
        QVERIFY(frames[i - 1].startsWith(
            QStringLiteral("AA 01 F8 %1 00 00 00").arg(i, 2, 16, QChar('0')).toUpper()));
    }
    QCOMPARE(window->session().calibrationLog().size(), size_t{32});
    QCOMPARE(boxes.Texts(), QStringList());
}

// A second query empties the list first: a silent controller then leaves
// the dialog empty, after the 32 waits have run out.
void OperationsOnSimTest::calibrationLogFromASilentController()
{
    Start({"--records", "32", "--rate", "0"});
    const auto closeShowingRows = [](int& rows) {
        WhenModal<CalibrationLogDialog>([&rows](CalibrationLogDialog* dialog) {
            rows = Control<QTreeWidget>(dialog, "lvSetLog")->topLevelItemCount();
            Control<QPushButton>(dialog, "btnExit")->click();
        });
    };
    int rows = -1;
    closeShowingRows(rows);
    Control<QPushButton>(window, "btnSetLog")->click();
    QCOMPARE(rows, 32);

    Set("silent on");
    const size_t mark = sim->ReceivedFrames().size();
    closeShowingRows(rows);
    QElapsedTimer took;
    took.start();
    Control<QPushButton>(window, "btnSetLog")->click();
    QVERIFY(took.elapsed() >= 32 * 200);
    QCOMPARE(rows, 0);
    QVERIFY(window->session().calibrationLog().empty());
    QCOMPARE(FramesSince(mark, 32).size(), 32);
}

void OperationsOnSimTest::printingWithoutPrinterEnablesTheButtonAgain()
{
    ScopedScriptedBoxes boxes;
    Start();
    QVERIFY(Control<QPushButton>(window, "btnPrinte")->isEnabled());
    Control<QPushButton>(window, "btnPrinte")->click();
    // The text ends with a full stop of its own: none is added.
    QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("当前没有选择默认打印机。")});
    QCOMPARE(boxes.shown.front().kind, MessageBoxes::Kind::Error);
    QVERIFY(Control<QPushButton>(window, "btnPrinte")->isEnabled());
}

int main(int argc, char** argv)
{
    const int copy = RunInOwnDirectory(argc, argv);
    if (copy >= 0)
        return copy;
    // No print server: this machine has no printer.
    qputenv("CUPS_SERVER", QByteArray("/nonexistent/cups.sock"));
    qunsetenv("PRINTER");
    qunsetenv("LPDEST");
    QApplication app(argc, argv);
    OperationsOnSimTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "operations_on_sim.moc"
