// The station on the command line.

#include <memory>

#include "cli/command_registry.h"
#include "cli/station.h"

void AddStationCommand(CommandSlot slot)
{
    auto request = std::make_shared<StationRequest>();
    auto codeFile = std::make_shared<std::string>();
    CLI::App* station = slot.parent.add_subcommand(
        "station", "Waits for boards to be plugged in and takes each new one through identify "
                   "(the controller answers),\napply FILE, verify FILE and, with "
                   "--calibrate-with, the zero calibration; one line per board.\nCtrl-C ends "
                   "with a summary; exit 0 when every board passed.");
    station->add_option("file", request->goldenFile, "the golden snapshot")
        ->required()
        ->type_name("FILE");
    station
        ->add_option("--calibrate-with", *codeFile,
                     "a file whose first line is the day's unlock code (read for every "
                     "board): the empty platform's zero is calibrated too")
        ->type_name("CODE-FILE");
    station->footer(Footer("  scale-cli station golden.json\n"
                           "  scale-cli --json station golden.json --calibrate-with code.txt\n"));
    station->callback([slot, request, codeFile] {
        if (!codeFile->empty())
            request->codeFile = *codeFile;
        slot.chosen = [request](const CommonOptions& o) { RunStation(o, *request); };
    });
}
