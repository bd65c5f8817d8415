#include "pseudo_terminal.h"

#include <cerrno>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <unistd.h>

Pty::Pty()
{
    int slave = -1;
    char name[128] = {};
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    close(slave); // the component opens it by name
    slavePath_ = name;
}

Pty::~Pty() { CloseMaster(); }

void Pty::Write(const std::vector<uint8_t>& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw std::runtime_error("write to pty master failed");
        done += static_cast<size_t>(n);
    }
}

std::vector<uint8_t> Pty::Read(size_t count, std::chrono::milliseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    std::vector<uint8_t> bytes;
    while (bytes.size() < count) {
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd p{master_, POLLIN, 0};
        if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0 || !(p.revents & POLLIN))
            break;
        uint8_t buffer[4096];
        ssize_t n = read(master_, buffer, std::min(sizeof buffer, count - bytes.size()));
        if (n <= 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    return bytes;
}

termios Pty::SlaveSettings() const
{
    termios t{};
    tcgetattr(master_, &t); // on a pty master this reads the slave's settings
    return t;
}

void Pty::CloseMaster()
{
    if (master_ >= 0)
        close(master_);
    master_ = -1;
}
