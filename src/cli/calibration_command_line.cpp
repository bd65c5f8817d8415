// The calibration commands on the command line: unlock, calibrate
// zero|weight, records verify|list|push.

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

    auto filter = std::make_shared<RecordFilter>();
    CLI::App* list = records->add_subcommand(
        "list", "Lists the records of the store in use (the record file, or the records "
                "database of every station):\n"
                "certificate number, time, kind, weight, instrument, station, hash.");
    list->add_option("--instrument", filter->instrument, "only the records of this board")
        ->type_name("SERIAL");
    list->add_option("--since", filter->since, "only the records made at or after this time")
        ->type_name("DATE")
        ->check(CLI::Validator(
            [](const std::string& since) {
                return IsFilterTime(since) ? std::string()
                                           : "--since: YYYY-MM-DD or \"YYYY-MM-DD hh:nn:ss\"";
            },
            "DATE"));
    list->footer(Footer("  scale-cli records list --since 2026-01-01\n  scale-cli records list "
                        "--instrument SN2041 --json\n"));
    list->callback([slot, filter] {
        slot.chosen = [filter](const CommonOptions& o) { RunRecordsList(o, *filter); };
    });

    CLI::App* push = records->add_subcommand(
        "push", "Uploads to the records database the records this station kept in its file "
                "while the database\n"
                "could not be reached (exit 7 when they cannot be uploaded now). Each goes up "
                "once, in its order.");
    push->footer(Footer("  SCALE_RECORDS_DATABASE=postgresql://records.lab/scale scale-cli "
                        "records push\n"));
    push->callback([slot] { slot.chosen = [](const CommonOptions& o) { RunRecordsPush(o); }; });
    return {records, "records: verify, list or push is required"};
}
