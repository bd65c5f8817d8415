// The Win32 backend under wine, on a COM port whose far end is a Linux
// pseudo-terminal (run under tests/wine/pty_peer, see scripts/bench-windows.sh):
//  - receive throughput of TComm next to a plain blocking ReadFile loop on
//    the same port with the same time-outs, and their ratio;
//  - CPU time of this process and of the wine server while a port is open
//    and idle for 5 s.
// One run each; the numbers go to standard output.

#include "post_queue.h"
#include "pty_peer_client.h"
#include "serial/comm.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPort = 24;
constexpr uint64_t kBytes = 8u << 20;
constexpr uint32_t kAppInterval = 10; // the application's ReadIntervalTimeout, ms

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
double CommThroughput(PtyPeer& peer)
{
    PostQueue queue;
    TComm comm(queue.Poster());
    uint64_t received = 0;
    comm.OnReceiveData = [&](TComm*, const void*, uint16_t length) { received += length; };
    comm.SetCommName("COM" + std::to_string(kPort));
    comm.SetReadIntervalTimeout(kAppInterval);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    if (comm.StartComm() != 1)
        return 0;
    const auto start = Clock::now();
    peer.Flood(kPort, kBytes);
    queue.RunUntil([&] { return received >= kBytes; }, std::chrono::seconds(120));
    const double seconds = Seconds(Clock::now() - start);
    comm.StopComm();
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
// 2048-byte read at once: what overlapped reading alone costs under wine.
double OverlappedReadThroughput(PtyPeer& peer)
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
    COMMTIMEOUTS timeouts{kAppInterval, 0, 0, 0, 0};
    SetCommTimeouts(port, &timeouts);
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<uint8_t> buffer(2048);
    uint64_t received = 0;
    const auto start = Clock::now();
    peer.Flood(kPort, kBytes);
    while (received < kBytes) {
        DWORD n = 0;
        if (!ReadFile(port, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr,
                      &overlapped) &&
            GetLastError() != ERROR_IO_PENDING)
            break;
        if (!GetOverlappedResult(port, &overlapped, &n, TRUE))
            break;
        received += n;
    }
    const double seconds = Seconds(Clock::now() - start);
    CloseHandle(overlapped.hEvent);
    CloseHandle(port);
    return received / seconds;
}

} // namespace

int main()
{
    PtyPeer peer;
    peer.Open(kPort);

    const double plain = PlainReadThroughput(peer);
    peer.StopFlood(kPort);
    peer.Open(kPort); // a fresh line, nothing left over
    const double overlapped = OverlappedReadThroughput(peer);
    peer.StopFlood(kPort);
    peer.Open(kPort);
    const double comm = CommThroughput(peer);
    peer.StopFlood(kPort);
    std::printf("receive throughput, %llu bytes through a wine COM port:\n",
                static_cast<unsigned long long>(kBytes));
    std::printf("  plain blocking ReadFile loop  %8.2f MB/s\n", plain / 1e6);
    std::printf("  overlapped ReadFile loop      %8.2f MB/s\n", overlapped / 1e6);
    std::printf("  TComm (Win32 backend)         %8.2f MB/s\n", comm / 1e6);
    std::printf("  ratio TComm / plain           %8.2f\n", plain > 0 ? comm / plain : 0.0);

    peer.Open(kPort);
    PostQueue queue;
    TComm idle(queue.Poster());
    idle.SetCommName("COM" + std::to_string(kPort));
    idle.SetReadIntervalTimeout(kAppInterval);
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
    return 0;
}
