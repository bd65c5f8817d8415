#pragma once
// Runs this program again as several child processes at once (scale-cli on
// several ports: one process, one session and one port each, so that one
// port failing or hanging never disturbs the others).

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// One complete line a child wrote (without its line end), as it came:
// `child` indexes the argument lists, `toErrors` says standard error.
using ChildLineHandler = std::function<void(size_t child, bool toErrors, const std::string& line)>;

struct ChildrenEnded {
    std::vector<int> exitCodes; // one per argument list
    bool interrupted = false;   // SIGINT or SIGTERM came while they ran
};

// Starts this program once per argument list (arguments after the program
// name), all at once, hands on their output line by line and returns their
// exit codes when all have ended. A child that cannot be started ends with
// exit 2 and a line on its standard error saying why. While the children run,
// SIGINT and SIGTERM (Ctrl-C on Windows) are passed on to them instead of
// ending this process, so that every child reports its end.
ChildrenEnded RunChildrenTogether(const std::vector<std::vector<std::string>>& argumentLists,
                                  const ChildLineHandler& onLine);
