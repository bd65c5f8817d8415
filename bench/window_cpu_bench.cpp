// CPU of the main window while scale-sim streams at the full rate of a
// 115200-baud line (about 600 frames/s), in a process of its own and with
// the result log on, as bench/measure_tool.sh runs the program: once with
// the calibration page in front (as the program starts), once with the
// weighing page and its trend in front, sampling on (the alarm band drawn).
// The whole process counts: the window's thread and the port's threads.
//
//   bench_window_cpu PAGE SPAN_MINUTES SECONDS
//     PAGE: calibration or weighing; SPAN_MINUTES: 1, 5 or 15
// Prints one line: "CPU ...: X % of one core (N frames shown, R/s, over S s)".

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <string>

#include "app_core/log_files.h"
#include "e2e_harness.h"
#include "own_directory.h"
#include "ui/main_window.h"
#include "window_controls.h"

namespace {

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

qint64 ResultLines()
{
    QFile log(QString::fromStdString(ResultLogPath()));
    if (!log.open(QIODevice::ReadOnly))
        return 0;
    return log.readAll().count('\n');
}

void Run(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    const int copy = RunInOwnDirectory(argc, argv);
    if (copy >= 0)
        return copy;
    if (argc != 4) {
        std::fprintf(stderr, "usage: bench_window_cpu calibration|weighing 1|5|15 SECONDS\n");
        return 2;
    }
    const std::string page = argv[1];
    const int span = std::stoi(argv[2]);
    const int seconds = std::stoi(argv[3]);
    QApplication app(argc, argv);

    e2e::SimProcess sim(
        {"--rate", "max", "--baud", "115200", "--load", "2.5", "--log", "/dev/null"});
    MainWindow window;
    window.resize(1314, 820);
    window.show();
    Control<QComboBox>(&window, "cbbComm")->setEditText(QString::fromStdString(sim.PortPath()));
    Control<QComboBox>(&window, "cbbRate")->setEditText(QStringLiteral("115200"));
    Control<QPushButton>(&window, "btnOpen")->click();
    if (page == "weighing") {
        Control<QTabWidget>(&window, "RzPageControl1")
            ->setCurrentWidget(Control(&window, "TabSheet5"));
        auto* spans = Control<QComboBox>(&window, "cbbTrendSpan");
        spans->setCurrentIndex(spans->findData(span));
        Control<QPushButton>(&window, "btnStart")->click();
    }
    // The one-minute trend fills first, so that the measured drawing has a
    // full chart's worth of points.
    Run(page == "weighing" && span == 1 ? 60000 : 5000);

    const double cpu0 = ProcessCpuSeconds();
    const qint64 lines0 = ResultLines();
    Run(seconds * 1000);
    const double cpu = ProcessCpuSeconds() - cpu0;
    const qint64 frames = ResultLines() - lines0;
    std::printf("CPU with the %s page in front%s: %.1f %% of one core (%lld frames shown, %.0f/s, "
                "over %d s)\n",
                page.c_str(),
                page == "weighing" ? (", trend " + std::to_string(span) + " min").c_str() : "",
                100.0 * cpu / seconds, static_cast<long long>(frames),
                static_cast<double>(frames) / seconds, seconds);
    window.session().shutDown();
    return 0;
}
