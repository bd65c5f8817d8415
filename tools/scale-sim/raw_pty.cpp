#include "raw_pty.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>

namespace scalesim {

namespace {

[[noreturn]] void Fail(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

// In the holder, between fork and its end: only async-signal-safe calls, as
// the simulator may have threads.
[[noreturn]] void HoldTerminal(int slave, int ready, pid_t parent)
{
    signal(SIGHUP, SIG_DFL); // the pty's hang-up ends the holder
    signal(SIGINT, SIG_IGN);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const char held = getppid() == parent && setsid() >= 0 && ioctl(slave, TIOCSCTTY, 0) == 0;
    [[maybe_unused]] ssize_t n = write(ready, &held, 1);
    if (!held)
        _exit(1);
    // Nothing of the simulator stays open here (its pipes must end with it);
    // the terminal stays this session's without a descriptor.
    const int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    dup2(null, 2);
    if (close_range(3, ~0U, 0) != 0)
        for (int fd = 3; fd < 4096; ++fd)
            close(fd);
    for (;;)
        pause();
}

} // namespace

TerminalHolder::TerminalHolder(int slave)
{
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        return;
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0)
        HoldTerminal(slave, ready[1], parent);
    close(ready[1]);
    char held = 0;
    ssize_t n;
    do
        n = read(ready[0], &held, 1);
    while (n < 0 && errno == EINTR);
    close(ready[0]);
    if (pid < 0)
        return;
    pid_ = pid;
    if (n != 1 || !held)
        Release();
}

TerminalHolder::TerminalHolder(TerminalHolder&& other) noexcept
    : pid_(std::exchange(other.pid_, -1))
{
}

TerminalHolder& TerminalHolder::operator=(TerminalHolder&& other) noexcept
{
    if (this != &other) {
        Release();
        pid_ = std::exchange(other.pid_, -1);
    }
    return *this;
}

void TerminalHolder::Release()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGKILL);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) { }
    pid_ = -1;
}

RawPty OpenRawPty()
{
    RawPty pty;
    pty.master.Reset(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (pty.master.Get() < 0)
        Fail("posix_openpt");
    if (grantpt(pty.master.Get()) != 0 || unlockpt(pty.master.Get()) != 0)
        Fail("unlockpt");
    char name[128];
    if (ptsname_r(pty.master.Get(), name, sizeof name) != 0)
        Fail("ptsname_r");
    pty.path = name;
    pty.slave.Reset(open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (pty.slave.Get() < 0)
        Fail("open pty slave");

    // Raw: no echo (the tool's commands would come back to us), no line
    // editing, no translation of bytes.
    termios tio{};
    if (tcgetattr(pty.slave.Get(), &tio) != 0)
        Fail("tcgetattr");
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(pty.slave.Get(), TCSANOW, &tio) != 0)
        Fail("tcsetattr");
    // Before anyone can know the path (the link, the first output line).
    pty.holder = TerminalHolder(pty.slave.Get());
    return pty;
}

} // namespace scalesim
