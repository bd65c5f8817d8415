#pragma once

// Frame layout of the scale link and little-endian field access.
//
// Command frame, tool to controller (8 bytes):
//   AA 01 code d0 d1 d2 d3 checksum(bytes 0..6)
// Reply frame, controller to tool (19 bytes):
//   AA code p0 .. p15 checksum(bytes 0..17)
// Multi-byte values are little-endian; signed values two's complement.

#include "protocol/checksum.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

inline constexpr uint8_t kFrameHeader = 0xAA;
inline constexpr uint8_t kCommandMarker = 0x01;
inline constexpr size_t kCommandFrameSize = 8;
inline constexpr size_t kReplyFrameSize = 19;
// Index of the reply checksum; also the number of bytes it covers.
inline constexpr size_t kReplyChecksumIndex = 18;
// Size of SendBuf and frameBuffer.
inline constexpr size_t kLinkBufferSize = 1024;

inline uint16_t ReadU16LE(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t ReadU32LE(const uint8_t* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline int32_t ReadI32LE(const uint8_t* p) { return static_cast<int32_t>(ReadU32LE(p)); }

inline void WriteU16LE(uint8_t* p, uint16_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void WriteU32LE(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

using ReplyFrame = std::array<uint8_t, kReplyFrameSize>;

// A reply frame as the controller sends it: header, code, the 16 payload
// bytes (zeros when payload is null) and the checksum.
inline ReplyFrame BuildReplyFrame(uint8_t code, const uint8_t* payload = nullptr)
{
    ReplyFrame frame{};
    frame[0] = kFrameHeader;
    frame[1] = code;
    if (payload != nullptr)
        std::memcpy(frame.data() + 2, payload, 16);
    frame[kReplyChecksumIndex] =
        static_cast<uint8_t>(Checksum(frame.data(), kReplyChecksumIndex) & 0xFF);
    return frame;
}
