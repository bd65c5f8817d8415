// TComm, set up as the session sets up the scale line, next to QSerialPort
// on the same kind of pseudo-terminal, both delivering to a Qt event loop on
// the main thread (as in the window):
//  - receive throughput of a 16 MB flood, and CPU time per MB;
//  - latency of a single 19-byte frame (far end's write to the data event);
//  - latency of each frame while frames come at the line rate of 115200
//    baud (606 frames/s, 19 bytes each), paced by a writer thread.
// The two run in interleaved rounds; per figure the minimum, median and
// maximum of the rounds and of the per-round ratio TComm / QSerialPort.
// QSerialPort is a dependency of this benchmark only.
// Usage: bench_serial_vs_qt [ROUNDS [comm|qt]]   (default 5 rounds of all)

#include "pseudo_terminal.h"
#include "serial/comm.h"
#include "session/scale_line.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t kFloodBytes = 16u << 20;
constexpr size_t kFrameBytes = 19;
constexpr int kSingleFrames = 500;
constexpr double kLineFramesPerSecond = 606;
constexpr int kLineFrames = 1800; // about 3 s at the line rate

double ProcessCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * double(values.size() - 1))];
}

// Runs the event loop, sleeping while nothing happens, until `done` holds
// or `limit` has passed.
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 60s)
{
    const auto end = Clock::now() + limit;
    QTimer tick; // wakes the loop now and then to look at the clock
    tick.start(50);
    while (!done()) {
        if (Clock::now() > end)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// A receiver on the slave of `pty`: counts bytes on the main thread and
// notes when the last data event ran.
class Receiver {
public:
    virtual ~Receiver() = default;
    virtual bool Open(const std::string& path) = 0;
    size_t received = 0;
    Clock::time_point lastArrival;
    std::function<void(size_t total)> onData; // after each data event

protected:
    void Arrived(size_t bytes)
    {
        received += bytes;
        lastArrival = Clock::now();
        if (onData)
            onData(received);
    }
};

class CommReceiver : public Receiver {
public:
    CommReceiver()
        : comm([this](std::function<void()> fn) {
              QMetaObject::invokeMethod(&context, std::move(fn), Qt::QueuedConnection);
          })
    {
        ApplyScaleLineSettings(comm);
        comm.SetBaudRate(115200);
        comm.OnReceiveData = [this](TComm*, const void*, uint16_t length) { Arrived(length); };
    }
    bool Open(const std::string& path) override
    {
        comm.SetCommName(path);
        return comm.StartComm() == 1;
    }

private:
    QObject context;
    TComm comm;
};

class QtReceiver : public Receiver {
public:
    QtReceiver()
    {
        QObject::connect(&port, &QSerialPort::readyRead, [this] {
            for (qint64 n; (n = port.read(buffer.data(), qint64(buffer.size()))) > 0;)
                Arrived(size_t(n));
        });
    }
    bool Open(const std::string& path) override
    {
        port.setPortName(QString::fromStdString(path));
        port.setBaudRate(115200);
        port.setFlowControl(QSerialPort::NoFlowControl);
        return port.open(QIODevice::ReadWrite);
    }

private:
    QSerialPort port;
    std::vector<char> buffer = std::vector<char>(64 * 1024);
};

struct Figures {
    double mbPerSecond = 0;
    double cpuMsPerMb = 0;
    double singleP50 = 0, singleP99 = 0;
    double lineP50 = 0, lineP99 = 0;
};

std::unique_ptr<Receiver> Make(bool qt)
{
    if (qt)
        return std::make_unique<QtReceiver>();
    return std::make_unique<CommReceiver>();
}

void Throughput(bool qt, Figures& f)
{
    Pty pty;
    auto receiver = Make(qt);
    if (!receiver->Open(pty.SlavePath()))
        throw std::runtime_error("cannot open the pty");
    RunUntil([] { return false; }, 50ms); // past the start
    const double cpuBefore = ProcessCpuMs();
    const auto start = Clock::now();
    std::thread writer([&] {
        std::vector<uint8_t> block(4096, 0x5A);
        for (size_t sent = 0; sent < kFloodBytes;) {
            const ssize_t n = write(pty.Master(), block.data(), block.size());
            if (n <= 0)
                return;
            sent += size_t(n);
        }
    });
    RunUntil([&] { return receiver->received >= kFloodBytes; });
    const auto end = receiver->lastArrival;
    writer.join();
    const double mb = double(receiver->received) / 1e6;
    f.mbPerSecond = mb / std::chrono::duration<double>(end - start).count();
    f.cpuMsPerMb = (ProcessCpuMs() - cpuBefore) / mb;
}

void SingleFrameLatency(bool qt, Figures& f)
{
    Pty pty;
    auto receiver = Make(qt);
    if (!receiver->Open(pty.SlavePath()))
        throw std::runtime_error("cannot open the pty");
    RunUntil([] { return false; }, 50ms);
    const std::vector<uint8_t> frame(kFrameBytes, 0xAA);
    std::vector<double> latencies;
    for (int i = 0; i < kSingleFrames; ++i) {
        const size_t expected = receiver->received + frame.size();
        const auto sent = Clock::now();
        pty.Write(frame);
        RunUntil([&] { return receiver->received >= expected; });
        latencies.push_back(Ms(receiver->lastArrival - sent));
    }
    f.singleP50 = Percentile(latencies, 0.5);
    f.singleP99 = Percentile(latencies, 0.99);
}

// Frame k is whole once 19 (k + 1) bytes have arrived; its latency is from
// its write to that data event.
void LineRateLatency(bool qt, Figures& f)
{
    Pty pty;
    auto receiver = Make(qt);
    if (!receiver->Open(pty.SlavePath()))
        throw std::runtime_error("cannot open the pty");
    RunUntil([] { return false; }, 50ms);
    std::vector<Clock::time_point> sentAt(kLineFrames);
    std::atomic<int> written{0};
    std::vector<double> latencies;
    size_t whole = 0;
    receiver->onData = [&](size_t total) {
        const auto now = Clock::now();
        const size_t frames = std::min<size_t>(total / kFrameBytes, size_t(written.load()));
        for (; whole < frames; ++whole)
            latencies.push_back(Ms(now - sentAt[whole]));
    };
    std::thread writer([&] {
        const std::vector<uint8_t> frame(kFrameBytes, 0xAA);
        const auto period = std::chrono::duration<double>(1.0 / kLineFramesPerSecond);
        const auto start = Clock::now();
        for (int k = 0; k < kLineFrames; ++k) {
            std::this_thread::sleep_until(start +
                                          std::chrono::duration_cast<Clock::duration>(period * k));
            sentAt[size_t(k)] = Clock::now();
            written = k + 1; // published before the bytes can arrive
            pty.Write(frame);
        }
    });
    RunUntil([&] { return whole >= size_t(kLineFrames); });
    writer.join();
    f.lineP50 = Percentile(latencies, 0.5);
    f.lineP99 = Percentile(latencies, 0.99);
}

Figures Measure(bool qt)
{
    Figures f;
    Throughput(qt, f);
    SingleFrameLatency(qt, f);
    LineRateLatency(qt, f);
    return f;
}

void Row(const char* name, const std::vector<double>& comm, const std::vector<double>& qt)
{
    std::vector<double> ratio;
    for (size_t i = 0; i < comm.size(); ++i)
        ratio.push_back(qt[i] != 0 ? comm[i] / qt[i] : 0);
    std::printf("%-24s %9.3f %9.3f %9.3f | %9.3f %9.3f %9.3f | %7.2f %7.2f %7.2f\n", name,
                Percentile(comm, 0), Percentile(comm, 0.5), Percentile(comm, 1), Percentile(qt, 0),
                Percentile(qt, 0.5), Percentile(qt, 1), Percentile(ratio, 0),
                Percentile(ratio, 0.5), Percentile(ratio, 1));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    // "comm" or "qt" as a second argument: only that one's flood, for a profiler.
    if (argc > 2) {
        Figures f;
        for (int round = 0; round < rounds; ++round)
            Throughput(std::string(argv[2]) == "qt", f);
        std::printf("%.1f MB/s, %.2f ms CPU per MB\n", f.mbPerSecond, f.cpuMsPerMb);
        return 0;
    }
    std::vector<Figures> comm, qt;
    for (int round = 0; round < rounds; ++round) {
        // Alternate which goes first, so neither always meets a warmer machine.
        const bool qtFirst = round % 2 == 1;
        Figures a = Measure(qtFirst);
        Figures b = Measure(!qtFirst);
        comm.push_back(qtFirst ? b : a);
        qt.push_back(qtFirst ? a : b);
    }
    const auto column = [](const std::vector<Figures>& all, double Figures::*field) {
        std::vector<double> values;
        for (const Figures& f : all)
            values.push_back(f.*field);
        return values;
    };
    std::printf("%d interleaved rounds; min median max\n", rounds);
    std::printf("%-24s %29s | %29s | %23s\n", "", "TComm (scale line)", "QSerialPort",
                "ratio TComm/QSerialPort");
    const struct {
        const char* name;
        double Figures::*field;
    } rows[] = {
        {"throughput MB/s", &Figures::mbPerSecond},   {"CPU ms per MB", &Figures::cpuMsPerMb},
        {"single frame p50 ms", &Figures::singleP50}, {"single frame p99 ms", &Figures::singleP99},
        {"606 frames/s p50 ms", &Figures::lineP50},   {"606 frames/s p99 ms", &Figures::lineP99},
    };
    for (const auto& row : rows)
        Row(row.name, column(comm, row.field), column(qt, row.field));
    return 0;
}
