#pragma once
// How scale-cli's subcommands come onto the command line: each area adds
// its commands to the parser (their options, help and checks) with one
// small registration per command; the command the parser chose is kept as
// a ChosenCommand and run once the common options are known.

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

#include "cli/commands.h"

using ChosenCommand = std::function<void(const CommonOptions&)>;

// Where a registration puts its command: under `parent` (the program or a
// group such as "set"), choosing it into `chosen` when parsed.
struct CommandSlot {
    CLI::App& parent;
    ChosenCommand& chosen;
};

// A command that only groups others ("set", "calibrate", "records"): given
// alone, the usage error `missing` follows.
struct CommandGroup {
    CLI::App* app;
    std::string missing;
};

// The help's examples, then the common options and the exit codes.
std::string Footer(const std::string& examples);

// A command without options or arguments of its own.
void AddPlainCommand(CommandSlot slot, const std::string& name, const std::string& description,
                     const std::string& examples, void (*run)(const CommonOptions&));

// Reading: ports, params, version, log. `portOptions` are the common --port
// options as given.
void AddPortsCommand(CommandSlot slot, const std::vector<std::string>& portOptions);
void AddParamsCommand(CommandSlot slot);
void AddVersionCommand(CommandSlot slot);
void AddLogCommand(CommandSlot slot);

// Weighing: watch, zero, shift-zero.
void AddWatchCommand(CommandSlot slot);
void AddZeroCommand(CommandSlot slot);
void AddShiftZeroCommand(CommandSlot slot);

// Settings: clock, tracking, beeper, and set with gravity, range, division.
void AddClockCommand(CommandSlot slot);
void AddTrackingCommand(CommandSlot slot);
void AddBeeperCommand(CommandSlot slot);
CommandGroup AddSetCommands(CommandSlot slot);

// Calibration: unlock, calibrate zero|weight, records verify.
void AddUnlockCommand(CommandSlot slot);
CommandGroup AddCalibrateCommands(CommandSlot slot);
CommandGroup AddRecordsCommands(CommandSlot slot);

// Snapshots: snapshot, apply, verify, diff.
void AddSnapshotCommand(CommandSlot slot);
void AddApplyCommand(CommandSlot slot);
void AddVerifyCommand(CommandSlot slot);
void AddDiffCommand(CommandSlot slot);

// The production line's station.
void AddStationCommand(CommandSlot slot);
