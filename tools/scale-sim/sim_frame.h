#pragma once

// Frames as the controller sees them: 8-byte commands in, 19-byte replies
// out. The simulator builds and parses them itself so that it stays an
// independent peer of the tool's own protocol code; only the checksum rule
// is shared.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace scalesim {

inline constexpr uint8_t kHeader = 0xAA;
inline constexpr uint8_t kCommandMarker = 0x01; // byte 1 of every command
inline constexpr std::size_t kCommandLength = 8;
inline constexpr std::size_t kReplyLength = 19;
inline constexpr std::size_t kPayloadLength = 16;

using Bytes = std::vector<uint8_t>;
using CommandFrame = std::array<uint8_t, kCommandLength>;
using ReplyFrame = std::array<uint8_t, kReplyLength>;
using Payload = std::array<uint8_t, kPayloadLength>;

// Little-endian fields.
void PutLE16(uint8_t* at, uint16_t value);
void PutLE32(uint8_t* at, int32_t value);
uint16_t GetLE16(const uint8_t* at);
int32_t GetLE32(const uint8_t* at);

// Header, code, payload and checksum.
ReplyFrame BuildReply(uint8_t code, const Payload& payload = {});

// Header, marker, code, data and checksum (used by tests and clients).
CommandFrame BuildCommand(uint8_t code, uint32_t data = 0);

// "AA 01 F6": upper-case hex, one space between bytes.
std::string HexBytes(const uint8_t* data, std::size_t count);
template <typename Container> std::string HexBytes(const Container& bytes)
{
    return HexBytes(bytes.data(), bytes.size());
}

// Reads hex bytes separated by blanks or commas, each with or without
// "0x" ("AA 01", "0xaa,1"). False on anything else or a value above 0xFF.
bool ParseHexBytes(const std::string& text, Bytes& out);

// Collects command frames from the bytes the tool writes. A candidate that
// fails (byte 1 not 0x01, wrong checksum) is reported and scanning resumes
// right after its header, so a good frame behind a bad one is still found.
class CommandAssembler {
public:
    enum class Kind { Frame, BadFrame, Noise };
    struct Item {
        Kind kind;
        Bytes bytes;       // the frame, or the dropped noise bytes
        std::string fault; // why a bad frame was refused
    };

    std::vector<Item> Feed(const uint8_t* data, std::size_t count);

private:
    Bytes pending_;
};

} // namespace scalesim
