#pragma once

// The test's end of the line: opens the simulator's pseudo-terminal the way
// the tool opens a port (raw, non-blocking) and talks to it with timeouts.

#include "sim_frame.h"
#include "unique_fd.h"

#include <chrono>
#include <string>

namespace scalesim {

class PtyClient {
public:
    // Throws std::system_error when the path cannot be opened.
    explicit PtyClient(const std::string& path);

    void Send(const uint8_t* data, std::size_t count);
    template <typename Container> void Send(const Container& bytes)
    {
        Send(bytes.data(), bytes.size());
    }

    // Reads until `count` bytes have come or `timeout` has passed; returns
    // what came (fewer bytes on a time-out).
    Bytes Read(std::size_t count, std::chrono::milliseconds timeout);

    // The bytes of the next read() once anything arrives, empty on a time-out.
    Bytes ReadChunk(std::chrono::milliseconds timeout);

    // Throws away whatever is waiting.
    void Discard();

private:
    UniqueFd fd_;
};

} // namespace scalesim
