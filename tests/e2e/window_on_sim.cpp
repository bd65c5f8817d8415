// The main window with its real serial port against scale-sim on a
// pseudo-terminal: opening, the clock and parameter commands, the
// parameter report, the live weight, closing, and the port settings file.
// The opening also through ser2net in front of the pseudo-terminal, as a
// port typed as rfc2217:// and socket://.

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <ctime>
#include <memory>

#include "../ui/own_directory.h"
#include "e2e_harness.h"
#include "scripted_message_boxes.h"
#include "ser2net_process.h"
#include "serial/comm.h"
#include "ui/led_display.h"
#include "ui/main_window.h"
#include "window_controls.h"

using namespace std::chrono_literals;

namespace {

QString SettingsPath() { return OwnDirectory() + QStringLiteral("/datalink.ini"); }

QStringList SettingsLines()
{
    QFile file(SettingsPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines;
    for (const QByteArray& line : file.readAll().split('\n'))
        if (!line.trimmed().isEmpty())
            lines << QString::fromUtf8(line.trimmed());
    return lines;
}

} // namespace

class WindowOnSimTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(SettingsPath());
        QDir(OwnDirectory()).rmdir(QStringLiteral("datalink.ini"));
        window = new MainWindow;
        window->show();
    }
    void cleanup()
    {
        delete window;
        window = nullptr;
    }

    void openShowsTheControllerAndItsWeight_data();
    void openShowsTheControllerAndItsWeight();
    void closeStopsTheLink();
    void settingsWriteFailureStillLeavesThePortClosable();
    void closingTheWindowClosesThePort();
    void aLostDeviceIsReportedAndReopenedWhenItReturns();
    void aPortHandedOverIsOpenedOnceTheOperatorAgrees();

private:
    void Open(const e2e::SimProcess& sim) { Open(sim.PortPath()); }
    void Open(const std::string& port)
    {
        Control<QComboBox>(window, "cbbComm")->setEditText(QString::fromStdString(port));
        Control<QComboBox>(window, "cbbRate")->setEditText(QStringLiteral("115200"));
        Control<QPushButton>(window, "btnOpen")->click();
    }

    MainWindow* window = nullptr;
};

void WindowOnSimTest::openShowsTheControllerAndItsWeight_data()
{
    QTest::addColumn<QString>("transport");
    QTest::newRow("pty") << QString();
    QTest::newRow("rfc2217") << QStringLiteral("rfc2217");
    QTest::newRow("socket") << QStringLiteral("socket");
}

void WindowOnSimTest::openShowsTheControllerAndItsWeight()
{
    QFETCH(QString, transport);
    e2e::SimProcess sim(
        {"--load", "12.5", "--range", "30", "--division", "1", "--gravity-use", "97940"});
    std::unique_ptr<e2e::Ser2NetProcess> server;
    std::string port = sim.PortPath();
    if (!transport.isEmpty()) {
        server = std::make_unique<e2e::Ser2NetProcess>(sim.PortPath());
        port = transport == QStringLiteral("rfc2217") ? server->Rfc2217Url() : server->SocketUrl();
    }
    Open(port);
    QCOMPARE(window->statusText(), QStringLiteral("打开串口成功"));
    QVERIFY(!Control<QPushButton>(window, "btnOpen")->isEnabled());
    for (QWidget* control : {static_cast<QWidget*>(Control<QPushButton>(window, "btnClose")),
                             static_cast<QWidget*>(Control<QPushButton>(window, "btnZeroSet")),
                             static_cast<QWidget*>(Control<QPushButton>(window, "btnAnySet")),
                             static_cast<QWidget*>(Control<QLineEdit>(window, "edtAny")),
                             static_cast<QWidget*>(Control<QPushButton>(window, "btnPrinte"))})
        QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));

    // The clock first, then the parameter request, each after 100 ms.
    QVERIFY(sim.WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s));
    const std::vector<std::string> frames = sim.ReceivedFrames();
    QCOMPARE(frames.size(), size_t{2});
    QVERIFY(QString::fromStdString(frames[0]).startsWith("AA 01 F7 "));

    // The parameter report fills the fields; the weight follows the range.
    QTRY_COMPARE_WITH_TIMEOUT(Control<QComboBox>(window, "cbbMaxRange")->currentText(),
                              QStringLiteral("30"), 5000);
    QCOMPARE(window->session().weighing().rangeKg, 30);
    QCOMPARE(Control<QComboBox>(window, "cbbFD")->currentText(), QStringLiteral("5g"));
    QCOMPARE(Control<QLineEdit>(window, "edtCity")->text(), QStringLiteral("广东-韶关[9.7894]"));
    QVERIFY(Control<QLineEdit>(window, "edtUseCity")->text().endsWith(QStringLiteral("[9.794]")));
    QTRY_COMPARE_WITH_TIMEOUT(Control<QLabel>(window, "lblFDvalue")->text(), QStringLiteral("0.01"),
                              5000);
    QCOMPARE(Control<LedDisplay>(window, "DispValue")->Caption(), QStringLiteral("12.500"));
    QCOMPARE(Control<QLabel>(window, "lblValue")->text(), QStringLiteral("12.500"));
    QVERIFY(sim.Command("load 3.25") == "ok");
    QTRY_COMPARE_WITH_TIMEOUT(Control<LedDisplay>(window, "DispValue")->Caption(),
                              QStringLiteral("3.250"), 5000);

    // The port and rate of the open are remembered, and nothing else.
    QCOMPARE(SettingsLines(), (QStringList{"[CommSet]", "CommNo=" + QString::fromStdString(port),
                                           "BaudRate=115200"}));
    QVERIFY(window->session().receiving());
}

void WindowOnSimTest::closeStopsTheLink()
{
    e2e::SimProcess sim({"--load", "2"});
    Open(sim);
    QTRY_COMPARE_WITH_TIMEOUT(Control<LedDisplay>(window, "DispValue")->Caption(),
                              QStringLiteral("2.000"), 5000);
    Control<QPushButton>(window, "btnClose")->click();
    QCOMPARE(window->statusText(), QStringLiteral("串口关闭！"));
    QVERIFY(Control<QPushButton>(window, "btnOpen")->isEnabled());
    QVERIFY(!Control<QPushButton>(window, "btnClose")->isEnabled());
    QVERIFY(!Control<QLineEdit>(window, "edtAny")->isEnabled());
    QVERIFY(!window->session().connected());
    // Nothing more arrives: what was on its way when the port closed has
    // been handed over by now.
    const size_t sent = sim.ReceivedFrames().size();
    QVERIFY(sim.Command("load 5") == "ok");
    QCoreApplication::processEvents();
    QCOMPARE(Control<LedDisplay>(window, "DispValue")->Caption(), QStringLiteral("2.000"));
    // The port can be opened again; closing sent the controller nothing:
    // the next frames it gets are the new open's clock and parameter request.
    Control<QPushButton>(window, "btnOpen")->click();
    QCOMPARE(window->statusText(), QStringLiteral("打开串口成功"));
    QVERIFY(sim.WaitForFrames(sent + 2, 10s));
    const std::vector<std::string> frames = sim.ReceivedFrames();
    QCOMPARE(frames.size(), sent + 2);
    QVERIFY(frames[sent].starts_with("AA 01 F7"));
    QCOMPARE(frames[sent + 1], std::string("AA 01 F6 00 00 00 00 A2"));
    QTRY_COMPARE_WITH_TIMEOUT(Control<LedDisplay>(window, "DispValue")->Caption(),
                              QStringLiteral("5.000"), 5000);
}

void WindowOnSimTest::settingsWriteFailureStillLeavesThePortClosable()
{
    ScopedScriptedBoxes boxes;
    QVERIFY(QDir(OwnDirectory()).mkdir(QStringLiteral("datalink.ini"))); // cannot be written
    e2e::SimProcess sim({"--load", "1"});
    Open(sim);
    QCOMPARE(boxes.Texts(), QStringList{"Unable to write to " + SettingsPath() + "."});
    QVERIFY(boxes.shown[0].kind == MessageBoxes::Kind::Error);
    // Both commands went out, and the controls say the port is open.
    QVERIFY(sim.WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s));
    QVERIFY(!Control<QPushButton>(window, "btnOpen")->isEnabled());
    QVERIFY(Control<QPushButton>(window, "btnClose")->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(Control<LedDisplay>(window, "DispValue")->Caption(),
                              QStringLiteral("1.000"), 5000);
    Control<QPushButton>(window, "btnClose")->click();
    QVERIFY(!window->session().connected());
    QCOMPARE(window->statusText(), QStringLiteral("串口关闭！"));
}

void WindowOnSimTest::closingTheWindowClosesThePort()
{
    ScopedScriptedBoxes boxes;
    e2e::SimProcess sim;
    Open(sim);
    QVERIFY(window->session().connected());
    boxes.answers = {false};
    QVERIFY(!window->close());
    QVERIFY(window->session().connected()); // Cancel leaves the port open
    boxes.answers = {true};
    QVERIFY(window->close());
    QVERIFY(!window->session().connected());
}

// The simulator ends while it streams, as a pulled adapter: one notice and
// the disconnected state, and the same link reopened on its return (how
// soon, and the CPU while waiting, bench/reconnect_timing.sh measures).
void WindowOnSimTest::aLostDeviceIsReportedAndReopenedWhenItReturns()
{
    const std::string link =
        QDir::temp()
            .filePath(QStringLiteral("scale-window-reconnect-%1").arg(getpid()))
            .toStdString();
    const std::vector<std::string> options{"--link", link, "--load", "1", "--rate", "50"};
    auto sim = std::make_unique<e2e::SimProcess>(options);
    Control<QComboBox>(window, "cbbComm")->setEditText(QString::fromStdString(link));
    Control<QComboBox>(window, "cbbRate")->setEditText(QStringLiteral("115200"));
    Control<QPushButton>(window, "btnOpen")->click();
    QTRY_COMPARE_WITH_TIMEOUT(Control<LedDisplay>(window, "DispValue")->Caption(),
                              QStringLiteral("1.000"), 5000);

    sim->Stop();
    QTRY_COMPARE_WITH_TIMEOUT(window->statusText(), QStringLiteral("串口已断开，正在等待重新连接…"),
                              10000);
    QVERIFY(!Control<QPushButton>(window, "btnOpen")->isEnabled());
    QVERIFY(Control<QPushButton>(window, "btnClose")->isEnabled());
    QVERIFY(!Control<QPushButton>(window, "btnZeroSet")->isEnabled());

    sim = std::make_unique<e2e::SimProcess>(
        std::vector<std::string>{"--link", link, "--load", "2", "--rate", "50"});
    QTRY_COMPARE_WITH_TIMEOUT(Control<LedDisplay>(window, "DispValue")->Caption(),
                              QStringLiteral("2.000"), 10000);
    QVERIFY(Control<QPushButton>(window, "btnZeroSet")->isEnabled());
    QVERIFY(!Control<QPushButton>(window, "btnOpen")->isEnabled());
    QVERIFY(sim->WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s));
    QCOMPARE(sim->ReceivedFrames().size(), size_t{2}); // the clock, then the parameters
    QFile::remove(QString::fromStdString(link));
}

int main(int argc, char** argv)
{
    const int copied = RunInOwnDirectory(argc, argv);
    if (copied >= 0)
        return copied;
    QApplication app(argc, argv);
    WindowOnSimTest test;
    return QTest::qExec(&test, argc, argv);
}
// A second start's port: with a port open the operator is asked first;
// Cancel keeps the port in use, OK closes it and opens the other.
void WindowOnSimTest::aPortHandedOverIsOpenedOnceTheOperatorAgrees()
{
    ScopedScriptedBoxes boxes;
    e2e::SimProcess first({"--load", "1"});
    e2e::SimProcess second({"--load", "3"});
    Open(first);
    QVERIFY(first.WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s));
    const QString secondPort = QString::fromStdString(second.PortPath());

    boxes.answers = {false};
    window->openHandedOverPort(secondPort);
    QCOMPARE(boxes.Texts(),
             QStringList{QStringLiteral("串口 %1 正在使用，是否关闭它并打开 %2？")
                             .arg(QString::fromStdString(first.PortPath()), secondPort)});
    QVERIFY(window->session().connected());
    QCOMPARE(window->session().portName(), first.PortPath());

    boxes.answers = {true};
    window->openHandedOverPort(secondPort);
    QVERIFY(second.WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s));
    QCOMPARE(window->session().portName(), second.PortPath());
    QTRY_COMPARE_WITH_TIMEOUT(Control<LedDisplay>(window, "DispValue")->Caption(),
                              QStringLiteral("3.000"), 5000);
}

#include "window_on_sim.moc"
