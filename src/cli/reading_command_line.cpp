// The reading commands on the command line: ports, params, version, log.

#include <memory>

#include "cli/command_registry.h"

void AddPortsCommand(CommandSlot slot, const std::vector<std::string>& portOptions)
{
    auto probe = std::make_shared<bool>(false);
    CLI::App* ports = slot.parent.add_subcommand(
        "ports", "The serial devices present; with --probe, which answer the "
                 "parameter command (only that command is sent to them).");
    ports->add_flag("--probe", *probe,
                    "ask each for its parameters; ports given with --port are probed too");
    ports->footer(Footer("  scale-cli ports\n  scale-cli ports --probe --timeout 300\n"));
    ports->callback([slot, probe, &portOptions] {
        slot.chosen = [probe, &portOptions](const CommonOptions& o) {
            RunPorts(o, *probe, portOptions);
        };
    });
}

void AddParamsCommand(CommandSlot slot)
{
    AddPlainCommand(slot, "params",
                    "The parameter report: division, range, and the gravity of the "
                    "calibration place and of the place of use with their place names.",
                    "  scale-cli params\n  scale-cli --json params\n", RunParams);
}

void AddVersionCommand(CommandSlot slot)
{
    AddPlainCommand(slot, "version",
                    "The controller's version number, or its version text when no "
                    "number comes within 200 ms.",
                    "  scale-cli version\n", RunVersion);
}

void AddLogCommand(CommandSlot slot)
{
    struct Values {
        bool csv = false;
        bool json = false;
    };
    auto values = std::make_shared<Values>();
    CLI::App* log = slot.parent.add_subcommand(
        "log", "The controller's 32 calibration-log records, each awaited 200 ms as in "
               "the window.");
    log->add_flag("--csv", values->csv, "comma-separated, with a header line");
    log->add_flag("--json", values->json, "as JSON (the same as the common --json)");
    log->footer(Footer("  scale-cli log\n  scale-cli log --csv > log.csv\n"));
    log->callback([slot, values] {
        slot.chosen = [values](CommonOptions o) {
            o.json = o.json || values->json;
            RunLog(o, values->csv);
        };
    });
}
