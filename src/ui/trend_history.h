#pragma once
// What the trend chart draws: the displayed weight and the live AD of every
// reading, averaged over slices of time, for the longest span the chart
// shows. Adding a reading costs a few additions, so every frame can go in.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

struct TrendPoint {
    int64_t atMs = 0; // start of the slice, ms since the epoch
    double weightKg = 0.0;
    double ad = 0.0;
};

class TrendHistory {
public:
    TrendHistory(int64_t sliceMs, int64_t keptMs) : sliceMs_(sliceMs), keptMs_(keptMs) { }

    void add(int64_t atMs, double weightKg, int32_t ad);
    // The slices that begin at or after sinceMs, in time order, merged into
    // one point for each pointMs of time (weighted by their readings). Points
    // lie on multiples of pointMs, so they stay where they are as time goes on.
    std::vector<TrendPoint> points(int64_t sinceMs, int64_t pointMs) const;
    // Slices begun so far: changes whenever a slice begins.
    uint64_t slicesBegun() const { return slicesBegun_; }
    int64_t sliceMs() const { return sliceMs_; }

private:
    struct Slice {
        int64_t startMs;
        double weightSum;
        double adSum;
        int64_t readings;
    };

    int64_t sliceMs_;
    int64_t keptMs_;
    std::deque<Slice> slices_;
    uint64_t slicesBegun_ = 0;
};
