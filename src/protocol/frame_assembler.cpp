#include "protocol/frame_assembler.h"

#include "protocol/checksum.h"

#include <algorithm>
#include <cstring>

bool FrameAssembler::store(uint8_t byte)
{
    if (!headerSeen) {
        if (byte == kFrameHeader) {
            frameBuffer[0] = byte;
            headerSeen = true;
        }
        return false;
    }
    frameBuffer[++storedAfterHeader] = byte; // a 0xAA here is data, not a new header
    return storedAfterHeader == kReplyChecksumIndex;
}

void FrameAssembler::rescanAfterFalseHeader()
{
    uint8_t rest[kReplyChecksumIndex];
    std::memcpy(rest, frameBuffer + 1, sizeof rest);
    reset();
    // Fewer than 19 bytes: this cannot complete a frame, only start one.
    for (uint8_t byte : rest)
        store(byte);
}

size_t FrameAssembler::feed(const uint8_t* data, uint16_t count, const FrameHandler& onFrame)
{
    if (data == nullptr)
        return 0;
    size_t handedOn = 0;
    const uint8_t* const end = data + count;
    for (const uint8_t* next = data; next < end;) {
        if (!headerSeen) {
            // Skip to the next header byte.
            next = static_cast<const uint8_t*>(
                std::memchr(next, kFrameHeader, static_cast<size_t>(end - next)));
            if (next == nullptr)
                break;
            store(*next++);
            continue;
        }
        // The rest of the frame, or as much of it as the block holds; a
        // 0xAA in there is data, not a new header.
        const size_t wanted = kReplyChecksumIndex - storedAfterHeader;
        const size_t taken = std::min(wanted, static_cast<size_t>(end - next));
        std::memcpy(frameBuffer + storedAfterHeader + 1, next, taken);
        storedAfterHeader = static_cast<uint8_t>(storedAfterHeader + taken);
        next += taken;
        if (storedAfterHeader != kReplyChecksumIndex)
            break;
        if (!ChecksumMatches(frameBuffer, kReplyChecksumIndex, frameBuffer[kReplyChecksumIndex])) {
            rescanAfterFalseHeader();
            continue;
        }
        struct ResetAfterwards {
            FrameAssembler& self;
            ~ResetAfterwards() { self.reset(); }
        } reset{*this};
        ++handedOn;
        if (onFrame)
            onFrame();
    }
    return handedOn;
}

void FrameAssembler::reset()
{
    // Only a frame's bytes are ever written; the rest of frameBuffer stays zero.
    std::memset(frameBuffer, 0, kReplyFrameSize);
    storedAfterHeader = 0;
    headerSeen = false;
}
