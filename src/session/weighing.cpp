#include "session/weighing.h"

#include <algorithm>
#include <span>

#include "protocol/date_time.h"
#include "protocol/frame.h"
#include "protocol/number_format.h"
#include "protocol/number_parse.h"
#include "protocol/shown_text.h"
#include "session/session_host.h"
#include "session/session_listener.h"

void Weighing::measured(const uint8_t* frame)
{
    // Only measurement frames carry the live AD the drift monitor watches.
    if (sampling_) {
        drift_.update(ReadI32LE(&frame[6]), CurrentDateTime());
        listener_.driftChanged(drift_);
    }
    show(frame);
}

void Weighing::show(const uint8_t* frame)
{
    const WeightReading reading =
        ComputeWeight(std::span<const uint8_t, kReplyFrameSize>(frame, kReplyFrameSize), state_);
    lastReading_ = reading;
    const auto now = std::chrono::steady_clock::now();
    if (lastReadingAt_)
        readingInterval_ = now - *lastReadingAt_;
    lastReadingAt_ = now;
    recentReadings_.push_back(reading);
    if (recentReadings_.size() > kReadingsKept)
        recentReadings_.pop_front();
    ++readingsSeen_;
    if (awaitingReadings_ > 0)
        host_.wakeWaiters();
    if (reading.powerOnZeroFailed)
        listener_.statusChanged(SHOWN_TEXT("ScaleSession", "上电自动归零失败！"));
    listener_.weightMeasured(reading);
    if (host_.resultLogOn())
        host_.writeResultLog(ResultLogLine(reading));
}

bool Weighing::readingIsRecent(std::chrono::steady_clock::time_point now) const
{
    using namespace std::chrono_literals;
    return lastReadingAt_ && now - *lastReadingAt_ <= std::max<std::chrono::steady_clock::duration>(
                                                          2s, 3 * readingInterval_);
}

void Weighing::tare()
{
    // The weight as shown, to the gram: the next reading of the same load
    // then shows 0.000.
    if (lastReading_)
        state_.tare += ParseFloatOr(FormatThreeDecimals(lastReading_->displayed), 0.0);
    listener_.tareChanged(state_.tare);
}

void Weighing::takeBaseValue()
{
    // The raw weight as shown, to six decimals.
    state_.baseValue =
        lastReading_ ? ParseFloatOr(FormatUpToSixDecimals(lastReading_->rawWeight), 0.0) : 0.0;
    listener_.baseValueChanged(state_.baseValue);
}

void Weighing::clearBaseValue()
{
    state_.baseValue = 0;
    listener_.baseValueChanged(state_.baseValue);
}

bool Weighing::toggleSampling()
{
    sampling_ = !sampling_;
    if (sampling_) {
        drift_.start(CurrentDateTime());
        listener_.driftChanged(drift_);
    }
    return sampling_;
}

void Weighing::awaitReadings(uint64_t first, size_t count, uint32_t ms)
{
    ++awaitingReadings_;
    host_.wait(ms, [&] { return readingsSeen_ - first >= count; });
    --awaitingReadings_;
}

std::optional<ReadingSummary> Weighing::summarizeRecent(size_t count) const
{
    count = std::min(count, recentReadings_.size());
    return SummarizeReadings(std::vector<WeightReading>(
        recentReadings_.end() - static_cast<long>(count), recentReadings_.end()));
}

std::optional<ReadingSummary> Weighing::summarize(uint64_t from, uint64_t end) const
{
    const uint64_t kept = readingsSeen_ - recentReadings_.size();
    from = std::max(from, kept);
    end = std::min(end, readingsSeen_);
    if (end <= from)
        return std::nullopt;
    const auto begin = recentReadings_.begin() + static_cast<long>(from - kept);
    return SummarizeReadings(
        std::vector<WeightReading>(begin, begin + static_cast<long>(end - from)));
}
