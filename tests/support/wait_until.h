#pragma once

// Waiting in a test for something another process or thread does, where
// it gives no signal to wait on (a file it writes, a line in a log): look
// again every few milliseconds until it holds. The limits are generous;
// a test waits that long only when it fails.

#include <chrono>
#include <thread>

namespace support {

inline constexpr std::chrono::seconds kGenerousLimit{10};

// True once `done()` holds, false when `limit` has passed first.
template <typename Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds limit = kGenerousLimit)
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace support
