#include "serial/net_connect.h"

#ifdef _WIN32
#include "serial/win32_net_socket.h"
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include "serial/posix_net_socket.h"
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace serial {

namespace {

using Clock = std::chrono::steady_clock;

struct AddrInfoFree {
    void operator()(addrinfo* info) const { freeaddrinfo(info); }
};
using AddrInfoList = std::unique_ptr<addrinfo, AddrInfoFree>;

// What the resolving thread hands over; whoever is left last frees it.
struct Resolution {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    int error = 0;
    AddrInfoList list;
};

int Lookup(const NetPortAddress& address, int flags, AddrInfoList& list)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int error = getaddrinfo(address.host.c_str(), address.port.c_str(), &hints, &found);
    list.reset(error == 0 ? found : nullptr);
    return error;
}

// A numeric address at once; a name on a thread, waited for until `end`.
int Resolve(const NetPortAddress& address, Clock::time_point end, AddrInfoList& list)
{
    if (Lookup(address, AI_NUMERICHOST, list) == 0)
        return 0;
    auto resolution = std::make_shared<Resolution>();
    try {
        std::thread([resolution, address] {
            AddrInfoList found;
            const int error = Lookup(address, 0, found);
            std::lock_guard lock(resolution->mutex);
            resolution->error = error;
            resolution->list = std::move(found);
            resolution->finished = true;
            resolution->done.notify_all();
        }).detach();
    } catch (const std::system_error&) {
        return EAI_FAIL;
    }
    std::unique_lock lock(resolution->mutex);
    if (!resolution->done.wait_until(lock, end, [&] { return resolution->finished; }))
        return EAI_AGAIN;
    list = std::move(resolution->list);
    return resolution->error;
}

int MilliLeft(Clock::time_point end)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
    return static_cast<int>(std::max<int64_t>(left, 0));
}

#ifdef _WIN32

using NativeSocket = SOCKET;
constexpr SOCKET kNoSocket = INVALID_SOCKET;
void CloseSocket(SOCKET s) { closesocket(s); }
int LastError() { return WSAGetLastError(); }
constexpr int kInProgress = WSAEWOULDBLOCK;
constexpr int kTimedOut = WSAETIMEDOUT;
constexpr int kRefused = WSAECONNREFUSED;

bool MakeNonBlocking(SOCKET s)
{
    u_long on = 1;
    return ioctlsocket(s, FIONBIO, &on) == 0;
}

int WaitWritable(SOCKET s, int ms)
{
    WSAPOLLFD p{s, POLLWRNORM, 0};
    const int n = WSAPoll(&p, 1, ms);
    return n < 0 ? -1 : n;
}

std::string ErrorText(int error) { return "error " + std::to_string(error); }
std::string ResolveErrorText(int error) { return gai_strerrorA(error); }

#else

using NativeSocket = int;
constexpr int kNoSocket = -1;
void CloseSocket(int s) { close(s); }
int LastError() { return errno; }
constexpr int kInProgress = EINPROGRESS;
constexpr int kTimedOut = ETIMEDOUT;
constexpr int kRefused = ECONNREFUSED;

int WaitWritable(int s, int ms)
{
    pollfd p{s, POLLOUT, 0};
    int n;
    do {
        n = poll(&p, 1, ms);
    } while (n < 0 && errno == EINTR);
    return n;
}

std::string ErrorText(int error) { return std::strerror(error); }
std::string ResolveErrorText(int error) { return gai_strerror(error); }

#endif

NativeSocket OpenSocket(const addrinfo& to)
{
#ifdef _WIN32
    SOCKET s = socket(to.ai_family, to.ai_socktype, to.ai_protocol);
    if (s != INVALID_SOCKET && !MakeNonBlocking(s)) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    return s;
#else
    int fd = socket(to.ai_family, to.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, to.ai_protocol);
    if (fd >= 0 && fd < 3) { // a handle of 0 means "closed"
        const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        close(fd);
        fd = moved;
    }
    return fd;
#endif
}

// 0 when connected, else the error of the failure (kTimedOut when `end` passed).
int ConnectOne(const addrinfo& to, Clock::time_point end, NativeSocket& s)
{
    s = OpenSocket(to);
    if (s == kNoSocket)
        return LastError();
    int error = 0;
    if (connect(s, to.ai_addr, static_cast<int>(to.ai_addrlen)) != 0) {
        error = LastError();
        if (error == kInProgress) {
            const int n = WaitWritable(s, MilliLeft(end));
            socklen_t size = sizeof error;
            if (n == 0)
                error = kTimedOut;
            else if (n < 0 || getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                                         &size) != 0)
                error = LastError();
        }
    }
    if (error != 0) {
        CloseSocket(s);
        s = kNoSocket;
        return error;
    }
    // Frames are small and answers awaited: no waiting to fill a segment.
    const int on = 1;
    setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    return 0;
}

} // namespace

bool NetServerAnswers(const std::string& portName)
{
    const std::optional<NetPortAddress> address = ParseNetPortName(portName);
    return address && ConnectToServer(*address).socket != nullptr;
}

NetConnection ConnectToServer(const NetPortAddress& address, std::chrono::milliseconds limit)
{
#ifdef _WIN32
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started)
        return {nullptr, OpenRefusal::Other, "the network is not available"};
#endif
    const Clock::time_point end = Clock::now() + limit;
    const std::string where = address.host + ":" + address.port;
    NetConnection result;
    AddrInfoList list;
    const int resolved = Resolve(address, end, list);
    if (resolved != 0 || !list) {
        result.refusal = resolved == EAI_AGAIN ? OpenRefusal::TimedOut : OpenRefusal::Absent;
        result.reason = resolved == EAI_AGAIN && Clock::now() >= end
                            ? "no answer from the name service for " + address.host
                            : "cannot resolve " + address.host + ": " + ResolveErrorText(resolved);
        return result;
    }
    int error = kRefused;
    for (const addrinfo* to = list.get(); to; to = to->ai_next) {
        NativeSocket s = kNoSocket;
        error = ConnectOne(*to, end, s);
        if (error == 0) {
#ifdef _WIN32
            result.socket = std::make_unique<Win32NetSocket>(s);
#else
            result.socket = std::make_unique<PosixNetSocket>(s);
#endif
            return result;
        }
        if (error == kTimedOut || MilliLeft(end) == 0)
            break;
    }
    if (error == kTimedOut || MilliLeft(end) == 0) {
        result.refusal = OpenRefusal::TimedOut;
        result.reason =
            "no answer from " + where + " within " + std::to_string(limit.count()) + " ms";
    } else if (error == kRefused) {
        result.refusal = OpenRefusal::ConnectionRefused;
        result.reason = where + " refused the connection";
    } else {
        result.refusal = OpenRefusal::Other;
        result.reason = "cannot connect to " + where + ": " + ErrorText(error);
    }
    return result;
}

} // namespace serial
