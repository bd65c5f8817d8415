#pragma once
// One command on several ports at once: scale-cli runs itself once per port
// (child_process.h), each run with its own session, and reports every
// port's result, prefixed by the port, then a summary. The exit code is the
// highest of all ports: 0 only when every port succeeded.

#include <string>
#include <vector>

// A port to run on, and the board's identity there (may be empty).
struct PortRun {
    std::string port;
    std::string boardId;
};

// The command line without what chooses ports and boards (--port,
// --board-id, --ports-from-probe), arguments only (no program name).
std::vector<std::string> ArgumentsWithoutPorts(int argc, char** argv);

// Runs `arguments` on every port. Text: each line of a run's output and
// errors prefixed by "PORT: ", and a summary line. JSON: one object per
// port a line, {"port", "board", "exitCode", "result", "error"}, then
// {"summary": {"ports", "succeeded", "failed", "exitCode"}}.
int RunOnEveryPort(const std::vector<std::string>& arguments, const std::vector<PortRun>& runs,
                   bool json);
