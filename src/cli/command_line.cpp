#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <optional>
#include <string>

#include "app_core/ini_file.h"
#include "app_core/sys_settings.h"
#include "cli/argument_checks.h"
#include "cli/commands.h"
#include "cli/exit_code.h"
#include "protocol/gravity.h"
#include "protocol/number_format.h"

namespace {

const std::vector<std::string> kBaudRates = {"1200",   "2400",   "4800",  "9600",
                                             "19200",  "38400",  "57600", "115200",
                                             "230400", "460800", "921600"};

const std::string kCommonOptionsNote = "\nCommon options, before or after the command: --port "
                                       "PATH|ComN, --baud N, --json, --timeout MS\n"
                                       "(see scale-cli --help).\n\n";

std::string Footer(const std::string& examples)
{
    return "\nExamples:\n" + examples + kCommonOptionsNote + kExitCodesHelp;
}

// The gravity table as set gravity --help lists it.
std::string GravityTableText()
{
    std::string text = "Rows of the gravity table (--row N or --place NAME):\n";
    for (size_t i = 0; i < kGravityTable.size(); ++i)
        text += "  " + std::to_string(i + 1) + (i + 1 < 10 ? "   " : "  ") +
                std::string(kGravityTable[i].place) + " " +
                FormatGravity(kGravityTable[i].gravity) + "\n";
    return text;
}

std::optional<int> RowOfPlace(const std::string& name)
{
    for (size_t i = 0; i < kGravityTable.size(); ++i)
        if (kGravityTable[i].place == name)
            return static_cast<int>(i);
    return std::nullopt;
}

SwitchRequest SwitchOf(const std::string& word)
{
    return word == "on"    ? SwitchRequest::On
           : word == "off" ? SwitchRequest::Off
                           : SwitchRequest::Query;
}

// The values of the command line, filled in by the parser.
struct Arguments {
    std::string port;
    std::string baudRate;
    uint32_t timeoutMs = 500;
    bool json = false;

    bool probe = false;
    uint32_t count = 0;
    bool csv = false;
    bool logJson = false;
    std::string state;

    int row = 0;
    std::string place;
    std::string gravity;
    std::vector<std::string> latitude;
    std::string altitude;
    std::string where = "use";
    std::string rangeKg;
    std::string division;

    std::string code;
    std::string weightKg;
    uint32_t stableReadings = 10;
    uint32_t settleMs = 10000;
    std::string operatorName;
    std::string weightId;
    std::string recordFile;

    std::string outputFile;
    std::string file;
    std::string secondFile;
    bool dryRun = false;
};

// The gravity request of set gravity, checked as a whole.
GravityRequest CheckedGravityRequest(const Arguments& a, const CLI::App& command)
{
    const bool byRow = command.count("--row") > 0, byPlace = command.count("--place") > 0;
    const bool byValue = command.count("--value") > 0, byLatitude = command.count("--latitude") > 0;
    if (byRow + byPlace + byValue + byLatitude != 1)
        throw UsageError("set gravity: exactly one of --row, --place, --value or --latitude (with "
                         "--altitude) is required");
    GravityRequest request;
    request.place = a.where == "calibration" ? GravityPlace::Calibration : GravityPlace::Use;
    if (byRow)
        request.row = a.row - 1;
    if (byPlace) {
        request.row = RowOfPlace(a.place);
        if (!request.row)
            throw UsageError(
                "--place: '" + a.place +
                "' is not allowed: a place of the gravity table (see set gravity --help)");
    }
    if (byValue)
        request.value = a.gravity;
    if (byLatitude) {
        if (command.count("--altitude") == 0)
            throw UsageError("--latitude: --altitude is required with it");
        const int degrees = std::stoi(a.latitude[0]), minutes = std::stoi(a.latitude[1]),
                  seconds = std::stoi(a.latitude[2]);
        if (minutes > 59 || seconds > 59 || degrees * 3600 + minutes * 60 + seconds > 90 * 3600)
            throw UsageError("--latitude: '" + a.latitude[0] + " " + a.latitude[1] + " " +
                             a.latitude[2] +
                             "' is not allowed: degrees 0 to 90, minutes and seconds 0 to 59, at "
                             "most 90 degrees");
        const double gravity = GravityAtLatitude(degrees, minutes, seconds, std::stoi(a.altitude));
        if (gravity <= 9.6 || gravity >= 10)
            throw UsageError("--latitude/--altitude: the gravity there, " + FormatGeneral(gravity) +
                             ", is not allowed: more than 9.6 and less than 10");
        // As the window computes it into the value field.
        request.value = FormatGeneral(gravity);
    } else if (command.count("--altitude") > 0) {
        throw UsageError("--altitude: only allowed with --latitude");
    }
    if (request.place == GravityPlace::Calibration && request.value)
        throw UsageError("--where calibration: allowed with --row or --place only (the window sets "
                         "the calibration "
                         "place from the table)");
    return request;
}

// BaudRate of the settings file, one of the rates --baud takes.
int SettingsBaudRate(const IniFile& settings)
{
    const std::string text = settings.ReadString(kCommSetSection, kBaudRateKey, "");
    if (text.empty())
        return kDefaultBaudRate;
    const int rate = settings.ReadInteger(kCommSetSection, kBaudRateKey, -1);
    if (std::find(kBaudRates.begin(), kBaudRates.end(), std::to_string(rate)) == kBaudRates.end())
        throw UsageError(settings.FileName() + ": [" + std::string(kCommSetSection) + "] " +
                         std::string(kBaudRateKey) + "=" + text +
                         " is not allowed: " + Alternatives(kBaudRates) + " (or give --baud)");
    return rate;
}

void Flatten(std::string& text)
{
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
}

} // namespace

int RunCommandLine(int argc, char** argv)
{
    Arguments a;
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
    app.add_option("--port", a.port,
                   "PATH or ComN of the controller's port (default: CommNo of datalink.ini)")
        ->type_name("PATH|ComN");
    app.add_option("--baud", a.baudRate,
                   "line speed: " + Alternatives(kBaudRates) +
                       " (default: BaudRate of datalink.ini, else 115200)")
        ->type_name("N")
        ->check(OneOf(kBaudRates));
    app.add_option("--timeout", a.timeoutMs, "how long to wait for each reply, in ms (1 to 600000)")
        ->type_name("MS")
        ->capture_default_str()
        ->check(WholeNumber(1, 600000));
    app.add_flag("--json", a.json, "machine-readable output");

    std::function<void(const CommonOptions&)> command;

    CLI::App* ports =
        app.add_subcommand("ports", "The serial devices present; with --probe, which answer the "
                                    "parameter command (only that command is sent to them).");
    ports->add_flag("--probe", a.probe,
                    "ask each for its parameters; a port given with --port is probed too");
    ports->footer(Footer("  scale-cli ports\n  scale-cli ports --probe --timeout 300\n"));
    ports->callback(
        [&] { command = [&](const CommonOptions& o) { RunPorts(o, a.probe, !a.port.empty()); }; });

    CLI::App* params = app.add_subcommand(
        "params", "The parameter report: division, range, and the gravity of the "
                  "calibration place and of the place of use with their place names.");
    params->footer(Footer("  scale-cli params\n  scale-cli --json params\n"));
    params->callback([&] { command = RunParams; });

    CLI::App* watch = app.add_subcommand(
        "watch", "Live readings (time, weight as displayed, raw weight, AD, status "
                 "code) until Ctrl-C or N readings.");
    watch->add_option("--count", a.count, "stop after N readings (1 to 100000000)")
        ->type_name("N")
        ->check(WholeNumber(1, 100000000));
    watch->add_flag("--csv", a.csv, "comma-separated, with a header line, for spreadsheets");
    watch->footer(Footer("  scale-cli watch --count 20\n  scale-cli watch --csv > readings.csv\n"));
    watch->callback(
        [&] { command = [&](const CommonOptions& o) { RunWatch(o, a.count, a.csv); }; });

    CLI::App* zero = app.add_subcommand("zero", "Zeroes the scale (as the window's zero button).");
    zero->footer(Footer("  scale-cli zero\n"));
    zero->callback([&] { command = RunZero; });

    CLI::App* shiftZero =
        app.add_subcommand("shift-zero", "Shifts the zero (as the window's shift-zero button); the "
                                         "controller does not answer it.");
    shiftZero->footer(Footer("  scale-cli shift-zero\n"));
    shiftZero->callback([&] { command = RunShiftZero; });

    CLI::App* version = app.add_subcommand(
        "version", "The controller's version number, or its version text when no "
                   "number comes within 200 ms.");
    version->footer(Footer("  scale-cli version\n"));
    version->callback([&] { command = RunVersion; });

    CLI::App* clock = app.add_subcommand(
        "clock", "Sets the controller's clock to now (as the window does when it opens "
                 "the port).");
    clock->footer(Footer("  scale-cli clock\n"));
    clock->callback([&] { command = RunClock; });

    for (const char* name : {"tracking", "beeper"}) {
        const bool tracking = std::string(name) == "tracking";
        CLI::App* setting = app.add_subcommand(
            name, tracking ? "Zero tracking: switch it on or off, or ask its state."
                           : "The beeper: switch it on or off, or ask its state.");
        setting->add_option("state", a.state, "on, off or query")
            ->required()
            ->type_name("on|off|query")
            ->check(OneOf({"on", "off", "query"}));
        setting->footer(
            Footer("  scale-cli " + std::string(name) + " on\n  scale-cli " + name + " query\n"));
        setting->callback([&, tracking] {
            command = [&, tracking](const CommonOptions& o) {
                tracking ? RunTracking(o, SwitchOf(a.state)) : RunBeeper(o, SwitchOf(a.state));
            };
        });
    }

    CLI::App* set = app.add_subcommand(
        "set", "Sets the gravity, the range or the division, then reads the parameters "
               "back; exit 5 when they do not show the new value.");
    set->footer(Footer("  scale-cli set gravity --place 北京市\n  scale-cli set range 30\n  "
                       "scale-cli set division 5g\n"));

    CLI::App* gravity = set->add_subcommand(
        "gravity",
        "Sets the gravity of the place of use (or, with --where calibration, as the window's "
        "calibration-place setting,\n"
        "from the table only). The window asks "
        "\"设置使用地重力加速度值、对称重示值有一定的影响！请确保输入的加速度值是否正确？\"\n"
        "before it sends a value; running this command is the answer yes.");
    gravity->add_option("--row", a.row, "row of the gravity table, 1 to 33")
        ->type_name("N")
        ->check(WholeNumber(1, 33));
    gravity->add_option("--place", a.place, "a place name of the gravity table")->type_name("NAME");
    gravity->add_option("--value", a.gravity, "gravity in m/s², more than 9.6 and less than 10")
        ->type_name("G")
        ->check(GravityValue());
    gravity
        ->add_option("--latitude", a.latitude,
                     "latitude in degrees (0 to 90), minutes and seconds (0 to 59)")
        ->type_name("D M S")
        ->expected(3)
        ->check(WholeNumber(0, 90));
    gravity
        ->add_option("--altitude", a.altitude,
                     "altitude in whole metres (0 to 9000), with --latitude")
        ->type_name("M")
        ->check(WholeNumber(0, 9000));
    gravity->add_option("--where", a.where, "which gravity: use (default) or calibration")
        ->type_name("use|calibration")
        ->check(OneOf({"use", "calibration"}));
    gravity->footer(GravityTableText() +
                    Footer("  scale-cli set gravity --row 30\n"
                           "  scale-cli set gravity --place 上海市\n"
                           "  scale-cli set gravity --value 9.7936\n"
                           "  scale-cli set gravity --latitude 39 54 27 --altitude 44\n"
                           "  scale-cli set gravity --place 广东 --where calibration\n"));
    gravity->callback([&, gravity] {
        const GravityRequest request = CheckedGravityRequest(a, *gravity);
        command = [request](const CommonOptions& o) { RunSetGravity(o, request); };
    });

    CLI::App* range = set->add_subcommand("range", "Sets the range in kg.");
    range->add_option("kg", a.rangeKg, "3, 15, 30 or 750")
        ->required()
        ->type_name("3|15|30|750")
        ->check(OneOf({"3", "15", "30", "750"}));
    range->footer(Footer("  scale-cli set range 15\n"));
    range->callback(
        [&] { command = [&](const CommonOptions& o) { RunSetRange(o, std::stoi(a.rangeKg)); }; });

    CLI::App* division =
        set->add_subcommand("division", "Sets the division: default (默认) or 5g.");
    division->add_option("division", a.division, "default or 5g")
        ->required()
        ->type_name("default|5g")
        ->check(OneOf({"default", "5g"}));
    division->footer(Footer("  scale-cli set division default\n"));
    division->callback([&] {
        command = [&](const CommonOptions& o) { RunSetDivision(o, a.division == "5g" ? 1 : 0); };
    });

    const auto codeCheck = WholeNumber(0, 99999, "the day's code, digits");
    CLI::App* unlock =
        app.add_subcommand("unlock", "Opens the calibration switch, as the window's unlock: the "
                                     "code must be today's (as dailycode prints it),\n"
                                     "else the window's refusal text, exit 4 and nothing sent. The "
                                     "tool never supplies the code itself.");
    unlock->add_option("--code", a.code, "today's code")
        ->required()
        ->type_name("N")
        ->check(codeCheck);
    unlock->footer(Footer("  scale-cli unlock --code \"$CODE\"\n"));
    unlock->callback([&] { command = [&](const CommonOptions& o) { RunUnlock(o, a.code); }; });

    CLI::App* calibrate = app.add_subcommand(
        "calibrate",
        "Calibrates the zero point, or the span with a reference weight of KG whole kg (1 to "
        "65535). First waits until "
        "N\n"
        "consecutive readings stay within one division (exit 6 when they do not within --settle), "
        "then sends the\n"
        "calibration, and prints the reading as found and as left. After a weight calibration the "
        "reading must equal\n"
        "KG within one division (else exit 5). With --code, unlocks first as unlock does.");
    calibrate
        ->add_option("--stable", a.stableReadings,
                     "readings that must stay within one division (1 to 1000)")
        ->type_name("N")
        ->capture_default_str()
        ->check(WholeNumber(1, 1000));
    calibrate
        ->add_option("--settle", a.settleMs,
                     "how long to wait for a load at rest, in ms (1 to 3600000)")
        ->type_name("MS")
        ->capture_default_str()
        ->check(WholeNumber(1, 3600000));
    calibrate->add_option("--code", a.code, "today's code: unlock first")
        ->type_name("N")
        ->check(codeCheck);
    calibrate->add_option("--operator", a.operatorName, "who calibrates, for the record")
        ->type_name("NAME");
    calibrate->add_option("--weight-id", a.weightId, "the test weight's identifier, for the record")
        ->type_name("ID");
    calibrate->footer(Footer("  scale-cli calibrate zero --code \"$CODE\"\n  scale-cli calibrate "
                             "weight 10 --stable 20 --operator Li --weight-id M1-10kg-07\n"));
    CLI::App* calibrateZero =
        calibrate->add_subcommand("zero", "Calibrates the zero point (empty platform).");
    calibrateZero->footer(
        Footer("  scale-cli calibrate zero\n  scale-cli calibrate zero --code \"$CODE\"\n"));
    CLI::App* calibrateWeight =
        calibrate->add_subcommand("weight", "Calibrates with KG whole kg on the platform.");
    calibrateWeight->add_option("kg", a.weightKg, "the reference weight in whole kg, 1 to 65535")
        ->required()
        ->type_name("KG")
        ->check(WholeNumber(1, 65535, "a whole number of kg"));
    calibrateWeight->footer(Footer("  scale-cli calibrate weight 10\n  scale-cli calibrate weight "
                                   "15 --stable 20 --code \"$CODE\"\n"));
    for (CLI::App* kind : {calibrateZero, calibrateWeight})
        kind->callback([&, kind] {
            CalibrationRequest request;
            if (kind == calibrateWeight)
                request.weightKg = a.weightKg;
            request.stableReadings = a.stableReadings;
            request.settleMs = a.settleMs;
            if (calibrate->count("--code") > 0)
                request.code = a.code;
            request.operatorName = a.operatorName;
            request.weightId = a.weightId;
            command = [request](const CommonOptions& o) { RunCalibrate(o, request); };
        });

    CLI::App* records = app.add_subcommand(
        "records", "The calibration records (one for every calibration done with this tool).");
    CLI::App* verify = records->add_subcommand(
        "verify", "Checks the records' hash chain: exit 0 when it holds, 5 naming the first line "
                  "that breaks it.");
    verify->add_option("--file", a.recordFile, "another record file")->type_name("FILE");
    verify->footer(Footer("  scale-cli records verify\n"));
    verify->callback(
        [&] { command = [&](const CommonOptions& o) { RunRecordsVerify(o, a.recordFile); }; });

    CLI::App* log = app.add_subcommand(
        "log", "The controller's 32 calibration-log records, each awaited 200 ms as in "
               "the window.");
    log->add_flag("--csv", a.csv, "comma-separated, with a header line");
    log->add_flag("--json", a.logJson, "as JSON (the same as the common --json)");
    log->footer(Footer("  scale-cli log\n  scale-cli log --csv > log.csv\n"));
    log->callback([&] { command = [&](const CommonOptions& o) { RunLog(o, a.csv); }; });

    CLI::App* snapshot =
        app.add_subcommand("snapshot", "Everything readable (parameters, zero tracking, beeper, "
                                       "version, the 32 log records, the time taken)\n"
                                       "as one JSON document with a format version, on standard "
                                       "output or into FILE (replaced only once\n"
                                       "complete).");
    snapshot->add_option("-o,--output", a.outputFile, "the file to write")->type_name("FILE");
    snapshot->footer(
        Footer("  scale-cli snapshot -o golden.json\n  scale-cli snapshot > board-0042.json\n"));
    snapshot->callback([&] {
        command = [&](const CommonOptions& o) {
            RunSnapshot(o, a.outputFile.empty() ? std::nullopt
                                                : std::optional<std::string>(a.outputFile));
        };
    });

    CLI::App* apply =
        app.add_subcommand("apply", "Writes the settable parts of a snapshot (gravity of the place "
                                    "of use, range, division, zero tracking, beeper),\n"
                                    "each as the window's operation, then reads them back and "
                                    "compares (exit 5 on a difference). The gravity of\n"
                                    "the calibration place is not written: the controller takes it "
                                    "at a weight calibration. The window asks before\n"
                                    "it sets a gravity value; running this command is the answer "
                                    "yes. --dry-run only prints what would be sent and\n"
                                    "opens no port.");
    apply->add_option("file", a.file, "a snapshot")->required()->type_name("FILE");
    apply->add_flag("--dry-run", a.dryRun, "print the frames, send nothing");
    apply->footer(
        Footer("  scale-cli apply golden.json --dry-run\n  scale-cli apply golden.json\n"));
    apply->callback(
        [&] { command = [&](const CommonOptions& o) { RunApply(o, a.file, a.dryRun); }; });

    CLI::App* diff =
        app.add_subcommand("diff", "Compares a snapshot with the live board (or with a second "
                                   "snapshot): one line per differing field,\n"
                                   "FILE's value first; exit 0 when equal, 5 when not.");
    diff->add_option("file", a.file, "a snapshot")->required()->type_name("FILE");
    diff->add_option("file2", a.secondFile, "a second snapshot instead of the board")
        ->type_name("FILE2");
    diff->footer(
        Footer("  scale-cli diff golden.json\n  scale-cli diff golden.json board-0042.json\n"));
    diff->callback([&] {
        command = [&](const CommonOptions& o) {
            RunDiff(o, a.file,
                    a.secondFile.empty() ? std::nullopt : std::optional<std::string>(a.secondFile));
        };
    });

    try {
        app.parse(argc, argv);
        if (set->parsed() && !command)
            throw UsageError("set: gravity, range or division is required");
        if (calibrate->parsed() && !command)
            throw UsageError("calibrate: zero or weight KG is required");
        if (records->parsed() && !command)
            throw UsageError("records: verify is required");
        if (!command)
            throw UsageError(
                "a command is required: " +
                Alternatives({"ports", "params", "watch", "zero", "shift-zero", "version", "clock",
                              "tracking", "beeper", "set", "unlock", "calibrate", "records", "log",
                              "snapshot", "apply", "diff"}) +
                " (see --help)");
        CommonOptions options;
        const IniFile settings(SettingsFilePath());
        options.link.port = a.port.empty()
                                ? settings.ReadString(kCommSetSection, kCommNoKey, kDefaultCommNo)
                                : a.port;
        options.link.baudRate = static_cast<uint32_t>(
            a.baudRate.empty() ? SettingsBaudRate(settings) : std::stoi(a.baudRate));
        options.link.replyTimeoutMs = a.timeoutMs;
        options.json = a.json || a.logJson;
        command(options);
        return 0;
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0)
            return app.exit(error);
        std::string message = error.what();
        Flatten(message);
        std::cerr << "scale-cli: " << message << '\n';
        return static_cast<int>(ExitCode::UsageError);
    } catch (const CommandFailure& failure) {
        std::cerr << "scale-cli: " << failure.what() << '\n';
        return static_cast<int>(failure.code());
    } catch (const std::exception& error) {
        // Whatever else goes wrong ends as one line too, never as a signal.
        std::cerr << "scale-cli: " << error.what() << '\n';
        return static_cast<int>(ExitCode::UsageError);
    }
}
