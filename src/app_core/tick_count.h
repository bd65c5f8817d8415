#pragma once
// Millisecond tick count: a steady clock truncated to 32 bits. Differences
// are taken modulo 2^32, so they stay right across a wrap.

#include <chrono>
#include <cstdint>

inline uint32_t GetTickCount()
{
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

inline uint32_t TicksBetween(uint32_t start, uint32_t now) { return now - start; }
