#include "scale_controller.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace scalesim {

namespace {

// Display division in kg for a weight on the given range, as the tool rounds.
double DivisionKg(uint16_t rangeKg, double kg)
{
    if (rangeKg == 30)
        return 0.01;
    if (rangeKg == 750)
        return 0.05;
    return std::fabs(kg) >= 6.0 ? 0.005 : 0.002;
}

uint32_t DataOf(const CommandFrame& frame) { return static_cast<uint32_t>(GetLE32(&frame[3])); }

} // namespace

ScaleController::ScaleController(uint32_t seed) : random_(seed), clockSeconds_(DeviceSecondsNow())
{
    log.FillSample(5, kDeadLoadAD, kCountsPerKg);
}

bool ScaleController::IsCommand(uint8_t code)
{
    switch (code) {
    case kReadVersion:
    case kCalibrateZero:
    case kCalibrateSpan:
    case kSetZero:
    case kShiftZero:
    case kTrackingOffCmd:
    case kTrackingOnCmd:
    case kQueryTracking:
    case kReadVersionText:
    case kSetGravity:
    case kSetDivision:
    case kSetRange:
    case kReadParameters:
    case kSetClock:
    case kReadLogRecord:
    case kOpenSwitch:
    case kBeeper:
        return true;
    default:
        return false;
    }
}

bool ScaleController::HasAnswer(uint8_t code)
{
    return IsCommand(code) && code != kShiftZero && code != kSetClock && code != kOpenSwitch;
}

ReplyFrame ScaleController::Reply(uint8_t code, const Payload& payload) const
{
    return BuildReply(code, payload);
}

int32_t ScaleController::SampleAD(int64_t nowMs)
{
    driftCounts_ += state.driftPerMinute * static_cast<double>(nowMs - driftAtMs_) / 60000.0;
    driftAtMs_ = nowMs;
    int32_t noise = 0;
    if (state.noiseCounts > 0)
        noise =
            std::uniform_int_distribution<int32_t>(-state.noiseCounts, state.noiseCounts)(random_);
    return kDeadLoadAD +
           static_cast<int32_t>(std::lround(state.loadKg * kCountsPerKg + driftCounts_)) + noise;
}

int32_t ScaleController::LiveAD(int32_t rawAD) const
{
    return rawAD - (state.zeroCalibrated ? state.zeroAD : 0) - state.zeroOffset;
}

double ScaleController::GrossKg(int32_t rawAD) const
{
    if (!state.spanCalibrated || state.spanAD == 0)
        return 0;
    return static_cast<double>(state.calWeightKg) * (rawAD - state.zeroAD) / state.spanAD;
}

ReplyFrame ScaleController::Measurement(int64_t nowMs)
{
    const int32_t raw = SampleAD(nowMs);
    int32_t live = LiveAD(raw);
    const int32_t span = state.spanCalibrated ? state.spanAD : 0;
    if (state.zeroTracking && span != 0) {
        const double net = static_cast<double>(state.calWeightKg) * live / span;
        const bool nearZero = std::fabs(net) <= DivisionKg(state.rangeKg, net) / 2;
        if (nearZero && std::fabs(GrossKg(raw)) <= kZeroBand * state.rangeKg) {
            state.zeroOffset += live;
            live = 0;
        }
    }
    Payload payload{};
    PutLE32(&payload[0], span);
    PutLE32(&payload[4], live);
    PutLE16(&payload[8], state.spanCalibrated ? state.calWeightKg : 0);
    PutLE32(&payload[10], raw); // the converter's own reading; the tool ignores it
    return Reply(state.zeroFailed ? kPowerOnZeroFailed : kMeasurement, payload);
}

void ScaleController::SetCalibration(int weightKg)
{
    state.zeroCalibrated = weightKg >= 0;
    state.spanCalibrated = weightKg > 0;
    state.zeroAD = kDeadLoadAD;
    state.zeroOffset = 0;
    if (weightKg > 0) {
        state.calWeightKg = static_cast<uint16_t>(weightKg);
        state.spanAD = weightKg * kCountsPerKg;
    }
}

int32_t ScaleController::DeviceClock(int64_t nowMs) const
{
    return clockSeconds_ + static_cast<int32_t>((nowMs - clockAtMs_) / 1000);
}

void ScaleController::SetDeviceClock(int32_t seconds, int64_t nowMs)
{
    clockSeconds_ = seconds;
    clockAtMs_ = nowMs;
}

void ScaleController::LogCalibration(uint8_t type, int64_t nowMs)
{
    CalibrationRecord record;
    record.time = DeviceClock(nowMs);
    record.zeroAD = state.zeroAD;
    record.anyAD = state.spanCalibrated ? state.zeroAD + state.spanAD : 0;
    record.weightKg = state.spanCalibrated ? state.calWeightKg : 0;
    record.type = type;
    log.Append(record);
}

std::vector<ReplyFrame> ScaleController::CalibrateZero(int64_t nowMs)
{
    if (!state.switchOpen)
        return {Reply(kSwitchClosed)};
    state.zeroAD = SampleAD(nowMs);
    state.zeroOffset = 0;
    state.zeroCalibrated = true;
    LogCalibration(kZeroCalibration, nowMs);
    return {Reply(kZeroCalibrated)};
}

std::vector<ReplyFrame> ScaleController::CalibrateSpan(uint16_t weightKg, int64_t nowMs)
{
    if (!state.switchOpen)
        return {Reply(kSwitchClosed)};
    if (!state.zeroCalibrated)
        return {Reply(kZeroNotCalibrated)};
    const int32_t span = SampleAD(nowMs) - state.zeroAD;
    // Nothing on the platform, or no weight named: no span to learn.
    if (weightKg == 0 || span <= 0)
        return {Reply(kRefused)};
    state.spanAD = span;
    state.calWeightKg = weightKg;
    state.spanCalibrated = true;
    state.zeroOffset = 0;
    state.gravityCal = state.gravityUse; // calibrated here, so this is the calibration place
    LogCalibration(kAnyPointCalibration, nowMs);
    return {Reply(kSpanCalibrated)};
}

std::vector<ReplyFrame> ScaleController::SetZero(bool checkBand, int64_t nowMs)
{
    if (!state.zeroCalibrated)
        return {Reply(kZeroNotCalibrated)};
    if (!state.spanCalibrated)
        return {Reply(kSpanNotCalibrated)};
    const int32_t raw = SampleAD(nowMs);
    if (checkBand && std::fabs(GrossKg(raw)) > kZeroBand * state.rangeKg)
        return {Reply(kZeroTooFar)};
    state.zeroOffset = raw - state.zeroAD;
    state.zeroFailed = false;
    return {Reply(kZeroed)};
}

std::vector<ReplyFrame> ScaleController::Answer(const CommandFrame& frame, int64_t nowMs)
{
    const uint32_t data = DataOf(frame);
    const uint8_t data0 = frame[3];
    Payload payload{};
    switch (frame[2]) {
    case kReadVersion:
        payload[0] = state.versionNumber;
        return {Reply(kVersionNumber, payload)};
    case kReadVersionText:
        std::memcpy(payload.data(), state.versionText.data(),
                    std::min(state.versionText.size(), kPayloadLength));
        return {Reply(kVersionText, payload)};
    case kCalibrateZero:
        return CalibrateZero(nowMs);
    case kCalibrateSpan:
        return CalibrateSpan(static_cast<uint16_t>(data), nowMs);
    case kSetZero:
        return SetZero(true, nowMs);
    case kShiftZero:
        SetZero(false, nowMs);
        return {};
    case kTrackingOffCmd:
    case kTrackingOnCmd:
        state.zeroTracking = frame[2] == kTrackingOnCmd;
        return {Reply(kTrackingSet)};
    case kQueryTracking:
        return {Reply(state.zeroTracking ? kTrackingOn : kTrackingOff)};
    case kSetGravity: {
        const auto gravity = static_cast<int32_t>(data);
        if (gravity < 90000 || gravity > 110000) // 9 to 11 m/s²: anything else is a mistake
            return {Reply(kRefused)};
        state.gravityUse = gravity;
        return {Reply(kAck)};
    }
    case kSetDivision:
        if (data > 1)
            return {Reply(kRefused)};
        state.division = data0;
        return {Reply(kAck)};
    case kSetRange:
        if (data == 0 || data > 0xFFFF)
            return {Reply(kRefused)};
        state.rangeKg = static_cast<uint16_t>(data);
        PutLE16(&payload[0], state.rangeKg);
        return {Reply(kRangeSet, payload)};
    case kReadParameters:
        payload[0] = state.division;
        PutLE16(&payload[2], state.rangeKg);
        PutLE32(&payload[4], state.gravityCal);
        PutLE32(&payload[8], state.gravityUse);
        return {Reply(kParameters, payload)};
    case kSetClock:
        SetDeviceClock(static_cast<int32_t>(data), nowMs);
        return {};
    case kReadLogRecord:
        if (data < 1 || data > CalibrationLog::kSlots)
            return {Reply(kRefused)};
        return {Reply(kLogRecord, log.RecordPayload(data0))};
    case kOpenSwitch:
        state.switchOpen = true;
        return {};
    case kBeeper:
        if (data == 0 || data == 1)
            state.beeper = data == 1;
        else if (data != 0xFF)
            return {Reply(kRefused)};
        payload[0] = state.beeper ? 1 : 0;
        return {Reply(kBeeperState, payload)};
    default:
        return {};
    }
}

} // namespace scalesim
