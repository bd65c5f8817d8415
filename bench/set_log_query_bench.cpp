// The calibration-log query (32 records) of the main window against
// scale-sim in a process of its own: wall time and the tool's CPU time
// (the whole process: the window's thread and the port's two threads).
// A prompt controller ends every wait at its record; a silent one lets
// each of the 32 waits run its 200 ms.
//
//   bench_set_log_query [--benchmark_...]     (QT_QPA_PLATFORM=offscreen)

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>

#include <benchmark/benchmark.h>

#include "e2e_harness.h"
#include "ui/calibration_log_dialog.h"
#include "ui/main_window.h"
#include "window_controls.h"

namespace {

// Closes each calibration-log dialog as soon as it is shown (no timer runs
// meanwhile, so the measured CPU time is the tool's alone).
class LogDialogCloser : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* dialog = qobject_cast<CalibrationLogDialog*>(watched))
                QTimer::singleShot(0, dialog, [dialog] { dialog->done(0); });
        return false;
    }
};

void RunQueries(benchmark::State& state, const std::vector<std::string>& simOptions)
{
    e2e::SimProcess sim(simOptions);
    MainWindow window;
    window.show();
    Control<QComboBox>(&window, "cbbComm")->setEditText(QString::fromStdString(sim.PortPath()));
    Control<QComboBox>(&window, "cbbRate")->setEditText(QStringLiteral("115200"));
    Control<QPushButton>(&window, "btnOpen")->click();
    if (!sim.WaitForLog("RX AA 01 F6", std::chrono::seconds(5))) {
        state.SkipWithError("the window did not reach the simulator");
        return;
    }
    if (sim.Command("rate 0") != "ok" || sim.Command("records 32") != "ok") {
        state.SkipWithError("the simulator refused its settings");
        return;
    }
    LogDialogCloser closer;
    qApp->installEventFilter(&closer);
    size_t records = 0;
    for (auto _ : state) {
        Control<QPushButton>(&window, "btnSetLog")->click();
        records = window.session().calibrationLog().size();
    }
    state.counters["records"] = static_cast<double>(records);
    qApp->removeEventFilter(&closer);
}

void BM_SetLogQueryPrompt(benchmark::State& state) { RunQueries(state, {"--rate", "0"}); }
void BM_SetLogQuerySilent(benchmark::State& state)
{
    RunQueries(state, {"--rate", "0", "--silent", "on"});
}

} // namespace

// Process CPU time against wall time: the waits must block, not spin.
BENCHMARK(BM_SetLogQueryPrompt)
    ->Iterations(20)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SetLogQuerySilent)
    ->Iterations(1)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                    : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
