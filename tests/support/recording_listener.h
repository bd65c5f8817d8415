#pragma once
// Records what a scale session reports, for tests.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "session/session_listener.h"

class RecordingListener : public SessionListener {
public:
    void statusChanged(const std::string& text) override { statuses.push_back(text); }
    void connectionChanged(bool connected) override { connections.push_back(connected); }
    void waitingForDevice(bool waiting) override { waits.push_back(waiting); }
    void replyReceived(const uint8_t* frame) override { replyCodes.push_back(frame[1]); }
    void weightMeasured(const WeightReading& reading) override { readings.push_back(reading); }
    void parametersReported(const ParameterReport& report) override { reports.push_back(report); }
    void placeChanged(GravityPlace place, const std::string& name, int32_t gravity) override
    {
        places.push_back({place, name, gravity});
    }
    void driftChanged(const DriftMonitor& monitor) override { drifts.push_back(monitor); }
    void logRecordReceived(const CalibrationLogRecord& record) override
    {
        records.push_back(record);
    }
    void tareChanged(double tare) override { tares.push_back(tare); }
    void baseValueChanged(double baseValue) override { baseValues.push_back(baseValue); }
    void portProbed(const std::string& port, bool answers) override
    {
        probed.push_back({port, answers});
    }
    void probeFinished(int answering) override { probesFinished.push_back(answering); }

    struct Place {
        GravityPlace place;
        std::string name;
        int32_t gravity;
    };

    std::string lastStatus() const { return statuses.empty() ? std::string() : statuses.back(); }

    std::vector<std::string> statuses;
    std::vector<bool> connections;
    std::vector<bool> waits; // waitingForDevice reports
    std::vector<uint8_t> replyCodes;
    std::vector<WeightReading> readings;
    std::vector<ParameterReport> reports;
    std::vector<Place> places;
    std::vector<DriftMonitor> drifts;
    std::vector<CalibrationLogRecord> records;
    std::vector<double> tares;
    std::vector<double> baseValues;
    std::vector<std::pair<std::string, bool>> probed; // port, answers
    std::vector<int> probesFinished;                  // ports answering, per probe
};
