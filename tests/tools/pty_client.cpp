#include "pty_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>

#include <cerrno>
#include <system_error>

namespace scalesim {

namespace {

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

} // namespace

PtyClient::PtyClient(const std::string& path)
    : fd_(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC))
{
    if (fd_.Get() < 0)
        throw std::system_error(errno, std::generic_category(), "open " + path);
    termios tio{};
    tcgetattr(fd_.Get(), &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tcsetattr(fd_.Get(), TCSANOW, &tio);
}

void PtyClient::Send(const uint8_t* data, std::size_t count)
{
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_.Get(), data + done, count - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd pfd{fd_.Get(), POLLOUT, 0};
            poll(&pfd, 1, 1000);
            continue;
        }
        if (n <= 0)
            throw std::system_error(errno, std::generic_category(), "write to the pty");
        done += static_cast<std::size_t>(n);
    }
}

Bytes PtyClient::ReadChunk(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd_.Get(), buffer, sizeof buffer);
        if (n > 0)
            return Bytes(buffer, buffer + n);
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return {};
        pollfd pfd{fd_.Get(), POLLIN, 0};
        if (poll(&pfd, 1, RemainingMs(deadline)) == 0)
            return {};
    }
}

Bytes PtyClient::Read(std::size_t count, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    Bytes received;
    while (received.size() < count) {
        const auto left = std::chrono::milliseconds(RemainingMs(deadline));
        const Bytes chunk = ReadChunk(left);
        if (chunk.empty())
            break;
        received.insert(received.end(), chunk.begin(), chunk.end());
    }
    return received;
}

void PtyClient::Discard() { tcflush(fd_.Get(), TCIFLUSH); }

} // namespace scalesim
