#include "serial/posix_net_connect.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

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
        return EAI_SYSTEM;
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

// 0 when connected, else the errno of the failure (ETIMEDOUT when `end` passed).
int ConnectOne(const addrinfo& to, Clock::time_point end, int& fd)
{
    fd = socket(to.ai_family, to.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, to.ai_protocol);
    if (fd < 0)
        return errno;
    if (fd < 3) { // a handle of 0 means "closed"
        const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        const int error = errno;
        close(fd);
        fd = moved;
        if (fd < 0)
            return error;
    }
    int error = 0;
    if (connect(fd, to.ai_addr, to.ai_addrlen) != 0) {
        error = errno;
        if (error == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            int n;
            do {
                n = poll(&p, 1, MilliLeft(end));
            } while (n < 0 && errno == EINTR);
            socklen_t size = sizeof error;
            if (n == 0)
                error = ETIMEDOUT;
            else if (n < 0 || getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0)
                error = errno;
        }
    }
    if (error != 0) {
        close(fd);
        fd = -1;
        return error;
    }
    // Frames are small and answers awaited: no waiting to fill a segment.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return 0;
}

} // namespace

NetConnection ConnectToServer(const NetPortAddress& address, std::chrono::milliseconds limit)
{
    const Clock::time_point end = Clock::now() + limit;
    const std::string where = address.host + ":" + address.port;
    NetConnection result;
    AddrInfoList list;
    const int resolved = Resolve(address, end, list);
    if (resolved != 0 || !list) {
        result.refusal = resolved == EAI_AGAIN ? OpenRefusal::TimedOut : OpenRefusal::Absent;
        result.reason = resolved == EAI_AGAIN && Clock::now() >= end
                            ? "no answer from the name service for " + address.host
                            : "cannot resolve " + address.host + ": " + gai_strerror(resolved);
        return result;
    }
    int error = ECONNREFUSED;
    for (const addrinfo* to = list.get(); to; to = to->ai_next) {
        error = ConnectOne(*to, end, result.fd);
        if (error == 0)
            return result;
        if (error == ETIMEDOUT || MilliLeft(end) == 0)
            break;
    }
    switch (error) {
    case ETIMEDOUT:
        result.refusal = OpenRefusal::TimedOut;
        result.reason =
            "no answer from " + where + " within " + std::to_string(limit.count()) + " ms";
        break;
    case ECONNREFUSED:
        result.refusal = OpenRefusal::ConnectionRefused;
        result.reason = where + " refused the connection";
        break;
    default:
        result.refusal = OpenRefusal::Other;
        result.reason = "cannot connect to " + where + ": " + std::strerror(error);
    }
    return result;
}

} // namespace serial
