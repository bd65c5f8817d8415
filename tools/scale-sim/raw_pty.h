#pragma once

#include "unique_fd.h"

#include <string>

namespace scalesim {

// A pseudo-terminal in raw mode. The simulator holds the slave side open
// itself: without it the master reports a hang-up for as long as no tool
// has the port open, and poll() would never rest.
struct RawPty {
    UniqueFd master; // non-blocking
    UniqueFd slave;
    std::string path; // what the tool opens
};

// Throws std::system_error when the system has no pseudo-terminal to give.
RawPty OpenRawPty();

} // namespace scalesim
