#pragma once

// A kernel pseudo-terminal pair: the component opens the slave by its path,
// the test plays the far end through the master.

#include <chrono>
#include <cstdint>
#include <string>
#include <termios.h>
#include <vector>

class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    int Master() const { return master_; }

    // Writes everything (blocking while the slave's input is full).
    void Write(const std::vector<uint8_t>& bytes);
    // Reads until `count` bytes have come or `timeout` has passed.
    std::vector<uint8_t> Read(size_t count,
                              std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // The slave's settings as the component left them.
    termios SlaveSettings() const;
    // The far end goes away.
    void CloseMaster();

private:
    int master_ = -1;
    std::string slavePath_;
};
