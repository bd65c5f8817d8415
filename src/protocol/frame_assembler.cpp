#include "protocol/frame_assembler.h"

#include "protocol/checksum.h"

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
    for (uint16_t i = 0; i < count; ++i) {
        if (!store(data[i]))
            continue;
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
    std::memset(RecvBuf, 0, sizeof RecvBuf);
    iRecvLen = 0;
    bRecvHead = false;
}
