// The snapshot commands on the command line: snapshot, apply, verify, diff.

#include <memory>
#include <optional>
#include <string>

#include "cli/command_registry.h"

namespace {

std::optional<std::string> Given(const std::string& value)
{
    return value.empty() ? std::nullopt : std::optional<std::string>(value);
}

} // namespace

void AddSnapshotCommand(CommandSlot slot)
{
    auto outputFile = std::make_shared<std::string>();
    CLI::App* snapshot = slot.parent.add_subcommand(
        "snapshot", "Everything readable (parameters, zero tracking, beeper, "
                    "version, the 32 log records, the time taken)\n"
                    "as one JSON document with a format version, on standard "
                    "output or into FILE (replaced only once\n"
                    "complete).");
    snapshot->add_option("-o,--output", *outputFile, "the file to write")->type_name("FILE");
    snapshot->footer(
        Footer("  scale-cli snapshot -o golden.json\n  scale-cli snapshot > board-0042.json\n"));
    snapshot->callback([slot, outputFile] {
        slot.chosen = [outputFile](const CommonOptions& o) { RunSnapshot(o, Given(*outputFile)); };
    });
}

void AddApplyCommand(CommandSlot slot)
{
    struct Values {
        std::string file;
        bool dryRun = false;
    };
    auto values = std::make_shared<Values>();
    CLI::App* apply = slot.parent.add_subcommand(
        "apply", "Writes the settable parts of a snapshot (gravity of the place "
                 "of use, range, division, zero tracking, beeper),\n"
                 "each as the window's operation, then reads them back and "
                 "compares (exit 5 on a difference). The gravity of\n"
                 "the calibration place is not written: the controller takes it "
                 "at a weight calibration. The window asks before\n"
                 "it sets a gravity value; running this command is the answer "
                 "yes. --dry-run only prints what would be sent and\n"
                 "opens no port.");
    apply->add_option("file", values->file, "a snapshot")->required()->type_name("FILE");
    apply->add_flag("--dry-run", values->dryRun, "print the frames, send nothing");
    apply->footer(
        Footer("  scale-cli apply golden.json --dry-run\n  scale-cli apply golden.json\n"));
    apply->callback([slot, values] {
        slot.chosen = [values](const CommonOptions& o) {
            RunApply(o, values->file, values->dryRun);
        };
    });
}

void AddVerifyCommand(CommandSlot slot)
{
    auto file = std::make_shared<std::string>();
    CLI::App* verify = slot.parent.add_subcommand(
        "verify", "The production line's gate: reads from the board only what apply "
                  "writes (gravity of the place of use,\n"
                  "range, division, zero tracking, beeper) and compares it with the "
                  "snapshot's; exit 0 when equal, 5 when not.\n"
                  "The calibration log and the version are not compared: they differ "
                  "from board to board.");
    verify->add_option("file", *file, "a snapshot")->required()->type_name("FILE");
    verify->footer(Footer("  scale-cli apply golden.json && scale-cli verify golden.json\n"));
    verify->callback(
        [slot, file] { slot.chosen = [file](const CommonOptions& o) { RunVerify(o, *file); }; });
}

void AddDiffCommand(CommandSlot slot)
{
    struct Values {
        std::string file;
        std::string secondFile;
        std::string only;
        ComparedFields compared;
    };
    auto values = std::make_shared<Values>();
    CLI::App* diff = slot.parent.add_subcommand(
        "diff", "Compares a snapshot with the live board (or with a second "
                "snapshot): one line per differing field,\n"
                "FILE's value first; exit 0 when equal, 5 when not.");
    diff->add_option("file", values->file, "a snapshot")->required()->type_name("FILE");
    diff->add_option("file2", values->secondFile, "a second snapshot instead of the board")
        ->type_name("FILE2");
    diff->add_option("--only", values->only, "compare only the fields apply writes")
        ->type_name("settable")
        ->check(CLI::IsMember({"settable"}));
    diff->add_option("--ignore", values->compared.ignored,
                     "a field or group not to compare (parameters, calibration_log, version, "
                     "...); may be repeated")
        ->type_name("FIELD")
        ->check(CLI::Validator(
            [](const std::string& name) {
                return IsComparableField(name) ? std::string()
                                               : "no field or group of a snapshot: " + name;
            },
            "FIELD"));
    diff->footer(Footer("  scale-cli diff golden.json\n  scale-cli diff golden.json "
                        "board-0042.json\n  scale-cli diff golden.json --ignore calibration_log\n"
                        "  scale-cli diff golden.json --only settable\n"));
    diff->callback([slot, values] {
        values->compared.settableOnly = values->only == "settable";
        slot.chosen = [values](const CommonOptions& o) {
            RunDiff(o, values->file, Given(values->secondFile), values->compared);
        };
    });
}
