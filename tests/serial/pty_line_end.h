#pragma once

// The far end of a line for the tests of comm_line_test.cpp on POSIX: a
// kernel pseudo-terminal whose slave the component opens by its path.

#include "pseudo_terminal.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class PtyLineEnd {
public:
    PtyLineEnd();
    ~PtyLineEnd();
    PtyLineEnd(const PtyLineEnd&) = delete;
    PtyLineEnd& operator=(const PtyLineEnd&) = delete;

    // The name the component opens.
    std::string PortName() const { return pty_.SlavePath(); }
    void Write(const std::vector<uint8_t>& bytes) { pty_.Write(bytes); }
    std::vector<uint8_t> Read(size_t count,
                              std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        return pty_.Read(count, timeout);
    }
    // Writes 0, 1, .. 255, 0, .. without end in the background, as fast as
    // the line takes them, until StopFlood.
    void Flood();
    void StopFlood();
    // "speed=9600 bits=8 parenb=0 cstopb=0 crtscts=0 ixon=0 ixoff=1 vstop=19"
    // as the far end sees the line.
    std::string Settings() const;
    // The far end goes away.
    void HangUp() { pty_.CloseMaster(); }
    // Throws away what the component has not read yet, as scale-sim does
    // with what a reader leaves unread too long.
    void DiscardUnread();

    Pty& Terminal() { return pty_; }

private:
    Pty pty_;
    int slave_ = -1; // the far end's own descriptor of the port's side
    std::thread flood_;
    std::atomic<bool> flooding_{false};
};
