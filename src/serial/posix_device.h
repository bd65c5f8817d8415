#pragma once

// One open terminal device on POSIX. Reads and writes are non-blocking and
// wait with poll() together with the close event, so a blocked read or a
// write held up by flow control ends as soon as the port is closed.

#include "serial/comm_backend.h"

#include <linux/serial.h>
#include <mutex>
#include <termios.h>

namespace serial {

// Puts `line` into `t`: raw mode (every byte passes unchanged, no hang-up
// on close, reads return at once) plus speed, framing and flow control.
// False when the speed is not one the system knows (the old one stays).
// Settings without a POSIX counterpart (DSR flow and sensitivity, the XON/
// XOFF limits, dropping NUL bytes, keeping on sending after XOFF) are left out.
bool SetTermios(termios& t, const LineSettings& line);

class PosixDevice : public CommDevice {
public:
    // Takes over `fd`, already opened and locked.
    explicit PosixDevice(int fd) : fd_(fd) { }
    ~PosixDevice() override;
    PosixDevice(const PosixDevice&) = delete;
    PosixDevice& operator=(const PosixDevice&) = delete;

    uint32_t NativeHandle() const override { return static_cast<uint32_t>(fd_); }
    bool SetupQueues(uint32_t inQueue, uint32_t outQueue) override;
    void Purge(uint32_t flags) override;
    bool ApplyState(const LineSettings& line) override;
    bool ApplyTimeouts(const CommTimeouts& timeouts) override;
    bool GetModemStatus(uint32_t& bits) override;

    bool BeginReader(uint32_t eventMask) override;
    ReaderEvent WaitReader(const Event& close, uint8_t* buffer, uint32_t capacity) override;
    IoStatus ClearErrors(uint32_t& errors) override;
    void EndReader() override { }

    bool BeginWriter() override { return true; }
    WriteOutcome Write(const Event& close, const uint8_t* data, uint32_t count) override;
    void EndWriter() override { }

private:
    CommTimeouts Timeouts() const;
    void CheckLineCounters();

    const int fd_;
    termios saved_{};
    bool hasSaved_ = false;

    mutable std::mutex timeoutsMutex_; // set by the owner, read by both threads
    CommTimeouts timeouts_;

    // Reader thread only. Line errors and modem-line changes come from the
    // driver's interrupt counters where it keeps them (real UARTs; ptys and
    // many USB adapters do not).
    uint32_t eventMask_ = 0;
    bool countersSupported_ = false;
    serial_icounter_struct lastCounters_{};
    uint32_t pendingEvents_ = 0;
    uint32_t pendingErrors_ = 0;
};

} // namespace serial
