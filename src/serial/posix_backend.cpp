#include "serial/posix_backend.h"

#include "serial/net_device.h"
#include "serial/net_port_name.h"
#include "serial/port_names.h"
#include "serial/posix_device.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace serial {

PosixEvent::~PosixEvent() { close(fd_); }

void PosixEvent::Set()
{
    set_.store(true);
    const uint64_t one = 1;
    // Only fails when the counter would overflow, and then it is set anyway.
    [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
}

void PosixEvent::Reset()
{
    set_.store(false);
    uint64_t count = 0;
    [[maybe_unused]] ssize_t n = read(fd_, &count, sizeof count); // EAGAIN when not set
}

bool PosixEvent::IsSet() const { return set_.load(); }

PollResult PollWithClose(const Event& close, int deviceFd, short events, int timeoutMs,
                         short& revents)
{
    pollfd fds[2] = {{static_cast<const PosixEvent&>(close).Fd(), POLLIN, 0},
                     {deviceFd, events, 0}};
    int n;
    do {
        n = poll(fds, 2, timeoutMs);
    } while (n < 0 && errno == EINTR); // only an early wake-up; the caller re-checks its deadline
    revents = fds[1].revents;
    if (n < 0)
        return PollResult::Failed;
    if (fds[0].revents & POLLIN) // the close event wins over a simultaneous completion
        return PollResult::Closed;
    if (fds[0].revents & POLLNVAL)
        return PollResult::Failed;
    if (n == 0)
        return PollResult::TimedOut;
    if (revents & POLLNVAL)
        return PollResult::InvalidHandle;
    return PollResult::Ready;
}

PosixBackend::PosixBackend(std::string sysClassTty) : sysClassTty_(std::move(sysClassTty)) { }

int PosixBackend::Open(const std::string& name, std::unique_ptr<CommDevice>& device)
{
    lastRefusal_ = OpenRefusal::None;
    lastReason_.clear();
    if (IsNetworkPortName(name))
        return OpenNetwork(name, device);
    const std::string path = DevicePathForCommName(name);
    if (path.empty())
        return Refused(ENOENT);
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == EISDIR ? -2 : Refused(errno);
    if (fd < 3) { // keep 0 free: a handle of 0 means "closed"
        int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        const int error = errno;
        close(fd);
        if (moved < 0)
            return Refused(error);
        fd = moved;
    }
    struct stat st { };
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) {
        close(fd);
        return -2;
    }
    // Another program has the port: flock covers every opener, TIOCEXCL
    // also those that do not lock (root is exempt from it).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno == EWOULDBLOCK ? EBUSY : errno;
        close(fd);
        return Refused(error);
    }
    if (ioctl(fd, TIOCEXCL) != 0 && errno != EINVAL && errno != ENOTTY) {
        const int error = errno;
        close(fd);
        return Refused(error);
    }
    device = std::make_unique<PosixDevice>(fd);
    return 0;
}

int PosixBackend::OpenNetwork(const std::string& name, std::unique_ptr<CommDevice>& device)
{
    NetOpening opening = OpenNetworkPort(name);
    lastRefusal_ = opening.refusal;
    lastReason_ = std::move(opening.reason);
    if (!opening.device)
        return -1;
    device = std::move(opening.device);
    return 0;
}

int PosixBackend::Refused(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        lastRefusal_ = OpenRefusal::Absent;
        break;
    case EBUSY: // a terminal in exclusive use, or locked by another program
        lastRefusal_ = OpenRefusal::Busy;
        break;
    case EACCES:
    case EPERM:
        lastRefusal_ = OpenRefusal::NoPermission;
        break;
    default:
        lastRefusal_ = OpenRefusal::Other;
    }
    return -1;
}

std::unique_ptr<Event> PosixBackend::NewEvent()
{
    int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        return nullptr;
    return std::make_unique<PosixEvent>(fd);
}

int PosixBackend::WaitForEither(const Event& first, const Event& second)
{
    short revents = 0;
    switch (
        PollWithClose(first, static_cast<const PosixEvent&>(second).Fd(), POLLIN, -1, revents)) {
    case PollResult::Closed:
        return 0;
    case PollResult::Ready:
        return (revents & POLLIN) ? 1 : -1;
    default:
        return -1;
    }
}

std::vector<std::string> PosixBackend::ListPorts() { return ListSerialPorts(sysClassTty_); }

CommBackend& DefaultCommBackend()
{
    static PosixBackend backend;
    return backend;
}

} // namespace serial
