#include "protocol/ad_monitor.h"

#include "protocol/number_format.h"

#include <charconv>
#include <cmath>

namespace {

// The integer in an edit's text; 0 when the text is not one.
int32_t integerOrZero(const std::string& text)
{
    int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end ? value : 0;
}

} // namespace

void ComputeADMonitor(std::span<const uint8_t, kReplyFrameSize> frame, TADMonitorTexts& texts,
                      TDateTime now)
{
    const int32_t ad = ReadI32LE(&frame[6]);
    texts.edtNowAD = std::to_string(ad);
    if (texts.edtBaseADTag == 1) {
        texts.edtBaseAD = texts.edtNowAD;
        texts.edtBaseADTag = 0;
    }

    const int32_t base = integerOrZero(texts.edtBaseAD);
    // 32-bit two's-complement difference, as the counts wrap on the device.
    const int32_t diff = static_cast<int32_t>(static_cast<uint32_t>(ad) - static_cast<uint32_t>(base));
    texts.edtDiffAD = std::to_string(diff);
    const double drift = diff * kADDriftFactor;
    texts.edtDiffValue = FormatGeneral(drift);

    const TDateTime start = ParseDateTime(texts.edtStartDt);
    if (std::fabs(drift) >= kADDriftAlarm && texts.edtErrorDt.empty()) {
        texts.edtErrorDt = FormatDateTime(kPatternDateTime, now);
        texts.edtErrorCount = std::to_string(WholeMinutesBetween(start, now));
    }
    texts.edtRunCount = std::to_string(WholeMinutesBetween(start, now));
}
