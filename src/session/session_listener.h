#pragma once
// What the scale session reports: the controller's answers and the state
// they change. Every call comes on the owner's thread; a listener shows or
// prints what it is told and keeps nothing it could ask the session for.

#include <cstdint>
#include <string>

#include "protocol/drift_monitor.h"
#include "protocol/log_record.h"
#include "protocol/replies.h"
#include "protocol/weight.h"

// The two gravity values the controller keeps.
enum class GravityPlace { Calibration, Use };

class SessionListener {
public:
    virtual ~SessionListener() = default;

    // The status line; drawn before the session goes on. Texts are in
    // Chinese, as marked with SHOWN_TEXT (protocol/shown_text.h).
    virtual void statusChanged(const std::string& text) { (void)text; }
    // A status line made of a fixed text and a value after it (a return
    // code, a version), which a window translates apart; by default the
    // whole line as above.
    virtual void statusWithValueChanged(const std::string& fixedText, const std::string& value)
    {
        statusChanged(fixedText + value);
    }
    // The same with why after the value (a port that is busy), translated
    // apart too; by default the value and the reason as one value.
    virtual void statusWithValueAndReasonChanged(const std::string& fixedText,
                                                 const std::string& value,
                                                 const std::string& reason)
    {
        statusWithValueChanged(fixedText, value + reason);
    }
    virtual void connectionChanged(bool connected) { (void)connected; }
    // The open port's device was lost (unplugged, or its far end closed),
    // before the session says what it does about it.
    virtual void portLost() { }
    // The device was lost and the session waits for it to come back (true),
    // or waits no more: reconnected, or closed by the operator (false).
    virtual void waitingForDevice(bool waiting) { (void)waiting; }
    // Every checksum-valid frame, before the session acts on it (frame[1] is
    // the reply code, 19 bytes).
    virtual void replyReceived(const uint8_t* frame) { (void)frame; }
    // Every measurement frame.
    virtual void weightMeasured(const WeightReading& reading) { (void)reading; }
    // Division and range of a parameter report (the places follow as placeChanged).
    virtual void parametersReported(const ParameterReport& report) { (void)report; }
    // A place with its gravity, from a parameter report or a confirmed
    // setting: one row's name, or PlaceNamesForGravity(gravity)
    // (protocol/gravity.h).
    virtual void placeChanged(GravityPlace place, const std::string& name, int32_t gravity)
    {
        (void)place, (void)name, (void)gravity;
    }
    // The drift monitor after a reading or a start of sampling.
    virtual void driftChanged(const DriftMonitor& monitor) { (void)monitor; }
    virtual void logRecordReceived(const CalibrationLogRecord& record) { (void)record; }
    // The tare of the tare operation (a zero reply clears the tare without
    // telling: the tare shown stays).
    virtual void tareChanged(double tare) { (void)tare; }
    virtual void baseValueChanged(double baseValue) { (void)baseValue; }
    // A port asked by a probe: whether a controller answered there.
    virtual void portProbed(const std::string& port, bool answers) { (void)port, (void)answers; }
    // The probe has ended (asked every port, or was stopped by an open);
    // `answering` ports answered.
    virtual void probeFinished(int answering) { (void)answering; }
};
