// The Win32 backend under wine, on a COM port whose far end is a Linux
// pseudo-terminal (run under tests/wine/pty_peer, see scripts/bench-windows.sh):
//  - receive throughput of TComm set up as the scale line (delivering at
//    once) next to a plain blocking ReadFile loop on the same port (2048-byte
//    reads, the 10 ms interval of old), and their ratio; beside them, where
//    the time goes: one thread reading overlapped, as of old and with 16 kB
//    reads of what is there (with and without an event to set), and the
//    bytes per data event of TComm (how many posts to the owner);
//  - CPU time of this process and of the wine server while a port is open
//    and idle for 5 s.
// The loops take turns in each round; the numbers go to standard output.

#include "post_queue.h"
#include "pty_peer_client.h"
#include "serial/comm.h"
#include "serial/read_thread.h"
#include "session/scale_line.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPort = 24;
constexpr uint64_t kBytes = 8u << 20;
constexpr uint32_t kAppInterval = 10; // the plain loop's ReadIntervalTimeout, ms

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double ProcessCpuMs()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ms = [](const FILETIME& t) {
        return ((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

// Bytes per second through TComm: from the first order to the far end until
// the last byte's data event has run on the owner's thread.
double CommThroughput(PtyPeer& peer, double& blockBytes)
{
    PostQueue queue;
    TComm comm(queue.Poster());
    uint64_t received = 0;
    uint64_t blocks = 0;
    comm.OnReceiveData = [&](TComm*, const void*, uint16_t length) {
        received += length;
        ++blocks;
    };
    comm.SetCommName("COM" + std::to_string(kPort));
    ApplyScaleLineSettings(comm);
    comm.SetInx_XonXoffFlow(false);
    if (comm.StartComm() != 1)
        return 0;
    const auto start = Clock::now();
    peer.Flood(kPort, kBytes);
    queue.RunUntil([&] { return received >= kBytes; }, std::chrono::seconds(120));
    const double seconds = Seconds(Clock::now() - start);
    comm.StopComm();
    blockBytes = blocks ? double(received) / double(blocks) : 0;
    return received / seconds;
}

// The same with one thread in a plain blocking ReadFile loop.
double PlainReadThroughput(PtyPeer& peer)
{
    const std::wstring name = L"\\\\.\\COM" + std::to_wstring(kPort);
    HANDLE port = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return 0;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.fBinary = 1;
    dcb.fOutX = dcb.fInX = 0;
    SetCommState(port, &dcb);
    COMMTIMEOUTS timeouts{kAppInterval, 0, 0, 0, 0};
    SetCommTimeouts(port, &timeouts);
    std::vector<uint8_t> buffer(2048);
    uint64_t received = 0;
    const auto start = Clock::now();
    peer.Flood(kPort, kBytes);
    while (received < kBytes) {
        DWORD n = 0;
        if (!ReadFile(port, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr))
            break;
        received += n;
    }
    const double seconds = Seconds(Clock::now() - start);
    CloseHandle(port);
    return received / seconds;
}

// A single thread with the port opened for overlapped use, waiting for each
// read at once: what overlapped reading alone costs under wine. With
// `eventless` the record has no event (a read that completes at once sets
// none; one that pends is waited for on the port).
double OverlappedReadThroughput(PtyPeer& peer, DWORD size, COMMTIMEOUTS timeouts, bool eventless)
{
    const std::wstring name = L"\\\\.\\COM" + std::to_wstring(kPort);
    HANDLE port = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE)
        return 0;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(port, &dcb);
    dcb.fBinary = 1;
    dcb.fOutX = dcb.fInX = 0;
    SetCommState(port, &dcb);
    SetCommTimeouts(port, &timeouts);
    OVERLAPPED overlapped{};
    HANDLE event = eventless ? nullptr : CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<uint8_t> buffer(size);
    uint64_t received = 0;
    const auto start = Clock::now();
    peer.Flood(kPort, kBytes);
    while (received < kBytes) {
        overlapped = {};
        overlapped.hEvent = event;
        DWORD n = 0;
        if (!ReadFile(port, buffer.data(), size, nullptr, &overlapped) &&
            GetLastError() != ERROR_IO_PENDING)
            break;
        if (!GetOverlappedResult(port, &overlapped, &n, TRUE))
            break;
        received += n;
    }
    const double seconds = Seconds(Clock::now() - start);
    if (event)
        CloseHandle(event);
    CloseHandle(port);
    return received / seconds;
}

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[static_cast<size_t>(p * double(values.size() - 1))];
}

} // namespace

// Rounds of the three loops in turn (argument: how many, default 5); per
// loop the minimum, median and maximum, and of the per-round ratio.
int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    PtyPeer peer;
    const COMMTIMEOUTS interval{kAppInterval, 0, 0, 0, 0};
    const COMMTIMEOUTS whatIsThere{MAXDWORD, 0, 0, 0, 0};
    std::vector<double> plain, overlapped, atOnce, eventless, comm, blockBytes, ratio;
    // A fresh line for each loop, nothing left over.
    const auto measure = [&](std::vector<double>& into, auto loop) {
        peer.Open(kPort);
        into.push_back(loop() / 1e6);
        peer.StopFlood(kPort);
    };
    for (int round = 0; round < rounds; ++round) {
        measure(plain, [&] { return PlainReadThroughput(peer); });
        measure(overlapped, [&] { return OverlappedReadThroughput(peer, 2048, interval, false); });
        measure(atOnce, [&] {
            return OverlappedReadThroughput(peer, ReadThread::kBufferSize, whatIsThere, false);
        });
        measure(eventless, [&] {
            return OverlappedReadThroughput(peer, ReadThread::kBufferSize, whatIsThere, true);
        });
        double block = 0;
        measure(comm, [&] { return CommThroughput(peer, block); });
        blockBytes.push_back(block);
        ratio.push_back(plain.back() > 0 ? comm.back() / plain.back() : 0);
    }
    std::printf("receive throughput, %llu bytes through a wine COM port, %d rounds "
                "(min median max):\n",
                static_cast<unsigned long long>(kBytes), rounds);
    const auto row = [](const char* name, const std::vector<double>& v) {
        std::printf("  %-42s %8.2f %8.2f %8.2f\n", name, Percentile(v, 0), Percentile(v, 0.5),
                    Percentile(v, 1));
    };
    row("plain blocking ReadFile 2 kB/10 ms, MB/s", plain);
    row("overlapped ReadFile 2 kB/10 ms, MB/s", overlapped);
    row("overlapped 16 kB, what is there, MB/s", atOnce);
    row("the same without an event, MB/s", eventless);
    row("TComm (scale line), MB/s", comm);
    row("TComm bytes per data event", blockBytes);
    row("ratio TComm / plain", ratio);

    peer.Open(kPort);
    PostQueue queue;
    TComm idle(queue.Poster());
    idle.SetCommName("COM" + std::to_string(kPort));
    ApplyScaleLineSettings(idle);
    if (idle.StartComm() != 1) {
        std::printf("cannot open COM%d\n", kPort);
        return 1;
    }
    queue.RunFor(std::chrono::milliseconds(200)); // past the start
    const double ownBefore = ProcessCpuMs();
    const double serverBefore = peer.WineServerCpuMs();
    queue.RunFor(std::chrono::seconds(5));
    const double own = ProcessCpuMs() - ownBefore;
    const double server = peer.WineServerCpuMs() - serverBefore;
    idle.StopComm();
    std::printf("idle open port, 5 s: %.1f ms CPU in this process, %.1f ms in the wine server\n",
                own, server);

    // The far end hangs up; the port stays open until StopComm. Nothing may
    // spin on the dead line, here or in the wine server.
    peer.Open(kPort);
    int hangups = 0;
    idle.OnRequestHangup = [&](TComm*) { ++hangups; };
    if (idle.StartComm() != 1) {
        std::printf("cannot open COM%d\n", kPort);
        return 1;
    }
    peer.HangUp(kPort);
    queue.RunUntil([&] { return hangups > 0; });
    const double lostOwnBefore = ProcessCpuMs();
    const double lostServerBefore = peer.WineServerCpuMs();
    queue.RunFor(std::chrono::seconds(5));
    const double lostOwn = ProcessCpuMs() - lostOwnBefore;
    const double lostServer = peer.WineServerCpuMs() - lostServerBefore;
    idle.StopComm();
    std::printf("hung-up port, 5 s: %.1f ms CPU in this process, %.1f ms in the wine server\n",
                lostOwn, lostServer);
    return 0;
}
