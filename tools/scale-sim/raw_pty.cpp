#include "raw_pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include <cerrno>
#include <system_error>

namespace scalesim {

namespace {

[[noreturn]] void Fail(const char* what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

} // namespace

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
    return pty;
}

} // namespace scalesim
