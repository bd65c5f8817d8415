#include "serial/posix_net_socket.h"

#include "serial/posix_backend.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace serial {

PosixNetSocket::~PosixNetSocket() { close(fd_); }

long PosixNetSocket::Send(const uint8_t* data, size_t size)
{
    for (;;) {
        const ssize_t n = send(fd_, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0)
            return static_cast<long>(n);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return kWouldBlock;
        return kBroken;
    }
}

long PosixNetSocket::Receive(uint8_t* data, size_t size)
{
    for (;;) {
        const ssize_t n = recv(fd_, data, size, MSG_DONTWAIT);
        if (n > 0)
            return static_cast<long>(n);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return kWouldBlock;
        return kBroken; // 0: the server closed the connection
    }
}

NetSocket::Wake PosixNetSocket::Wait(const Event* close, bool write, int timeoutMs)
{
    const short events = static_cast<short>(POLLIN | (write ? POLLOUT : 0));
    if (close) {
        short revents = 0;
        switch (PollWithClose(*close, fd_, events, timeoutMs, revents)) {
        case PollResult::Closed:
            return Wake::Closed;
        case PollResult::Ready:
            return Wake::Ready;
        case PollResult::TimedOut:
            return Wake::TimedOut;
        case PollResult::InvalidHandle:
        case PollResult::Failed:
            return Wake::Failed;
        }
        return Wake::Failed;
    }
    pollfd p{fd_, events, 0};
    const int n = poll(&p, 1, timeoutMs);
    if (n < 0)
        return errno == EINTR ? Wake::TimedOut : Wake::Failed; // the caller checks its time
    return n == 0 ? Wake::TimedOut : Wake::Ready;
}

} // namespace serial
