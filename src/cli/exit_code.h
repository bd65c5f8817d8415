#pragma once
// scale-cli's exit codes, and the failure that ends a command with one.

#include <stdexcept>
#include <string>

enum class ExitCode : int {
    Done = 0,
    UsageError = 1,
    PortFailed = 2, // the port cannot be opened, or was lost
    NoAnswer = 3,   // the controller did not answer in time
    Refused = 4, // refused by the controller (0x11, calibration switch closed, ...) or a wrong code
    Mismatch = 5,  // read-back or verification shows another value
    NotStable = 6, // the load did not come to rest in time
    // Done, but its evidence (the calibration record, the snapshot file)
    // could not be written, or the record file was found damaged.
    NotWritten = 7,
};

// Ends a command: main prints the message as one line on stderr and exits
// with the code.
class CommandFailure : public std::runtime_error {
public:
    CommandFailure(ExitCode code, const std::string& message)
        : std::runtime_error(message), code_(code)
    {
    }
    ExitCode code() const { return code_; }

private:
    ExitCode code_;
};

// Bad input on the command line: nothing has been sent.
inline CommandFailure UsageError(const std::string& message)
{
    return {ExitCode::UsageError, message};
}

// The exit codes as --help and the README list them.
inline constexpr const char* kExitCodesHelp =
    "Exit codes:\n"
    "  0  done\n"
    "  1  usage error (nothing was sent)\n"
    "  2  the port cannot be opened, or was lost\n"
    "  3  no answer in time\n"
    "  4  refused by the controller (0x11, calibration switch closed, not calibrated, zeroing "
    "failed)\n"
    "     or a wrong unlock code\n"
    "  5  read-back or verification mismatch (verify, diff: the two differ)\n"
    "  6  the load was not stable in time\n"
    "  7  done, but its evidence was not written (the calibration record, the snapshot file),\n"
    "     or the record file was found damaged before it\n";
