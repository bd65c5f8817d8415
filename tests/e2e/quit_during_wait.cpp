// Closing the tool while an operation waits for the controller: every wait
// ends at once and the operation stops there, instead of running (and
// spinning) until its deadline. In a program of its own, since once the
// application quits no event loop of the process runs again.

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>

#include "../ui/own_directory.h"
#include "app/delay.h"
#include "e2e_harness.h"
#include "scripted_message_boxes.h"
#include "ui/main_window.h"
#include "window_controls.h"

using namespace std::chrono_literals;

class QuitDuringWaitTest : public QObject {
    Q_OBJECT

private slots:
    void closingDuringTheLogQueryEndsItsWaitsAtOnce()
    {
        ScopedScriptedBoxes boxes;
        boxes.answers = {true}; // "您确定要退出系统吗？": OK
        e2e::SimProcess sim({"--records", "32", "--rate", "0"});
        MainWindow window;
        window.show();
        Control<QComboBox>(&window, "cbbComm")->setEditText(QString::fromStdString(sim.PortPath()));
        Control<QComboBox>(&window, "cbbRate")->setEditText(QStringLiteral("115200"));
        Control<QPushButton>(&window, "btnOpen")->click();
        QTRY_VERIFY_WITH_TIMEOUT(Control<QComboBox>(&window, "cbbMaxRange")->currentIndex() >= 0,
                                 5000);
        QCOMPARE(QString::fromStdString(sim.Command("silent on")), QStringLiteral("ok"));

        // Closed once the query is under way: its first request has reached
        // the controller (looked for as the window waits for its answer).
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, &window, [&] {
            for (const std::string& frame : sim.ReceivedFrames()) {
                if (frame.rfind("AA 01 F8", 0) == 0) {
                    closer.stop();
                    window.close();
                    QCoreApplication::exit(0);
                    return;
                }
            }
        });
        closer.start(10);
        Control<QPushButton>(&window, "btnSetLog")->click(); // 32 waits of 200 ms: 6.4 s
        // The query stopped where it was: far from all 32 requests went out
        // (the CPU of such waits, bench/delay_bench.cpp measures).
        size_t requests = 0;
        for (const std::string& frame : sim.ReceivedFrames())
            requests += frame.rfind("AA 01 F8", 0) == 0 ? 1 : 0;
        QVERIFY2(requests < 16, qPrintable(QString::number(requests)));
        QVERIFY(ApplicationEnding());
        QCOMPARE(boxes.Texts(), QStringList{QStringLiteral("您确定要退出系统吗？")});
        // No log dialog was opened after the query stopped.
        QVERIFY(!QApplication::activeModalWidget());
    }
};

int main(int argc, char** argv)
{
    const int copy = RunInOwnDirectory(argc, argv);
    if (copy >= 0)
        return copy;
    QApplication app(argc, argv);
    QuitDuringWaitTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "quit_during_wait.moc"
