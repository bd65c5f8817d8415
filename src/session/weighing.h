#pragma once
// Weighing: the readings as the controller measures them, the tare and the
// base value the operator sets, and the drift monitor. Every measurement
// frame comes here; a reading is computed, kept, shown and logged.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include "protocol/drift_monitor.h"
#include "protocol/weight.h"
#include "session/calibration_record.h"

class SessionHost;
class SessionListener;

class Weighing {
public:
    Weighing(SessionHost& host, SessionListener& listener) : host_(host), listener_(listener) { }

    // A measurement frame (19 bytes, checksum good).
    void measured(const uint8_t* frame);
    // A reply that shows a weight without being a measurement.
    void show(const uint8_t* frame);

    // Whether a reading came recently enough to be the weight on the scale
    // now: within 2 s, or 3 of the stream's intervals when those are longer.
    bool readingIsRecent(std::chrono::steady_clock::time_point now) const;
    // The port was closed or lost: no reading is recent until the next.
    void connectionEnded() { lastReadingAt_.reset(); }

    // Adds the weight shown now to the tare, so the same load shows 0.000.
    void tare();
    // The zero reply clears the tare without telling (the tare shown stays).
    void clearTare() { state_.tare = 0; }
    // The raw weight of the last reading becomes the base value.
    void takeBaseValue();
    void clearBaseValue();
    // The weight is rounded with this range from the next measurement on.
    void setRangeKg(int32_t rangeKg) { state_.rangeKg = rangeKg; }
    // Starts or stops the drift monitor; true when it now runs.
    bool toggleSampling();

    const WeighingState& state() const { return state_; }
    const std::optional<WeightReading>& lastReading() const { return lastReading_; }
    bool sampling() const { return sampling_; }
    const DriftMonitor& driftMonitor() const { return drift_; }

    // Readings counted since the session began: positions for the two below.
    uint64_t readingsSeen() const { return readingsSeen_; }
    // Waits up to ms until `count` readings came after position `first`.
    void awaitReadings(uint64_t first, size_t count, uint32_t ms);
    // The last `count` readings (fewer when fewer came) summed up.
    std::optional<ReadingSummary> summarizeRecent(size_t count) const;
    // The readings from position `from` up to `end` that are still kept.
    std::optional<ReadingSummary> summarize(uint64_t from, uint64_t end) const;

private:
    SessionHost& host_;
    SessionListener& listener_;
    WeighingState state_;
    std::optional<WeightReading> lastReading_;
    // When the last reading came, and how long after the one before.
    std::optional<std::chrono::steady_clock::time_point> lastReadingAt_;
    std::chrono::steady_clock::duration readingInterval_{};
    bool sampling_ = false;
    DriftMonitor drift_;
    // The last readings, enough for an "as left" completed after another
    // calibration's record.
    static constexpr size_t kReadingsKept = 256;
    std::deque<WeightReading> recentReadings_;
    uint64_t readingsSeen_ = 0;
    int awaitingReadings_ = 0;
};
