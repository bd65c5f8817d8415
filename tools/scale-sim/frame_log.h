#pragma once

// The frame log. Writing it never holds up the simulator: lines wait in a
// bounded buffer while the output takes nothing (a pipe nobody reads, a
// stopped terminal); lines beyond the buffer are dropped, and once the
// output takes lines again a line "# N log lines dropped" tells how many.

#include "unique_fd.h"

#include <cstdint>
#include <string>

namespace scalesim {

class FrameLog {
public:
    static constexpr std::size_t kBufferLimit = 64 * 1024;

    // Writes to `fd`, which stays the caller's.
    explicit FrameLog(int fd);
    // Waits a little for the output to take what still waits.
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    // `line` without its line end.
    void Line(const std::string& line);

    // Writes what the output takes now.
    void Flush();

    // While lines wait, poll Fd() for POLLOUT and then Flush().
    bool Waiting() const { return !pending_.empty(); }
    int Fd() const { return fd_; }

private:
    UniqueFd own_; // a non-blocking opening of the caller's pipe or terminal
    int fd_;
    bool nonBlocking_ = false;
    std::string pending_;
    uint64_t dropped_ = 0; // not yet told in the log
};

} // namespace scalesim
