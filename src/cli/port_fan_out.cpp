#include "cli/port_fan_out.h"

#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string_view>

#include "cli/child_process.h"

using json = nlohmann::ordered_json;

namespace {

constexpr std::string_view kPortChoices[] = {"--port", "--board-id"};
constexpr std::string_view kProbeChoice = "--ports-from-probe";

bool Chooses(std::string_view argument, std::string_view option)
{
    return argument == option ||
           (argument.size() > option.size() && argument.substr(0, option.size()) == option &&
            argument[option.size()] == '=');
}

json ParsedOrNull(const std::string& text) { return json::parse(text, nullptr, false); }

// What a run wrote on standard output under --json, as one value: a JSON
// document, a list of JSON lines (watch), or the text itself.
json ResultOf(const std::string& text)
{
    if (text.find_first_not_of(" \r\n") == std::string::npos)
        return nullptr;
    if (json whole = ParsedOrNull(text); !whole.is_discarded())
        return whole;
    json lines = json::array();
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (json value = ParsedOrNull(line); !value.is_discarded())
            lines.push_back(std::move(value));
        else
            return text;
    return lines;
}

// A failed run ends its output with one line {"error", "code", "port"}:
// taken off into `error`, the rest is the result.
void SplitOutput(std::string text, int exitCode, json& result, json& error)
{
    error = nullptr;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    const size_t lastLine = text.rfind('\n');
    const std::string last = text.substr(lastLine == std::string::npos ? 0 : lastLine + 1);
    if (exitCode != 0) {
        if (json parsed = ParsedOrNull(last); parsed.is_object() && parsed.contains("error")) {
            error = std::move(parsed);
            text.erase(lastLine == std::string::npos ? 0 : lastLine);
        }
    }
    result = ResultOf(text);
}

void PrintJsonLine(const json& value)
{
    std::cout << value.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
}

} // namespace

std::vector<std::string> ArgumentsWithoutPorts(int argc, char** argv)
{
    std::vector<std::string> kept;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == kProbeChoice)
            continue;
        const auto chosen = std::find_if(std::begin(kPortChoices), std::end(kPortChoices),
                                         [&](std::string_view o) { return Chooses(argument, o); });
        if (chosen == std::end(kPortChoices)) {
            kept.emplace_back(argument);
            continue;
        }
        if (argument == *chosen)
            ++i; // its value follows
    }
    return kept;
}

int RunOnEveryPort(const std::vector<std::string>& arguments, const std::vector<PortRun>& runs,
                   bool asJson)
{
    std::vector<std::vector<std::string>> argumentLists;
    for (const PortRun& run : runs) {
        std::vector<std::string> list{"--port", run.port};
        if (!run.boardId.empty())
            list.insert(list.end(), {"--board-id", run.boardId});
        list.insert(list.end(), arguments.begin(), arguments.end());
        argumentLists.push_back(std::move(list));
    }
    // Text goes on as it comes, each line under its port; JSON output is
    // collected and given whole, one object per port.
    std::vector<std::string> outputs(runs.size());
    std::vector<std::string> lastErrors(runs.size());
    const std::vector<int> codes =
        RunChildrenTogether(argumentLists, [&](size_t child, bool toErrors,
                                               const std::string& line) {
            if (toErrors) {
                std::cerr << runs[child].port << ": " << line << '\n';
                lastErrors[child] = line;
            } else if (asJson)
                outputs[child] += line + '\n';
            else
                std::cout << runs[child].port << ": " << line << std::endl;
        }).exitCodes;
    const int worst = *std::max_element(codes.begin(), codes.end());
    const auto failed = static_cast<size_t>(
        std::count_if(codes.begin(), codes.end(), [](int code) { return code != 0; }));
    if (!asJson) {
        for (size_t i = 0; i < runs.size(); ++i)
            std::cout << runs[i].port << ": "
                      << (codes[i] == 0 ? "done" : "failed, exit " + std::to_string(codes[i]))
                      << '\n';
        std::cout << runs.size() << " ports: " << runs.size() - failed << " succeeded, " << failed
                  << " failed\n";
        return worst;
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        json result;
        json error;
        SplitOutput(outputs[i], codes[i], result, error);
        // A run that ended without its JSON (it could not start, or died):
        // its last word on standard error stands in.
        if (codes[i] != 0 && error.is_null())
            error = {{"error", lastErrors[i]}, {"code", codes[i]}, {"port", runs[i].port}};
        PrintJsonLine(
            json{{"port", runs[i].port},
                 {"board", runs[i].boardId.empty() ? json(nullptr) : json(runs[i].boardId)},
                 {"exitCode", codes[i]},
                 {"result", std::move(result)},
                 {"error", std::move(error)}});
    }
    PrintJsonLine(json{{"summary",
                        {{"ports", runs.size()},
                         {"succeeded", runs.size() - failed},
                         {"failed", failed},
                         {"exitCode", worst}}}});
    return worst;
}
