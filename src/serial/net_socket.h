#pragma once

// The connected TCP socket under a network port, as the device needs it:
// sends and receives that never block, and a wait for the socket together
// with the close event. One per operating system.

#include "serial/comm_backend.h"

#include <cstddef>
#include <cstdint>

namespace serial {

class NetSocket {
public:
    static constexpr long kWouldBlock = -2;
    static constexpr long kBroken = -1; // closed by the server, or failed

    virtual ~NetSocket() = default;
    virtual uint32_t NativeHandle() const = 0;
    // Bytes sent or received (> 0), kWouldBlock or kBroken.
    virtual long Send(const uint8_t* data, size_t size) = 0;
    virtual long Receive(uint8_t* data, size_t size) = 0;

    enum class Wake { Closed, Ready, TimedOut, Failed };
    // Waits until the socket can be read (or, with `write`, written), the
    // close event (if any) is set or `timeoutMs` has passed (-1: no limit).
    // After Ready the caller tries both directions it cares about.
    virtual Wake Wait(const Event* close, bool write, int timeoutMs) = 0;
};

} // namespace serial
