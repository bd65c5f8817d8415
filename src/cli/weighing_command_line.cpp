// The weighing commands on the command line: watch, zero, shift-zero.

#include <memory>

#include "cli/argument_checks.h"
#include "cli/command_registry.h"

void AddWatchCommand(CommandSlot slot)
{
    struct Values {
        uint32_t count = 0;
        bool csv = false;
    };
    auto values = std::make_shared<Values>();
    CLI::App* watch = slot.parent.add_subcommand(
        "watch", "Live readings (time, weight as displayed, raw weight, AD, status "
                 "code) until Ctrl-C or N readings.");
    watch->add_option("--count", values->count, "stop after N readings (1 to 100000000)")
        ->type_name("N")
        ->check(WholeNumber(1, 100000000));
    watch->add_flag("--csv", values->csv, "comma-separated, with a header line, for spreadsheets");
    watch->footer(Footer("  scale-cli watch --count 20\n  scale-cli watch --csv > readings.csv\n"));
    watch->callback([slot, values] {
        slot.chosen = [values](const CommonOptions& o) { RunWatch(o, values->count, values->csv); };
    });
}

void AddZeroCommand(CommandSlot slot)
{
    AddPlainCommand(slot, "zero", "Zeroes the scale (as the window's zero button).",
                    "  scale-cli zero\n", RunZero);
}

void AddShiftZeroCommand(CommandSlot slot)
{
    AddPlainCommand(slot, "shift-zero",
                    "Shifts the zero (as the window's shift-zero button); the "
                    "controller does not answer it.",
                    "  scale-cli shift-zero\n", RunShiftZero);
}
