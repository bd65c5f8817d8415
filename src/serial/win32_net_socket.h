#pragma once

// The network port's socket on Windows. Winsock cannot wait on a socket
// and a kernel event at once without an event object of the socket's, which
// the reader and the writer would take from each other; so a wait polls the
// socket in short slices and looks at the close event between them.

#include "serial/net_socket.h"

#include <winsock2.h>

namespace serial {

class Win32NetSocket : public NetSocket {
public:
    // Takes over the connected, non-blocking socket `s`.
    explicit Win32NetSocket(SOCKET s) : socket_(s) { }
    ~Win32NetSocket() override;
    Win32NetSocket(const Win32NetSocket&) = delete;
    Win32NetSocket& operator=(const Win32NetSocket&) = delete;

    uint32_t NativeHandle() const override { return static_cast<uint32_t>(socket_); }
    long Send(const uint8_t* data, size_t size) override;
    long Receive(uint8_t* data, size_t size) override;
    Wake Wait(const Event* close, bool write, int timeoutMs) override;

private:
    const SOCKET socket_;
};

} // namespace serial
