#pragma once
// The unlock gesture: three clicks within three seconds of the first click
// of a sequence. The click that completes it also starts the next sequence.

#include <cstdint>

class ClickGesture {
public:
    static constexpr uint32_t kWindowMs = 3000;
    static constexpr int kClicks = 3;

    // A click at the given millisecond tick; true when it completes the gesture.
    bool click(uint32_t nowMs)
    {
        // Tick differences are taken modulo 2^32, so they survive the wrap.
        if (nowMs - sequenceStart_ < kWindowMs) {
            ++clicks_;
        } else {
            sequenceStart_ = nowMs;
            clicks_ = 1;
        }
        if (clicks_ < kClicks)
            return false;
        sequenceStart_ = nowMs;
        clicks_ = 1;
        return true;
    }

    int clicks() const { return clicks_; }

private:
    uint32_t sequenceStart_ = 0;
    int clicks_ = 0;
};
