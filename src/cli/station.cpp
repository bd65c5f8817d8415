#include "cli/station.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>
#include <vector>

#include "cli/child_process.h"
#include "cli/exit_code.h"
#include "serial/port_discovery.h"

using json = nlohmann::ordered_json;
using Clock = std::chrono::steady_clock;

namespace {

std::atomic<bool> stationEnding{false};

void EndStation(int) { stationEnding = true; }

// How often the port list is looked at for boards plugged in or out.
constexpr auto kPortListInterval = std::chrono::milliseconds(200);

// The machine's serial devices. SCALE_DEVICE_TREE names a folder holding
// sys/class/tty, dev and dev/serial/by-id to be read instead of the
// system's (a made-up machine for tests and demonstrations).
std::set<std::string> PresentPorts()
{
    serial::PortDiscoveryRoots roots;
    if (const char* tree = std::getenv("SCALE_DEVICE_TREE"); tree && *tree) {
        const std::string root = tree;
        roots = {root + "/sys/class/tty", root + "/dev", root + "/dev/serial/by-id"};
    }
    std::set<std::string> names;
    for (const serial::DiscoveredPort& port : serial::DiscoverPorts(roots))
        names.insert(port.name);
    return names;
}

struct BoardResult {
    std::string port;
    bool passed = false;
    std::string step; // the step that failed
    int exitCode = 0;
    std::string error;
    bool unplugged = false;
    bool interrupted = false;
    double seconds = 0;
};

std::string ReadCode(const std::string& file)
{
    std::ifstream in(file);
    std::string code;
    if (!in || !std::getline(in, code))
        throw CommandFailure(ExitCode::UsageError, "--calibrate-with " + file + ": cannot be read");
    code.erase(std::remove_if(code.begin(), code.end(),
                              [](unsigned char c) { return std::isspace(c) != 0; }),
               code.end());
    return code;
}

struct Step {
    std::string name;
    std::vector<std::string> arguments;
};

BoardResult TakeBoard(const CommonOptions& options, const StationRequest& request,
                      const std::string& port)
{
    BoardResult result;
    result.port = port;
    const Clock::time_point start = Clock::now();
    std::vector<Step> steps = {{"identify", {"params"}},
                               {"apply", {"apply", request.goldenFile}},
                               {"verify", {"verify", request.goldenFile}}};
    if (request.codeFile)
        steps.push_back(
            {"calibrate zero", {"calibrate", "zero", "--code", ReadCode(*request.codeFile)}});
    const std::vector<std::string> common = {
        "--port",    port,
        "--baud",    std::to_string(options.link.baudRate),
        "--timeout", std::to_string(options.link.replyTimeoutMs)};
    for (const Step& step : steps) {
        std::vector<std::string> arguments = common;
        arguments.insert(arguments.end(), step.arguments.begin(), step.arguments.end());
        std::string lastError;
        const ChildrenEnded ended =
            RunChildrenTogether({arguments}, [&](size_t, bool toErrors, const std::string& line) {
                if (toErrors) {
                    std::cerr << port << ": " << line << '\n';
                    lastError = line;
                }
            });
        if (ended.interrupted)
            stationEnding = true;
        if (ended.exitCodes.front() != 0 || ended.interrupted) {
            result.step = step.name;
            result.exitCode = ended.exitCodes.front();
            result.error = lastError;
            result.interrupted = ended.interrupted;
            result.unplugged = PresentPorts().count(port) == 0;
            break;
        }
    }
    result.passed = result.step.empty();
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return result;
}

std::string Seconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", seconds);
    return text;
}

void Report(const BoardResult& board, bool asJson)
{
    if (asJson) {
        std::cout << json{{"port", board.port},
                          {"passed", board.passed},
                          {"step", board.passed ? json(nullptr) : json(board.step)},
                          {"exitCode", board.exitCode},
                          {"error", board.error.empty() ? json(nullptr) : json(board.error)},
                          {"unplugged", board.unplugged},
                          {"seconds", board.seconds}}
                         .dump(-1, ' ', false, json::error_handler_t::replace)
                  << std::endl;
        return;
    }
    std::cout << board.port << ": ";
    if (board.passed)
        std::cout << "passed";
    else
        std::cout << (board.unplugged     ? "unplugged"
                      : board.interrupted ? "interrupted"
                                          : "failed")
                  << " at " << board.step << " (exit " << board.exitCode << ")";
    std::cout << " in " << Seconds(board.seconds) << std::endl;
}

void Summarize(const std::vector<BoardResult>& boards, bool asJson)
{
    const auto passed = static_cast<size_t>(
        std::count_if(boards.begin(), boards.end(), [](const BoardResult& b) { return b.passed; }));
    double seconds = 0;
    for (const BoardResult& board : boards)
        seconds += board.seconds;
    const double perBoard = boards.empty() ? 0.0 : seconds / static_cast<double>(boards.size());
    if (asJson) {
        std::cout << json{{"summary",
                           {{"boards", boards.size()},
                            {"passed", passed},
                            {"failed", boards.size() - passed},
                            {"secondsPerBoard", perBoard}}}}
                         .dump()
                  << std::endl;
        return;
    }
    std::cout << "boards: " << boards.size() << ", passed: " << passed
              << ", failed: " << boards.size() - passed << ", time per board: " << Seconds(perBoard)
              << std::endl;
}

} // namespace

void RunStation(const CommonOptions& options, const StationRequest& request)
{
    if (request.codeFile)
        ReadCode(*request.codeFile); // a missing file is refused before the first board
    if (!std::ifstream(request.goldenFile))
        throw UsageError(request.goldenFile + ": cannot be read");
    stationEnding = false;
    std::signal(SIGINT, EndStation);
    std::signal(SIGTERM, EndStation);
    // Ports present at the start are not new boards.
    std::set<std::string> known = PresentPorts();
    std::cerr << "scale-cli: station: waiting for boards (Ctrl-C ends)" << std::endl;
    std::vector<BoardResult> boards;
    while (!stationEnding) {
        const std::set<std::string> present = PresentPorts();
        // A board unplugged may be plugged again: then it is new again.
        for (auto it = known.begin(); it != known.end();)
            it = present.count(*it) ? std::next(it) : known.erase(it);
        for (const std::string& port : present) {
            if (stationEnding || known.count(port))
                continue;
            known.insert(port);
            boards.push_back(TakeBoard(options, request, port));
            Report(boards.back(), options.json);
        }
        std::this_thread::sleep_for(kPortListInterval);
    }
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    Summarize(boards, options.json);
    int worst = 0;
    size_t failed = 0;
    for (const BoardResult& board : boards)
        if (!board.passed) {
            worst = std::max({worst, board.exitCode, 1});
            ++failed;
        }
    if (failed != 0)
        throw CommandFailure(static_cast<ExitCode>(worst),
                             "station: " + std::to_string(failed) + " of " +
                                 std::to_string(boards.size()) + " boards failed");
}
