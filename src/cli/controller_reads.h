#pragma once
// What several commands read from the controller, each through the
// session's own operation, waiting for the answer.

#include <string>

#include "cli/controller_link.h"
#include "cli/snapshot.h"

bool ReadZeroTracking(ControllerLink& link);
bool ReadBeeper(ControllerLink& link);
// The version number, or the version text when no number came in 200 ms.
std::string ReadVersion(ControllerLink& link);
// The 32 records, each awaited 200 ms as in the window; exit 3 when any
// stayed unanswered.
CalibrationLogRecords ReadCalibrationLog(ControllerLink& link);
// Everything readable, on an opened link; `parameters` is the report the
// opening brought.
Snapshot ReadSnapshot(ControllerLink& link, const ParameterReport& parameters);
