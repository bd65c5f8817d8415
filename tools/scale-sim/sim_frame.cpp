#include "sim_frame.h"

#include "protocol/checksum.h"

#include <cctype>
#include <cstdio>

namespace scalesim {

void PutLE16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void PutLE32(uint8_t* at, int32_t value)
{
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(bits >> (8 * i));
}

uint16_t GetLE16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

int32_t GetLE32(const uint8_t* at)
{
    uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | at[i];
    return static_cast<int32_t>(bits);
}

ReplyFrame BuildReply(uint8_t code, const Payload& payload)
{
    ReplyFrame frame{};
    frame[0] = kHeader;
    frame[1] = code;
    for (std::size_t i = 0; i < kPayloadLength; ++i)
        frame[2 + i] = payload[i];
    frame[kReplyLength - 1] = static_cast<uint8_t>(Checksum(frame.data(), kReplyLength - 1));
    return frame;
}

CommandFrame BuildCommand(uint8_t code, uint32_t data)
{
    CommandFrame frame{kHeader, kCommandMarker, code};
    PutLE32(&frame[3], static_cast<int32_t>(data));
    frame[7] = static_cast<uint8_t>(Checksum(frame.data(), 7));
    return frame;
}

std::string HexBytes(const uint8_t* data, std::size_t count)
{
    std::string text;
    text.reserve(count * 3);
    char byte[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(byte, sizeof byte, "%02X", data[i]);
        if (i > 0)
            text += ' ';
        text += byte;
    }
    return text;
}

static unsigned HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<unsigned>(c - '0');
    return static_cast<unsigned>(std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
}

bool ParseHexBytes(const std::string& text, Bytes& out)
{
    out.clear();
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == ',' || text[i] == '\t') {
            ++i;
            continue;
        }
        if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0)
            i += 2;
        unsigned value = 0;
        std::size_t digits = 0;
        while (i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i]))) {
            value = value * 16 + HexDigit(text[i]);
            ++digits;
            ++i;
        }
        const bool endsToken =
            i == text.size() || text[i] == ' ' || text[i] == ',' || text[i] == '\t';
        if (digits == 0 || digits > 2 || !endsToken)
            return false;
        out.push_back(static_cast<uint8_t>(value));
    }
    return true;
}

std::vector<CommandAssembler::Item> CommandAssembler::Feed(const uint8_t* data, std::size_t count)
{
    pending_.insert(pending_.end(), data, data + count);
    std::vector<Item> items;
    std::size_t pos = 0;
    while (pos < pending_.size()) {
        if (pending_[pos] != kHeader) {
            std::size_t end = pos;
            while (end < pending_.size() && pending_[end] != kHeader)
                ++end;
            items.push_back(
                {Kind::Noise, Bytes(pending_.begin() + pos, pending_.begin() + end), {}});
            pos = end;
            continue;
        }
        if (pending_.size() - pos < kCommandLength)
            break; // wait for the rest of this frame
        Bytes frame(pending_.begin() + pos, pending_.begin() + pos + kCommandLength);
        if (frame[1] != kCommandMarker) {
            items.push_back({Kind::BadFrame, std::move(frame), "byte 1 is not 01"});
            pos += 1;
        } else if (!ChecksumMatches(frame.data(), 7, frame[7])) {
            items.push_back({Kind::BadFrame, std::move(frame), "wrong checksum"});
            pos += 1;
        } else {
            items.push_back({Kind::Frame, std::move(frame), {}});
            pos += kCommandLength;
        }
    }
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pos));
    return items;
}

} // namespace scalesim
