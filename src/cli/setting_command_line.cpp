// The setting commands on the command line: clock, tracking, beeper, and
// set gravity|range|division.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/argument_checks.h"
#include "cli/command_registry.h"
#include "cli/exit_code.h"
#include "protocol/gravity.h"
#include "protocol/number_format.h"

namespace {

SwitchRequest SwitchOf(const std::string& word)
{
    return word == "on"    ? SwitchRequest::On
           : word == "off" ? SwitchRequest::Off
                           : SwitchRequest::Query;
}

// tracking or beeper: on, off or query.
void AddSwitchCommand(CommandSlot slot, const std::string& name, const std::string& description,
                      void (*run)(const CommonOptions&, SwitchRequest))
{
    auto state = std::make_shared<std::string>();
    CLI::App* setting = slot.parent.add_subcommand(name, description);
    setting->add_option("state", *state, "on, off or query")
        ->required()
        ->type_name("on|off|query")
        ->check(OneOf({"on", "off", "query"}));
    setting->footer(Footer("  scale-cli " + name + " on\n  scale-cli " + name + " query\n"));
    setting->callback([slot, state, run] {
        slot.chosen = [state, run](const CommonOptions& o) { run(o, SwitchOf(*state)); };
    });
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

struct GravityArguments {
    int row = 0;
    std::string place;
    std::string gravity;
    std::vector<std::string> latitude;
    std::string altitude;
    std::string where = "use";
};

// The gravity request of set gravity, checked as a whole.
GravityRequest CheckedGravityRequest(const GravityArguments& a, const CLI::App& command)
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
        if (!IsSettableGravity(gravity))
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

void AddSetGravityCommand(CommandSlot slot)
{
    auto a = std::make_shared<GravityArguments>();
    CLI::App* gravity = slot.parent.add_subcommand(
        "gravity",
        "Sets the gravity of the place of use (or, with --where calibration, as the window's "
        "calibration-place setting,\n"
        "from the table only). The window asks "
        "\"设置使用地重力加速度值、对称重示值有一定的影响！请确保输入的加速度值是否正确？\"\n"
        "before it sends a value; running this command is the answer yes.");
    gravity->add_option("--row", a->row, "row of the gravity table, 1 to 33")
        ->type_name("N")
        ->check(WholeNumber(1, 33));
    gravity->add_option("--place", a->place, "a place name of the gravity table")
        ->type_name("NAME");
    gravity->add_option("--value", a->gravity, "gravity in m/s², more than 9.6 and less than 10")
        ->type_name("G")
        ->check(GravityValue());
    gravity
        ->add_option("--latitude", a->latitude,
                     "latitude in degrees (0 to 90), minutes and seconds (0 to 59)")
        ->type_name("D M S")
        ->expected(3)
        ->check(WholeNumber(0, 90));
    gravity
        ->add_option("--altitude", a->altitude,
                     "altitude in whole metres (0 to 9000), with --latitude")
        ->type_name("M")
        ->check(WholeNumber(0, 9000));
    gravity->add_option("--where", a->where, "which gravity: use (default) or calibration")
        ->type_name("use|calibration")
        ->check(OneOf({"use", "calibration"}));
    gravity->footer(GravityTableText() +
                    Footer("  scale-cli set gravity --row 30\n"
                           "  scale-cli set gravity --place 上海市\n"
                           "  scale-cli set gravity --value 9.7936\n"
                           "  scale-cli set gravity --latitude 39 54 27 --altitude 44\n"
                           "  scale-cli set gravity --place 广东 --where calibration\n"));
    gravity->callback([slot, a, gravity] {
        const GravityRequest request = CheckedGravityRequest(*a, *gravity);
        slot.chosen = [request](const CommonOptions& o) { RunSetGravity(o, request); };
    });
}

void AddSetRangeCommand(CommandSlot slot)
{
    auto rangeKg = std::make_shared<std::string>();
    CLI::App* range = slot.parent.add_subcommand("range", "Sets the range in kg.");
    range->add_option("kg", *rangeKg, "3, 15, 30 or 750")
        ->required()
        ->type_name("3|15|30|750")
        ->check(OneOf({"3", "15", "30", "750"}));
    range->footer(Footer("  scale-cli set range 15\n"));
    range->callback([slot, rangeKg] {
        slot.chosen = [rangeKg](const CommonOptions& o) { RunSetRange(o, std::stoi(*rangeKg)); };
    });
}

void AddSetDivisionCommand(CommandSlot slot)
{
    auto division = std::make_shared<std::string>();
    CLI::App* command =
        slot.parent.add_subcommand("division", "Sets the division: default (默认) or 5g.");
    command->add_option("division", *division, "default or 5g")
        ->required()
        ->type_name("default|5g")
        ->check(OneOf({"default", "5g"}));
    command->footer(Footer("  scale-cli set division default\n"));
    command->callback([slot, division] {
        slot.chosen = [division](const CommonOptions& o) {
            RunSetDivision(o, *division == "5g" ? 1 : 0);
        };
    });
}

} // namespace

void AddClockCommand(CommandSlot slot)
{
    AddPlainCommand(slot, "clock",
                    "Sets the controller's clock to now (as the window does when it opens "
                    "the port).",
                    "  scale-cli clock\n", RunClock);
}

void AddTrackingCommand(CommandSlot slot)
{
    AddSwitchCommand(slot, "tracking", "Zero tracking: switch it on or off, or ask its state.",
                     RunTracking);
}

void AddBeeperCommand(CommandSlot slot)
{
    AddSwitchCommand(slot, "beeper", "The beeper: switch it on or off, or ask its state.",
                     RunBeeper);
}

CommandGroup AddSetCommands(CommandSlot slot)
{
    CLI::App* set = slot.parent.add_subcommand(
        "set", "Sets the gravity, the range or the division, then reads the parameters "
               "back; exit 5 when they do not show the new value.");
    set->footer(Footer("  scale-cli set gravity --place 北京市\n  scale-cli set range 30\n  "
                       "scale-cli set division 5g\n"));
    const CommandSlot under{*set, slot.chosen};
    AddSetGravityCommand(under);
    AddSetRangeCommand(under);
    AddSetDivisionCommand(under);
    return {set, "set: gravity, range or division is required"};
}
