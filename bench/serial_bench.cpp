// The serial component on pseudo-terminals: receive throughput next to a
// plain blocking read() loop, latency from the far end's write to the data
// event, CPU time of an idle open port and of one whose far end hung up, and
// how long StopComm takes.

#include "post_queue.h"
#include "pseudo_terminal.h"
#include "serial/comm.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr size_t kFloodBytes = 8u << 20;
constexpr int kRounds = 15;
constexpr uint32_t kAppInterval =
    10; // an interval reader (the scale line delivers at once: serial_vs_qt_bench)

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Writes `total` bytes into the master as fast as the pty takes them.
std::thread Flood(int master, size_t total)
{
    return std::thread([master, total] {
        std::vector<uint8_t> block(4096, 0x5A);
        size_t sent = 0;
        while (sent < total) {
            ssize_t n = write(master, block.data(), std::min(block.size(), total - sent));
            if (n <= 0)
                return;
            sent += static_cast<size_t>(n);
        }
    });
}

double ProcessCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// One flood through a receiving loop: bytes per second, and CPU time of
// the whole process (far end, reader, owner's thread) per megabyte.
struct Rate {
    double bytesPerSecond = 0;
    double cpuMsPerMB = 0;
};

template <typename Receive> Rate Measure(int master, Receive receive)
{
    const double cpuBefore = ProcessCpuMs();
    const auto start = Clock::now();
    std::thread writer = Flood(master, kFloodBytes);
    const size_t received = receive();
    const double seconds = Seconds(Clock::now() - start);
    writer.join();
    return {received / seconds, (ProcessCpuMs() - cpuBefore) / (received / 1e6)};
}

// The machine's limit: one thread in blocking read() on the raw slave.
Rate PlainRead()
{
    Pty pty;
    int fd = open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    tcsetattr(fd, TCSANOW, &t);
    Rate rate = Measure(pty.Master(), [fd] {
        std::vector<uint8_t> buffer(2048);
        size_t received = 0;
        while (received < kFloodBytes) {
            ssize_t n = read(fd, buffer.data(), buffer.size());
            if (n <= 0)
                break;
            received += static_cast<size_t>(n);
        }
        return received;
    });
    close(fd);
    return rate;
}

struct OpenComm {
    explicit OpenComm(uint32_t interval) : comm(queue.Poster())
    {
        comm.SetCommName(pty.SlavePath());
        comm.SetReadIntervalTimeout(interval);
        comm.SetOutx_XonXoffFlow(false);
        int empties = 0;
        comm.OnSendDataEmpty = [&](TComm*) { ++empties; };
        if (comm.StartComm() != 1 || !queue.RunUntil([&] { return empties == 1; }))
            throw std::runtime_error("cannot open the pty");
        comm.OnSendDataEmpty = nullptr;
    }

    PostQueue queue;
    Pty pty;
    TComm comm;
};

// Bytes counted in OnReceiveData on the owner's thread.
Rate CommRead()
{
    OpenComm open(kAppInterval);
    size_t received = 0;
    open.comm.OnReceiveData = [&](TComm*, const void*, uint16_t length) { received += length; };
    return Measure(open.pty.Master(), [&] {
        open.queue.RunUntil([&] { return received >= kFloodBytes; }, 60s);
        return received;
    });
}

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * (values.size() - 1))];
}

} // namespace

// A pty's rate on a shared two-core machine varies by a factor of two from
// run to run, so the two loops alternate in many short rounds and medians
// are compared: of the rates, of the per-round ratios, and of the CPU time.
static void BM_ReceiveThroughput(benchmark::State& state)
{
    std::vector<double> plainRate, commRate, ratio, plainCpu, commCpu;
    for (auto _ : state) {
        for (int round = 0; round < kRounds; ++round) {
            Rate plain = PlainRead();
            Rate comm = CommRead();
            plainRate.push_back(plain.bytesPerSecond / 1e6);
            commRate.push_back(comm.bytesPerSecond / 1e6);
            ratio.push_back(comm.bytesPerSecond / plain.bytesPerSecond);
            plainCpu.push_back(plain.cpuMsPerMB);
            commCpu.push_back(comm.cpuMsPerMB);
        }
    }
    state.counters["plain_read_MBps"] = Percentile(plainRate, 0.5);
    state.counters["TComm_MBps"] = Percentile(commRate, 0.5);
    state.counters["ratio"] = Percentile(ratio, 0.5);
    state.counters["plain_cpu_ms_per_MB"] = Percentile(plainCpu, 0.5);
    state.counters["TComm_cpu_ms_per_MB"] = Percentile(commCpu, 0.5);
}
BENCHMARK(BM_ReceiveThroughput)->Iterations(1)->Unit(benchmark::kMillisecond);

static void BM_ReceiveLatency(benchmark::State& state)
{
    std::vector<double> latencies;
    for (auto _ : state) {
        OpenComm open(kAppInterval);
        Clock::time_point arrived;
        size_t received = 0;
        open.comm.OnReceiveData = [&](TComm*, const void*, uint16_t length) {
            received += length;
            arrived = Clock::now();
        };
        const std::vector<uint8_t> frame(19, 0xAA);
        for (int i = 0; i < 1000; ++i) {
            const size_t expected = received + frame.size();
            const auto sent = Clock::now();
            open.pty.Write(frame);
            open.queue.RunUntil([&] { return received >= expected; });
            latencies.push_back(Ms(arrived - sent));
        }
    }
    state.counters["interval_ms"] = kAppInterval;
    state.counters["median_ms"] = Percentile(latencies, 0.5);
    state.counters["p99_ms"] = Percentile(latencies, 0.99);
    state.counters["max_ms"] = Percentile(latencies, 1.0);
}
BENCHMARK(BM_ReceiveLatency)->Iterations(1)->Unit(benchmark::kMillisecond);

static void BM_IdleOpenPortCpu(benchmark::State& state)
{
    double used = 0;
    for (auto _ : state) {
        OpenComm open(kAppInterval);
        const double before = ProcessCpuMs();
        std::this_thread::sleep_for(5s);
        used = ProcessCpuMs() - before;
    }
    state.counters["cpu_ms_in_5s"] = used;
}
BENCHMARK(BM_IdleOpenPortCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

// After the far end has hung up, while the port stays open until StopComm:
// nothing may spin on the dead line (the tests only count the hang-up
// request).
static void BM_HungUpPortCpu(benchmark::State& state)
{
    double used = 0;
    for (auto _ : state) {
        OpenComm open(kAppInterval);
        int hangups = 0;
        open.comm.OnRequestHangup = [&](TComm*) { ++hangups; };
        open.pty.CloseMaster();
        open.queue.RunUntil([&] { return hangups > 0; });
        const double before = ProcessCpuMs();
        open.queue.RunFor(5s);
        used = ProcessCpuMs() - before;
    }
    state.counters["cpu_ms_in_5s"] = used;
}
BENCHMARK(BM_HungUpPortCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

// StopComm while bytes stream in (arg 0) and while a write is held by the
// far end's XOFF (arg 1); 20 stops each.
static void BM_StopCommTime(benchmark::State& state)
{
    const bool heldWrite = state.range(0) == 1;
    std::vector<double> times;
    for (auto _ : state) {
        for (int i = 0; i < 20; ++i) {
            OpenComm open(kAppInterval);
            size_t received = 0;
            open.comm.OnReceiveData = [&](TComm*, const void*, uint16_t length) {
                received += length;
            };
            std::atomic<bool> stop{false};
            std::thread flood;
            if (heldWrite) {
                open.comm.SetOutx_XonXoffFlow(true);
                open.pty.Write({0x13, 'M'});
                open.queue.RunUntil([&] { return received > 0; });
                std::vector<uint8_t> block(60000, 1);
                open.comm.WriteCommData(block.data(), static_cast<uint16_t>(block.size()));
                std::this_thread::sleep_for(20ms);
            } else {
                fcntl(open.pty.Master(), F_SETFL, O_NONBLOCK);
                flood = std::thread([&] {
                    std::vector<uint8_t> block(4096, 0x33);
                    while (!stop) {
                        if (write(open.pty.Master(), block.data(), block.size()) < 0)
                            std::this_thread::sleep_for(1ms);
                    }
                });
                open.queue.RunUntil([&] { return received > (1u << 20); });
            }
            const auto start = Clock::now();
            open.comm.StopComm();
            times.push_back(Ms(Clock::now() - start));
            stop = true;
            if (flood.joinable())
                flood.join();
        }
    }
    state.counters["median_ms"] = Percentile(times, 0.5);
    state.counters["max_ms"] = Percentile(times, 1.0);
}
BENCHMARK(BM_StopCommTime)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
