#pragma once
// A station of the production line: waits for boards to be plugged in and
// takes each new one through the same steps, each a scale-cli run of its
// own on the board's port: identify (the controller answers the parameter
// request), apply the golden snapshot, verify it, and, with a code file,
// the zero calibration (nothing to place by hand). One line (or JSON
// object) per board; Ctrl-C or SIGTERM ends with a summary.

#include <optional>
#include <string>

#include "cli/commands.h"

struct StationRequest {
    std::string goldenFile;
    // A file whose first line is the day's unlock code: read for every
    // board, so that a new day's code is taken without a restart.
    std::optional<std::string> codeFile;
};

// Ends on Ctrl-C or SIGTERM; when a board failed, with a CommandFailure of
// the highest exit code of a failed step.
void RunStation(const CommonOptions& options, const StationRequest& request);
