#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app_core/ini_file.h"
#include "app_core/sys_settings.h"
#include "cli/argument_checks.h"
#include "cli/command_registry.h"
#include "cli/exit_code.h"

namespace {

const std::string kCommonOptionsNote = "\nCommon options, before or after the command: --port "
                                       "PATH|ComN, --baud N, --json, --timeout MS\n"
                                       "(see scale-cli --help).\n\n";

// The options every command takes, before or after it.
struct CommonArguments {
    std::string port;
    std::string baudRate;
    uint32_t timeoutMs = 500;
    bool json = false;
};

void AddCommonOptions(CLI::App& app, CommonArguments& a)
{
    app.add_option("--port", a.port,
                   "PATH or ComN of the controller's port, or rfc2217://HOST:PORT or "
                   "socket://HOST:PORT behind a serial device server (default: CommNo of "
                   "datalink.ini; without either, the serial devices present are listed)")
        ->type_name("PATH|ComN");
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
        a.port.empty() ? settings.ReadString(kCommSetSection, kCommNoKey, "") : a.port;
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
    AddPortsCommand(slot, common.port);
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
        port = common.port;
        for (const CommandGroup& group : {set, calibrate, records})
            if (group.app->parsed() && !command)
                throw UsageError(group.missing);
        if (!command)
            throw UsageError(
                "a command is required: " +
                Alternatives({"ports", "params", "watch", "zero", "shift-zero", "version", "clock",
                              "tracking", "beeper", "set", "unlock", "calibrate", "records", "log",
                              "snapshot", "apply", "verify", "diff"}) +
                " (see --help)");
        const CommonOptions options = CommonOptionsOf(common);
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
