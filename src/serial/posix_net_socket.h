#pragma once

// The network port's socket on POSIX: waits by poll() together with the
// close event's eventfd.

#include "serial/net_socket.h"

namespace serial {

class PosixNetSocket : public NetSocket {
public:
    // Takes over the connected, non-blocking socket `fd` (>= 3).
    explicit PosixNetSocket(int fd) : fd_(fd) { }
    ~PosixNetSocket() override;
    PosixNetSocket(const PosixNetSocket&) = delete;
    PosixNetSocket& operator=(const PosixNetSocket&) = delete;

    uint32_t NativeHandle() const override { return static_cast<uint32_t>(fd_); }
    long Send(const uint8_t* data, size_t size) override;
    long Receive(uint8_t* data, size_t size) override;
    Wake Wait(const Event* close, bool write, int timeoutMs) override;

private:
    const int fd_;
};

} // namespace serial
