#include "protocol/frame_assembler.h"

#include "protocol/checksum.h"

#include <algorithm>
#include <cstring>

bool TFrameAssembler::store(uint8_t byte)
{
    if (!bRecvHead) {
        if (byte == kFrameHeader) {
            RecvBuf[0] = byte;
            bRecvHead = true;
        }
        return false;
    }
    RecvBuf[++iRecvLen] = byte; // a 0xAA here is data, not a new header
    return iRecvLen == kReplyChecksumIndex;
}

void TFrameAssembler::rescanAfterFalseHeader()
{
    uint8_t rest[kReplyChecksumIndex];
    std::memcpy(rest, RecvBuf + 1, sizeof rest);
    ResetRecvBuffer();
    // Fewer than 19 bytes: this cannot complete a frame, only start one.
    for (uint8_t byte : rest)
        store(byte);
}

size_t TFrameAssembler::DataToRecBuffer(const uint8_t* data, uint16_t count,
                                        const FrameHandler& onFrame)
{
    if (data == nullptr)
        return 0;
    size_t handedOn = 0;
    const uint8_t* const end = data + count;
    for (const uint8_t* next = data; next < end;) {
        if (!bRecvHead) {
            // Skip to the next header byte.
            next = static_cast<const uint8_t*>(std::memchr(next, kFrameHeader, static_cast<size_t>(end - next)));
            if (next == nullptr)
                break;
            store(*next++);
            continue;
        }
        // The rest of the frame, or as much of it as the block holds; a
        // 0xAA in there is data, not a new header.
        const size_t wanted = kReplyChecksumIndex - iRecvLen;
        const size_t taken = std::min(wanted, static_cast<size_t>(end - next));
        std::memcpy(RecvBuf + iRecvLen + 1, next, taken);
        iRecvLen = static_cast<uint8_t>(iRecvLen + taken);
        next += taken;
        if (iRecvLen != kReplyChecksumIndex)
            break;
        if (!CheckSumOK(RecvBuf, kReplyChecksumIndex, RecvBuf[kReplyChecksumIndex])) {
            rescanAfterFalseHeader();
            continue;
        }
        struct ResetAfterwards {
            TFrameAssembler& self;
            ~ResetAfterwards() { self.ResetRecvBuffer(); }
        } reset{*this};
        ++handedOn;
        if (onFrame)
            onFrame();
    }
    return handedOn;
}

void TFrameAssembler::ResetRecvBuffer()
{
    // Only a frame's bytes are ever written; the rest of RecvBuf stays zero.
    std::memset(RecvBuf, 0, kReplyFrameSize);
    iRecvLen = 0;
    bRecvHead = false;
}
