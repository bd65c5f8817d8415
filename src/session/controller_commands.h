#pragma once
// The controller commands, one method per operator action: each checks the
// operator's input, tells the status line and the operation log, sends its
// frame and, where the action waits for an answer, awaits it.

#include <cstdint>
#include <optional>
#include <string>

#include "session/reply_log.h"
#include "session/session_listener.h"

class ReplyPath;
class SessionHost;
class Weighing;

// How an operation that checks the operator's input ended.
enum class InputCheck { Accepted, Refused };

class ControllerCommands {
public:
    ControllerCommands(SessionHost& host, SessionListener& listener, ReplyPath& replies,
                       Weighing& weighing)
        : host_(host), listener_(listener), replies_(replies), weighing_(weighing)
    {
    }

    void zero();
    void shiftZero();

    // A row of the gravity table as the gravity of a place, acknowledged and
    // shown, or said to have failed. Rows outside the table send nothing.
    void setGravityFromTable(GravityPlace place, int row);
    // The gravity of the place of use as typed: asks first, then sends it
    // when it lies strictly between 9.6 and 10.
    void setUseGravity(const std::string& typedValue);
    // The same for a value computed rather than typed.
    void setUseGravity(double value);

    void calibrateZero();
    InputCheck calibrateWithWeight(const std::string& typedWeight);
    // The checks of calibrateWithWeight: the weight, or nullopt when refused
    // (the operator has been told why).
    std::optional<int32_t> checkedCalibrationWeight(const std::string& typedWeight);
    // The command of calibrateWithWeight for a weight that passed the checks.
    void sendWeightCalibration(const std::string& typedWeight, int32_t weight);
    InputCheck setDivision(int choice);
    InputCheck setRange(std::optional<int> rangeKg);
    void zeroTrackingOn();
    void zeroTrackingOff();
    void queryZeroTracking();
    void beeperOn();
    void beeperOff();
    void queryBeeper();
    void readVersion();
    // False when the program began to end during the query.
    bool readCalibrationLog();
    bool unlock(const std::string& code);

private:
    void sendGravity(int32_t value);
    // Waits up to ms for an acknowledgement after `since`; false when the
    // program is ending.
    bool awaitAcknowledgement(ReplyLog::Mark since, uint32_t ms);
    void status(const std::string& text) { listener_.statusChanged(text); }

    SessionHost& host_;
    SessionListener& listener_;
    ReplyPath& replies_;
    Weighing& weighing_;
};
