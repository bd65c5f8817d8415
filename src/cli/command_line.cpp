#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "app_core/ini_file.h"
#include "app_core/sys_settings.h"
#include "cli/argument_checks.h"
#include "cli/command_registry.h"
#include "cli/exit_code.h"
#include "cli/port_fan_out.h"

namespace {

const std::string kCommonOptionsNote =
    "\nCommon options, before or after the command: --port PATH|ComN (repeatable), "
    "--ports-from-probe,\n--board-id ID, --baud N, --json, --timeout MS (see scale-cli "
    "--help).\n\n";

// The options every command takes, before or after it.
struct CommonArguments {
    std::vector<std::string> ports;
    std::vector<std::string> boardIds;
    bool portsFromProbe = false;
    std::string baudRate;
    uint32_t timeoutMs = 500;
    bool json = false;
};

void AddCommonOptions(CLI::App& app, CommonArguments& a)
{
    app.add_option("--port", a.ports,
                   "PATH or ComN of the controller's port, or rfc2217://HOST:PORT or "
                   "socket://HOST:PORT behind a serial device server (default: CommNo of "
                   "datalink.ini; without either, the serial devices present are listed). "
                   "Given several times, the command runs on every port at once")
        ->type_name("PATH|ComN")
        ->allow_extra_args(false);
    app.add_flag("--ports-from-probe", a.portsFromProbe,
                 "run on every serial device that answers the parameter request");
    app.add_option("--board-id", a.boardIds,
                   "the board's identity (an instrument serial number) for the calibration "
                   "records and the operation log; once per --port, in the same order")
        ->type_name("ID")
        ->allow_extra_args(false);
    app.add_option("--baud", a.baudRate,
                   "line speed: " + Alternatives(kBaudRateTexts) +
                       " (default: BaudRate of datalink.ini, else 115200)")
        ->type_name("N")
        ->check(OneOf(kBaudRateTexts));
    app.add_option("--timeout", a.timeoutMs, "how long to wait for each reply, in ms (1 to 600000)")
        ->type_name("MS")
        ->capture_default_str()
        ->check(WholeNumber(1, 600000));
    app.add_flag("--json", a.json, "machine-readable output");
}

// BaudRate of the settings file, one of the rates --baud takes.
int CheckedSettingsBaudRate(const IniFile& settings)
{
    if (const std::optional<int> rate = SettingsBaudRate(settings))
        return *rate;
    throw UsageError(settings.FileName() + ": [" + std::string(kCommSetSection) + "] " +
                     std::string(kBaudRateKey) + "=" +
                     settings.ReadString(kCommSetSection, kBaudRateKey, "") +
                     " is not allowed: " + Alternatives(kBaudRateTexts) + " (or give --baud)");
}

// The port and rate as given, else as datalink.ini beside the program says.
CommonOptions CommonOptionsOf(const CommonArguments& a)
{
    CommonOptions options;
    const IniFile settings(SettingsFilePath());
    options.link.port =
        a.ports.empty() ? settings.ReadString(kCommSetSection, kCommNoKey, "") : a.ports.front();
    options.link.boardId = a.boardIds.empty() ? "" : a.boardIds.front();
    options.link.baudRate = static_cast<uint32_t>(
        a.baudRate.empty() ? CheckedSettingsBaudRate(settings) : std::stoi(a.baudRate));
    options.link.replyTimeoutMs = a.timeoutMs;
    options.json = a.json;
    return options;
}

void Flatten(std::string& text)
{
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
}

// Under --json a failure also ends standard output with one line of JSON,
// so that a script reading the output always finds the outcome there.
void PrintJsonError(const std::string& message, int code, const std::string& port)
{
    nlohmann::ordered_json error{{"error", message}, {"code", code}, {"port", nullptr}};
    if (!port.empty())
        error["port"] = port;
    // A message may carry bytes of a name that are no UTF-8: replaced, never thrown.
    std::cout << error.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace)
              << '\n';
}

// --json counts even when the command line is wrong elsewhere.
bool JsonWanted(int argc, char** argv)
{
    return std::any_of(argv + 1, argv + argc,
                       [](const char* argument) { return std::string(argument) == "--json"; });
}

// The ports to run on when there are several (or they come from the probe),
// with the board on each; none for one port. "ports" lists and probes
// every port given itself; the station finds its ports.
std::optional<std::vector<PortRun>> SeveralPorts(const CommonArguments& a,
                                                 const CommonOptions& options, bool ownPorts)
{
    if (ownPorts || (a.ports.size() < 2 && !a.portsFromProbe)) {
        if (a.boardIds.size() > 1)
            throw UsageError("--board-id is given once per --port");
        return std::nullopt;
    }
    if (a.portsFromProbe && !a.ports.empty())
        throw UsageError("--ports-from-probe chooses the ports itself: give no --port with it");
    if (a.portsFromProbe && !a.boardIds.empty())
        throw UsageError("--board-id needs the ports named with --port, not --ports-from-probe");
    if (!a.boardIds.empty() && a.boardIds.size() != a.ports.size())
        throw UsageError("--board-id is given once per --port, in the same order (" +
                         std::to_string(a.ports.size()) + " ports, " +
                         std::to_string(a.boardIds.size()) + " board ids)");
    const std::vector<std::string> ports = a.portsFromProbe ? AnsweringPorts(options) : a.ports;
    if (ports.empty())
        throw CommandFailure(ExitCode::PortFailed,
                             "no serial device answers the parameter request");
    std::vector<PortRun> runs;
    for (size_t i = 0; i < ports.size(); ++i)
        runs.push_back({ports[i], a.boardIds.empty() ? "" : a.boardIds[i]});
    return runs;
}

} // namespace

std::string Footer(const std::string& examples)
{
    return "\nExamples:\n" + examples + kCommonOptionsNote + kExitCodesHelp;
}

void AddPlainCommand(CommandSlot slot, const std::string& name, const std::string& description,
                     const std::string& examples, void (*run)(const CommonOptions&))
{
    CLI::App* command = slot.parent.add_subcommand(name, description);
    command->footer(Footer(examples));
    command->callback([slot, run] { slot.chosen = run; });
}

int RunCommandLine(int argc, char** argv)
{
    CLI::App app("scale-cli: reads, sets and calibrates the scale's controller board over its "
                 "serial port, without a window.\n"
                 "Every command sends the frames the window sends for the same action, waits as "
                 "the window waits and writes\n"
                 "the same operation-log lines. The port and baud rate default to CommNo and "
                 "BaudRate of datalink.ini\n"
                 "beside the program, as in the window; scale-cli never writes that file.",
                 "scale-cli");
    app.fallthrough();
    app.require_subcommand(0, 1);
    app.footer(
        Footer("  scale-cli ports --probe\n"
               "  scale-cli --port /dev/ttyUSB0 params\n"
               "  scale-cli snapshot -o golden.json\n"
               "  scale-cli apply golden.json && scale-cli calibrate zero --code \"$CODE\" && "
               "scale-cli calibrate weight 10\n"));
    app.set_version_flag("--version", std::string("scale-cli ") + SCALE_VERSION);
    CommonArguments common;
    AddCommonOptions(app, common);

    ChosenCommand command;
    const CommandSlot slot{app, command};
    AddPortsCommand(slot, common.ports);
    AddParamsCommand(slot);
    AddWatchCommand(slot);
    AddZeroCommand(slot);
    AddShiftZeroCommand(slot);
    AddVersionCommand(slot);
    AddClockCommand(slot);
    AddTrackingCommand(slot);
    AddBeeperCommand(slot);
    const CommandGroup set = AddSetCommands(slot);
    AddUnlockCommand(slot);
    const CommandGroup calibrate = AddCalibrateCommands(slot);
    const CommandGroup records = AddRecordsCommands(slot);
    AddLogCommand(slot);
    AddSnapshotCommand(slot);
    AddApplyCommand(slot);
    AddVerifyCommand(slot);
    AddDiffCommand(slot);
    AddStationCommand(slot);

    // The port once known, for the failure's JSON.
    std::string port;
    auto fail = [&](const std::string& message, int code) {
        std::cerr << "scale-cli: " << message << '\n';
        if (JsonWanted(argc, argv))
            PrintJsonError(message, code, port);
        return code;
    };
    try {
        app.parse(argc, argv);
        if (common.ports.size() == 1)
            port = common.ports.front();
        for (const CommandGroup& group : {set, calibrate, records})
            if (group.app->parsed() && !command)
                throw UsageError(group.missing);
        if (!command)
            throw UsageError(
                "a command is required: " +
                Alternatives({"ports", "params", "watch", "zero", "shift-zero", "version", "clock",
                              "tracking", "beeper", "set", "unlock", "calibrate", "records", "log",
                              "snapshot", "apply", "verify", "diff", "station"}) +
                " (see --help)");
        const CommonOptions options = CommonOptionsOf(common);
        if (const std::optional<std::vector<PortRun>> runs = SeveralPorts(
                common, options, app.got_subcommand("ports") || app.got_subcommand("station")))
            return RunOnEveryPort(ArgumentsWithoutPorts(argc, argv), *runs, options.json);
        port = options.link.port;
        command(options);
        return 0;
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0)
            return app.exit(error);
        std::string message = error.what();
        Flatten(message);
        return fail(message, static_cast<int>(ExitCode::UsageError));
    } catch (const CommandFailure& failure) {
        return fail(failure.what(), static_cast<int>(failure.code()));
    } catch (const std::exception& error) {
        // Whatever else goes wrong ends as one line too, never as a signal.
        return fail(error.what(), static_cast<int>(ExitCode::UsageError));
    }
}
