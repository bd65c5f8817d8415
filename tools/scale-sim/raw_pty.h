#pragma once

#include "unique_fd.h"

#include <sys/types.h>

#include <string>

namespace scalesim {

// A small process of the simulator's own whose controlling terminal is the
// pty. A terminal is the controlling terminal of one session at most, and a
// session leader that opens a terminal without O_NOCTTY, while it has none,
// takes it for its own. The wine server is such a leader: when a Windows
// program opens the pty as a COM port (a dosdevices/comN link to it), the
// server would take the terminal and, once the simulator ends, receive its
// hang-up (SIGHUP, on which it writes megabytes of object dump to its
// output). Held here, the pty is no one else's. The process ends when this
// object does, and by the hang-up of the pty if the simulator dies first.
class TerminalHolder {
public:
    TerminalHolder() = default;
    // Makes the terminal open on `slave` the controlling terminal of a new
    // process; none when the system refuses (the pty works as before, only
    // another leader may take it).
    explicit TerminalHolder(int slave);
    ~TerminalHolder() { Release(); }
    TerminalHolder(TerminalHolder&& other) noexcept;
    TerminalHolder& operator=(TerminalHolder&& other) noexcept;
    TerminalHolder(const TerminalHolder&) = delete;
    TerminalHolder& operator=(const TerminalHolder&) = delete;

private:
    void Release();

    pid_t pid_ = -1;
};

// A pseudo-terminal in raw mode. The simulator holds the slave side open
// itself: without it the master reports a hang-up for as long as no tool
// has the port open, and poll() would never rest.
struct RawPty {
    UniqueFd master; // non-blocking
    UniqueFd slave;
    std::string path; // what the tool opens
    TerminalHolder holder;
};

// Throws std::system_error when the system has no pseudo-terminal to give.
RawPty OpenRawPty();

} // namespace scalesim
