#pragma once

// The far end of a line for the tests of comm_line_test.cpp on Windows: a
// wine COM port whose far end is a Linux pseudo-terminal played by the pty
// peer (tests/wine/pty_peer.cpp).

#include "pty_peer_client.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class WineLineEnd {
public:
    // COM23: a number of two digits, as "//./" is there for.
    static constexpr int kPort = 23;

    WineLineEnd() { peer_.Open(kPort); }

    std::string PortName() const { return "//./COM" + std::to_string(kPort); }
    void Write(const std::vector<uint8_t>& bytes) { peer_.Write(kPort, bytes); }
    std::vector<uint8_t> Read(size_t count,
                              std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        return peer_.Read(kPort, count, timeout);
    }
    void Flood() { peer_.Flood(kPort, 0); }
    void StopFlood() { peer_.StopFlood(kPort); }
    std::string Settings() { return peer_.Settings(kPort); }
    void HangUp() { peer_.HangUp(kPort); }
    void DiscardUnread() { peer_.Discard(kPort); }

    PtyPeer& Peer() { return peer_; }

private:
    PtyPeer peer_;
};
