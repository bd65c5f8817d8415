#include "ui/trend_history.h"

#include <algorithm>

void TrendHistory::add(int64_t atMs, double weightKg, int32_t ad)
{
    if (slices_.empty() || atMs >= slices_.back().startMs + sliceMs_ ||
        atMs < slices_.back().startMs) {
        slices_.push_back({atMs - atMs % sliceMs_, 0.0, 0.0, 0});
        ++slicesBegun_;
        while (slices_.front().startMs < atMs - keptMs_)
            slices_.pop_front();
    }
    Slice& slice = slices_.back();
    slice.weightSum += weightKg;
    slice.adSum += ad;
    ++slice.readings;
}

std::vector<TrendPoint> TrendHistory::points(int64_t sinceMs, int64_t pointMs) const
{
    pointMs = std::max(pointMs, sliceMs_);
    std::vector<TrendPoint> result;
    double weightSum = 0, adSum = 0;
    int64_t readings = 0;
    const auto flush = [&] {
        if (readings == 0)
            return;
        result.back().weightKg = weightSum / static_cast<double>(readings);
        result.back().ad = adSum / static_cast<double>(readings);
        weightSum = adSum = 0;
        readings = 0;
    };
    auto slice = std::lower_bound(slices_.begin(), slices_.end(), sinceMs,
                                  [](const Slice& s, int64_t at) { return s.startMs < at; });
    for (; slice != slices_.end(); ++slice) {
        const int64_t pointAt = slice->startMs - slice->startMs % pointMs;
        if (result.empty() || result.back().atMs != pointAt) {
            flush();
            result.push_back({pointAt, 0.0, 0.0});
        }
        weightSum += slice->weightSum;
        adSum += slice->adSum;
        readings += slice->readings;
    }
    flush();
    return result;
}
