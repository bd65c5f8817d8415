// "探测" in the main window against scale-sim: of two ports listed, the one
// with the simulator behind it is marked, the silent one is not; the port
// the window has open is marked without being asked.

#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTest>

#include <pty.h>
#include <unistd.h>

#include "../ui/own_directory.h"
#include "../ui/port_tree.h"
#include "e2e_harness.h"
#include "scripted_message_boxes.h"
#include "ui/main_window.h"
#include "ui/port_box.h"
#include "ui/weighing_page.h"
#include "window_controls.h"

using namespace std::chrono_literals;

class ProbeOnSimTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        int slave = -1;
        char name[128] = {};
        QCOMPARE(openpty(&silentMaster, &slave, name, nullptr, nullptr), 0);
        close(slave);
        sim = std::make_unique<e2e::SimProcess>(std::vector<std::string>{"--load", "2.5"});
        tree = std::make_unique<PortTree>();
        tree->Add(QStringLiteral("ttyUSB0"), QString::fromLocal8Bit(name),
                  QStringLiteral("FT232R USB UART"));
        tree->Add(QStringLiteral("ttyUSB1"), QString::fromStdString(sim->PortPath()),
                  QStringLiteral("CP2102 USB to UART"));
        window = new MainWindow;
        window->show();
        Control<WeighingPage>(window, "TabSheet5")->setPortDiscoveryRoots(tree->Roots());
        box = Control<PortBox>(window, "cbbComm");
        Control<QComboBox>(window, "cbbRate")->setEditText(QStringLiteral("115200"));
    }
    void cleanup()
    {
        window->session().shutDown();
        delete window;
        window = nullptr;
        sim.reset();
        tree.reset();
        close(silentMaster);
    }

    void onlyThePortWithTheControllerIsMarked()
    {
        const QString silent = tree->ById(PortTree::ByIdName(QStringLiteral("ttyUSB0")));
        const QString scale = tree->ById(PortTree::ByIdName(QStringLiteral("ttyUSB1")));
        QCOMPARE(box->itemText(0), silent);
        QCOMPARE(box->itemText(1), scale);
        box->setEditText(QStringLiteral("Com4"));

        Control<QPushButton>(window, "btnProbe")->click();
        QCOMPARE(window->statusText(), QStringLiteral("正在探测串口…"));
        QTRY_VERIFY_WITH_TIMEOUT(Control<QPushButton>(window, "btnProbe")->isEnabled(), 10000);
        QCOMPARE(window->statusText(), QStringLiteral("探测完成，有应答的串口数：1"));

        QCOMPARE(box->itemData(0, PortBox::AnswersRole), QVariant(false));
        QCOMPARE(box->itemData(1, PortBox::AnswersRole), QVariant(true));
        QCOMPARE(box->caption(1), scale + "  " + PortBox::kAnswerMark + "  — CP2102 USB to UART");
        QVERIFY(!box->caption(0).contains(PortBox::kAnswerMark));
        // The names stay clean, and what was typed stays typed.
        QCOMPARE(box->itemText(1), scale);
        QCOMPARE(box->currentText(), QStringLiteral("Com4"));
        QVERIFY(sim->WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s));
        QCOMPARE(sim->ReceivedFrames().size(), size_t{1});

        // The marked port is chosen and opened under its by-id name.
        box->setCurrentIndex(1);
        Control<QPushButton>(window, "btnOpen")->click();
        QCOMPARE(window->statusText(), QStringLiteral("打开串口成功"));
        QVERIFY(window->session().connected());
    }

    void theOpenPortIsMarkedWithoutBeingAsked()
    {
        box->setEditText(QString::fromStdString(sim->PortPath()));
        Control<QPushButton>(window, "btnOpen")->click();
        QVERIFY(sim->WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s)); // the last of the open's
        const size_t framesAtOpen = sim->ReceivedFrames().size();

        Control<QPushButton>(window, "btnProbe")->click();
        QTRY_VERIFY_WITH_TIMEOUT(Control<QPushButton>(window, "btnProbe")->isEnabled(), 10000);
        QCOMPARE(window->statusText(), QStringLiteral("探测完成，有应答的串口数：1"));
        QCOMPARE(box->itemData(1, PortBox::AnswersRole), QVariant(true));
        QCOMPARE(box->itemData(0, PortBox::AnswersRole), QVariant(false));
        // Nothing was sent: the next frame the simulator gets is the window's
        // next request.
        ScopedScriptedBoxes boxes;
        Control<QPushButton>(window, "btnReadVer")->click();
        QVERIFY(sim->WaitForLog("RX AA 01 01 00 00 00 00 AD", 10s));
        QCOMPARE(sim->ReceivedFrames().size(), framesAtOpen + 1);
        QVERIFY(window->session().connected());
        QCOMPARE(box->currentText(), QString::fromStdString(sim->PortPath()));
    }

    // With no port remembered, the start probes the devices present and
    // opens the first that answers, under its by-id name, and remembers it.
    void aFirstStartOpensTheFirstPortThatAnswers()
    {
        QFile::remove(SettingsPath());
        const QString scale = tree->ById(PortTree::ByIdName(QStringLiteral("ttyUSB1")));
        window->openRememberedPort();
        QTRY_VERIFY_WITH_TIMEOUT(window->session().connected(), 10000);
        QCOMPARE(QString::fromStdString(window->session().portName()), scale);
        QVERIFY(sim->WaitForLog("RX AA 01 F6 00 00 00 00 A2", 5s));
        QCOMPARE(window->statusText(), QStringLiteral("打开串口成功"));
        QTRY_VERIFY(SettingsText().contains("CommNo=" + scale));
    }

    // When no device answers, nothing is opened and the status says that
    // no port is chosen; the list shows the devices found.
    void aFirstStartWithoutAnAnsweringPortSaysSo()
    {
        QFile::remove(SettingsPath());
        tree->Remove(QStringLiteral("ttyUSB1"));
        Control<WeighingPage>(window, "TabSheet5")->refreshPorts();
        window->openRememberedPort();
        QCOMPARE(window->statusText(), QStringLiteral("正在探测串口…"));
        QTRY_COMPARE_WITH_TIMEOUT(window->statusText(), QStringLiteral("未选择串口"), 10000);
        QVERIFY(!window->session().connected());
        QCOMPARE(box->itemText(0), tree->ById(PortTree::ByIdName(QStringLiteral("ttyUSB0"))));
        QCOMPARE(box->presentPorts().size(), 1);
        QVERIFY(sim->ReceivedFrames().empty());
        QVERIFY(!QFile::exists(SettingsPath()));
    }

private:
    static QString SettingsPath() { return OwnDirectory() + QStringLiteral("/datalink.ini"); }
    static QString SettingsText()
    {
        QFile file(SettingsPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    int silentMaster = -1;
    std::unique_ptr<e2e::SimProcess> sim;
    std::unique_ptr<PortTree> tree;
    MainWindow* window = nullptr;
    PortBox* box = nullptr;
};

int main(int argc, char** argv)
{
    const int copied = RunInOwnDirectory(argc, argv);
    if (copied >= 0)
        return copied;
    QApplication app(argc, argv);
    ProbeOnSimTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "probe_on_sim.moc"
