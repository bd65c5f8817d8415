#pragma once
// Reply frames as the controller sends them, for feeding the session's
// receive path directly.

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "protocol/frame.h"
#include "session/scale_session.h"

namespace session_test {

using Bytes = std::vector<uint8_t>;

// A reply with this code whose payload starts with these bytes (the rest 0).
inline Bytes Reply(uint8_t code, std::initializer_list<uint8_t> payloadStart = {})
{
    uint8_t payload[16] = {};
    std::copy(payloadStart.begin(), payloadStart.end(), payload);
    const ReplyFrame frame = BuildReplyFrame(code, payload);
    return Bytes(frame.begin(), frame.end());
}

// A measurement frame: raw weight = calibration weight x live AD / span AD.
inline Bytes Measurement(int32_t spanAD, int32_t liveAD, uint16_t calibrationKg,
                         uint8_t code = 0x10)
{
    uint8_t payload[16] = {};
    WriteU32LE(payload, static_cast<uint32_t>(spanAD));
    WriteU32LE(payload + 4, static_cast<uint32_t>(liveAD));
    WriteU16LE(payload + 8, calibrationKg);
    const ReplyFrame frame = BuildReplyFrame(code, payload);
    return Bytes(frame.begin(), frame.end());
}

inline Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// One block as the port would deliver it.
inline void Feed(ScaleSession& session, const Bytes& block)
{
    session.receive(block.data(), static_cast<uint16_t>(block.size()));
}

} // namespace session_test
