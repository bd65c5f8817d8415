#include "serial/win32_net_socket.h"

#include <algorithm>
#include <chrono>
#include <climits>

namespace serial {

namespace {

// How long a wait looks at the socket before it looks at the close event.
constexpr int kSliceMs = 10;

long Outcome(int n)
{
    if (n > 0)
        return n;
    if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK)
        return NetSocket::kWouldBlock;
    return NetSocket::kBroken; // 0 from recv: the server closed the connection
}

} // namespace

Win32NetSocket::~Win32NetSocket() { closesocket(socket_); }

long Win32NetSocket::Send(const uint8_t* data, size_t size)
{
    const int n = send(socket_, reinterpret_cast<const char*>(data),
                       static_cast<int>(std::min<size_t>(size, INT_MAX)), 0);
    return Outcome(n);
}

long Win32NetSocket::Receive(uint8_t* data, size_t size)
{
    const int n = recv(socket_, reinterpret_cast<char*>(data),
                       static_cast<int>(std::min<size_t>(size, INT_MAX)), 0);
    return Outcome(n);
}

NetSocket::Wake Win32NetSocket::Wait(const Event* close, bool write, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        if (close && close->IsSet())
            return Wake::Closed;
        int slice = kSliceMs;
        if (timeoutMs >= 0) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0)
                return Wake::TimedOut;
            slice = static_cast<int>(std::min<long long>(left, kSliceMs));
        }
        WSAPOLLFD p{socket_, static_cast<SHORT>(POLLRDNORM | (write ? POLLWRNORM : 0)), 0};
        const int n = WSAPoll(&p, 1, slice);
        if (n < 0)
            return Wake::Failed;
        if (n > 0)
            return close && close->IsSet() ? Wake::Closed : Wake::Ready;
    }
}

} // namespace serial
