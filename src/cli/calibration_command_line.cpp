// The calibration commands on the command line: unlock, calibrate
// zero|weight, records verify.

#include <memory>
#include <string>

#include "cli/argument_checks.h"
#include "cli/command_registry.h"

namespace {

CLI::Validator CodeCheck() { return WholeNumber(0, 99999, "the day's code, digits"); }

// What calibrate's options and its weight argument hold.
struct CalibrateArguments {
    std::string code;
    std::string weightKg;
    uint32_t stableReadings = 10;
    uint32_t settleMs = 10000;
    std::string operatorName;
    std::string weightId;
};

// calibrate zero or calibrate weight KG: the request from calibrate's options.
void AddCalibrationKind(CommandSlot slot, std::shared_ptr<CalibrateArguments> a, bool weight)
{
    CLI::App* kind =
        weight
            ? slot.parent.add_subcommand("weight", "Calibrates with KG whole kg on the platform.")
            : slot.parent.add_subcommand("zero", "Calibrates the zero point (empty platform).");
    if (weight) {
        kind->add_option("kg", a->weightKg, "the reference weight in whole kg, 1 to 65535")
            ->required()
            ->type_name("KG")
            ->check(WholeNumber(1, 65535, "a whole number of kg"));
        kind->footer(Footer("  scale-cli calibrate weight 10\n  scale-cli calibrate weight "
                            "15 --stable 20 --code \"$CODE\"\n"));
    } else {
        kind->footer(
            Footer("  scale-cli calibrate zero\n  scale-cli calibrate zero --code \"$CODE\"\n"));
    }
    CLI::App* calibrate = &slot.parent;
    kind->callback([slot, a, weight, calibrate] {
        CalibrationRequest request;
        if (weight)
            request.weightKg = a->weightKg;
        request.stableReadings = a->stableReadings;
        request.settleMs = a->settleMs;
        if (calibrate->count("--code") > 0)
            request.code = a->code;
        request.operatorName = a->operatorName;
        request.weightId = a->weightId;
        slot.chosen = [request](const CommonOptions& o) { RunCalibrate(o, request); };
    });
}

} // namespace

void AddUnlockCommand(CommandSlot slot)
{
    auto code = std::make_shared<std::string>();
    CLI::App* unlock = slot.parent.add_subcommand(
        "unlock", "Opens the calibration switch, as the window's unlock: the "
                  "code must be today's (as dailycode prints it),\n"
                  "else the window's refusal text, exit 4 and nothing sent. The "
                  "tool never supplies the code itself.");
    unlock->add_option("--code", *code, "today's code")
        ->required()
        ->type_name("N")
        ->check(CodeCheck());
    unlock->footer(Footer("  scale-cli unlock --code \"$CODE\"\n"));
    unlock->callback(
        [slot, code] { slot.chosen = [code](const CommonOptions& o) { RunUnlock(o, *code); }; });
}

CommandGroup AddCalibrateCommands(CommandSlot slot)
{
    auto a = std::make_shared<CalibrateArguments>();
    CLI::App* calibrate = slot.parent.add_subcommand(
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
        ->add_option("--stable", a->stableReadings,
                     "readings that must stay within one division (1 to 1000)")
        ->type_name("N")
        ->capture_default_str()
        ->check(WholeNumber(1, 1000));
    calibrate
        ->add_option("--settle", a->settleMs,
                     "how long to wait for a load at rest, in ms (1 to 3600000)")
        ->type_name("MS")
        ->capture_default_str()
        ->check(WholeNumber(1, 3600000));
    calibrate->add_option("--code", a->code, "today's code: unlock first")
        ->type_name("N")
        ->check(CodeCheck());
    calibrate->add_option("--operator", a->operatorName, "who calibrates, for the record")
        ->type_name("NAME");
    calibrate
        ->add_option("--weight-id", a->weightId, "the test weight's identifier, for the record")
        ->type_name("ID");
    calibrate->footer(Footer("  scale-cli calibrate zero --code \"$CODE\"\n  scale-cli calibrate "
                             "weight 10 --stable 20 --operator Li --weight-id M1-10kg-07\n"));
    const CommandSlot under{*calibrate, slot.chosen};
    AddCalibrationKind(under, a, false);
    AddCalibrationKind(under, a, true);
    return {calibrate, "calibrate: zero or weight KG is required"};
}

CommandGroup AddRecordsCommands(CommandSlot slot)
{
    auto recordFile = std::make_shared<std::string>();
    CLI::App* records = slot.parent.add_subcommand(
        "records", "The calibration records (one for every calibration done with this tool).");
    CLI::App* verify = records->add_subcommand(
        "verify", "Checks the records' hash chain: exit 0 when it holds, 5 naming the first line "
                  "that breaks it.");
    verify->add_option("--file", *recordFile, "another record file")->type_name("FILE");
    verify->footer(Footer("  scale-cli records verify\n"));
    verify->callback([slot, recordFile] {
        slot.chosen = [recordFile](const CommonOptions& o) { RunRecordsVerify(o, *recordFile); };
    });
    return {records, "records: verify is required"};
}
