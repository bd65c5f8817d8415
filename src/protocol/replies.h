#pragma once

// The controller's replies: decoding of the payloads and, per reply code,
// the steps the dispatcher takes. All functions take a checksum-valid
// 19-byte reply frame as frameBuffer holds it (header at index 0).
//
// The scale session's dispatcher takes the steps of DescribeReply in order
// (a measurement frame has the one step ShowWeight), inside the try that
// logs "CheckRecDataOK Except:".

#include "protocol/frame.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

// Reply codes with a meaning of their own; every other code is a
// measurement frame.
inline constexpr uint8_t kReplySetOK = 0x00;
inline constexpr uint8_t kReplyVersion = 0x01;
inline constexpr uint8_t kReplySetFailed = 0x11;
inline constexpr uint8_t kReplyZeroNotCalibrated = 0x22;
inline constexpr uint8_t kReplyAnyPointNotCalibrated = 0x33;
inline constexpr uint8_t kReplyOpenCalibrationSwitch = 0x44;
inline constexpr uint8_t kReplyZeroCalibrated = 0x66;
inline constexpr uint8_t kReplyZeroSet = 0x68;
inline constexpr uint8_t kReplyZeroSetFailed = 0x69;
inline constexpr uint8_t kReplyAnyPointCalibrated = 0x88;
inline constexpr uint8_t kReplyZeroTrackingSet = 0x99;
inline constexpr uint8_t kReplyZeroTrackingOn = 0x9A;
inline constexpr uint8_t kReplyZeroTrackingOff = 0x9B;
inline constexpr uint8_t kReplyVersionText = 0xF2;
inline constexpr uint8_t kReplyRangeSet = 0xF5;
inline constexpr uint8_t kReplyParameters = 0xF6;
inline constexpr uint8_t kReplyLogRecord = 0xF8;
inline constexpr uint8_t kReplyBeeper = 0xFB;

// True for a code without a case of its own (0x77 included).
bool IsMeasurementCode(uint8_t code);

// Parameter report, reply 0xF6.
struct ParameterReport {
    uint8_t division = 0; // index for cbbFD: 0 "默认", 1 "5g"; other values select nothing
    uint16_t rangeKg = 0; // for iMaxRange and the cbbMaxRange item of that text
    int32_t calibrationGravity = 0; // edtCity, units of 0.0001 m/s²
    int32_t useGravity = 0;         // edtUseCity, same unit

    bool operator==(const ParameterReport&) const = default;
};
ParameterReport DecodeParameterReport(const uint8_t* frame);

// Reply 0x01: the version number of byte 2.
uint8_t DecodeVersionNumber(const uint8_t* frame);
// Reply 0xF2: bytes 2..17 up to the first zero byte, as the controller sent them.
std::string DecodeVersionText(const uint8_t* frame);
// Reply 0xFB: byte 2 is 1 when the beeper is on; anything else is off.
bool DecodeBeeperOn(const uint8_t* frame);

enum class ReplyFlag { None, SetAcknowledged, VersionAnswered, LogRecordAnswered };

enum class ReplyStepKind {
    SetFlag,           // flag := true
    ShowStatus,        // ShowStatus(text)
    ShowBox,           // modal box with text and OK; go on once it is closed
    WriteOperationLog, // WriteOperationLog(text)
    ClearTare,         // the tare := 0 (the tare shown stays)
    ApplyParameters,   // DecodeParameterReport into the parameter controls
    AppendLogRecord,   // DecodeCalibrationLogRecord appended to the session's records
    ShowWeight,        // measurement frame: the weight is computed and shown
};

struct ReplyStep {
    ReplyStep() = default;
    ReplyStep(ReplyStepKind k, std::string t = {}, ReplyFlag f = ReplyFlag::None,
              std::string v = {})
        : kind(k), text(std::move(t)), flag(f), value(std::move(v))
    {
    }

    ReplyStepKind kind = ReplyStepKind::ShowWeight;
    std::string text; // ShowStatus, ShowBox, WriteOperationLog: the whole text
    ReplyFlag flag = ReplyFlag::None;
    // ShowStatus, ShowBox: the end of `text` that the reply's payload gave
    // (a version), shown as it is; what comes before it is a fixed text,
    // which a window translates. Empty when the whole text is fixed.
    std::string value;

    // The text before `value`.
    std::string fixedText() const { return text.substr(0, text.size() - value.size()); }

    // Two steps are the same when they do the same: `value` only tells how
    // `text` was made.
    bool operator==(const ReplyStep& other) const
    {
        return kind == other.kind && text == other.text && flag == other.flag;
    }
};

// The steps for one reply, in the order they are taken (at most three).
class ReplyAction {
public:
    void add(ReplyStep step) { steps_[count_++] = std::move(step); }
    const ReplyStep* begin() const { return steps_.data(); }
    const ReplyStep* end() const { return steps_.data() + count_; }
    size_t size() const { return count_; }
    const ReplyStep& operator[](size_t i) const { return steps_[i]; }

private:
    std::array<ReplyStep, 3> steps_{};
    size_t count_ = 0;
};

// What the dispatcher does with this reply. Texts are UTF-8, in Chinese,
// marked with SHOWN_TEXT where they are shown; bytes of the version text
// outside ASCII are shown as "?".
ReplyAction DescribeReply(const uint8_t* frame);
