#pragma once

// The Windows side of the pty peer (tests/wine/pty_peer.cpp): orders to the
// Linux program that plays the far end of wine COM ports.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class PtyPeer {
public:
    // Connects to the peer named in SCALE_PTY_PEER; throws when there is none.
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    // Whether the tests run under the peer at all.
    static bool Available();

    // A fresh far end for COMn; returns the terminal's Linux path.
    std::string Open(int port);
    void Write(int port, const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> Read(int port, size_t count,
                              std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Writes `count` bytes (0: without end) of 0, 1, .. 255, 0, .. in the background.
    void Flood(int port, uint64_t count);
    // Ends a flood; the number of bytes it wrote.
    uint64_t StopFlood(int port);
    // "speed=9600 bits=8 parenb=0 ..." as the far end sees the line.
    std::string Settings(int port);
    void HangUp(int port);
    // Throws away what the port's side has not read yet.
    void Discard(int port);
    // CPU time the wine servers have used so far, in ms.
    double WineServerCpuMs();

private:
    // Sends one order and returns the text after "ok" (throws on "error").
    std::string Order(const std::string& line);

    uintptr_t socket_;
};
