// snapshot, apply, verify, diff: a board read into a file, a file written
// to a board, and the two compared.

#include <algorithm>
#include <functional>
#include <iostream>

#include "app_core/file_io.h"
#include "cli/commands.h"
#include "cli/controller_reads.h"
#include "cli/exit_code.h"
#include "cli/report_format.h"
#include "cli/snapshot.h"
#include "protocol/commands.h"
#include "protocol/gravity.h"

using json = nlohmann::ordered_json;

namespace {

// What apply writes: the settings the controller takes by command.
struct SettableParts {
    int32_t useGravity = 0;
    int rangeKg = 0;
    uint8_t division = 0;
    bool zeroTracking = false;
    bool beeper = false;
};

SettableParts CheckedSettableParts(const Snapshot& snapshot, const std::string& file)
{
    const ParameterReport& parameters = snapshot.parameters;
    // The window sends a gravity only strictly between 9.6 and 10 m/s².
    if (!IsSettableGravity(parameters.useGravity / 10000.0))
        throw UsageError(file +
                         ": parameters.use_place.gravity: " + FormatGravity(parameters.useGravity) +
                         " is not allowed: more than 9.6 and less than 10");
    if (std::find(kRangeChoicesKg.begin(), kRangeChoicesKg.end(), parameters.rangeKg) ==
        kRangeChoicesKg.end())
        throw UsageError(file + ": parameters.range_kg: " + std::to_string(parameters.rangeKg) +
                         " is not allowed: 3, 15, 30 or 750");
    if (parameters.division > 1)
        throw UsageError(file + ": parameters.division: " + std::to_string(parameters.division) +
                         " is not allowed: \"default\" or \"5g\"");
    return {parameters.useGravity, parameters.rangeKg, parameters.division, snapshot.zeroTracking,
            snapshot.beeper};
}

// One setting apply writes: its field, its value as the snapshot shows it,
// the frame that carries it, and the window's operation that sends it.
struct SettingWrite {
    std::string field;
    json value;
    CommandFrame frame;
    std::function<void(ControllerLink&)> send;
};

std::vector<SettingWrite> SettingWrites(const SettableParts& parts)
{
    auto sendAndAwait = [](std::function<void(ScaleSession&)> operation, uint8_t answer,
                           std::string action) {
        return [operation, answer, action](ControllerLink& link) {
            const ReplyLog::Mark since = link.mark();
            operation(link.session());
            link.checkPort();
            link.awaitReply(since, {answer}, action);
        };
    };
    const std::string gravityText = FormatGravity(parts.useGravity);
    return {
        {"parameters.use_place.gravity", GravityJson(parts.useGravity),
         BuildCommandFrame(kCmdSetGravity, GravityData(parts.useGravity)),
         sendAndAwait([gravityText](ScaleSession& s) { s.setUseGravity(gravityText); }, kReplySetOK,
                      "apply gravity")},
        {"parameters.range_kg", parts.rangeKg,
         BuildCommandFrame(kCmdSetRange, RangeData(parts.rangeKg)),
         sendAndAwait([parts](ScaleSession& s) { s.setRange(parts.rangeKg); }, kReplyRangeSet,
                      "apply range")},
        {"parameters.division", DivisionJson(parts.division),
         BuildCommandFrame(kCmdSetDivision, DivisionData(parts.division)),
         sendAndAwait([parts](ScaleSession& s) { s.setDivision(parts.division); }, kReplySetOK,
                      "apply division")},
        {"zero_tracking", parts.zeroTracking,
         BuildCommandFrame(parts.zeroTracking ? kCmdZeroTrackingOn : kCmdZeroTrackingOff),
         sendAndAwait(
             [parts](ScaleSession& s) {
                 parts.zeroTracking ? s.zeroTrackingOn() : s.zeroTrackingOff();
             },
             kReplyZeroTrackingSet, "apply zero tracking")},
        {"beeper", parts.beeper,
         BuildCommandFrame(kCmdBeeper, BeeperData(parts.beeper ? kBeeperOn : kBeeperOff)),
         sendAndAwait([parts](ScaleSession& s) { parts.beeper ? s.beeperOn() : s.beeperOff(); },
                      kReplyBeeper, "apply beeper")},
    };
}

std::string FrameText(const CommandFrame& frame)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t byte : frame) {
        if (!text.empty())
            text += ' ';
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

SettableParts ReadSettableParts(ControllerLink& link)
{
    const ParameterReport parameters = link.readParameters();
    const bool zeroTracking = ReadZeroTracking(link);
    const bool beeper = ReadBeeper(link);
    return {parameters.useGravity, parameters.rangeKg, parameters.division, zeroTracking, beeper};
}

// The settings that differ between what is wanted and what the board has.
std::vector<FieldDifference> SettableDifferences(const SettableParts& wanted,
                                                 const SettableParts& actual)
{
    const std::vector<SettingWrite> expected = SettingWrites(wanted);
    std::vector<FieldDifference> differences;
    for (const SettingWrite& found : SettingWrites(actual)) {
        const auto want =
            std::find_if(expected.begin(), expected.end(),
                         [&](const SettingWrite& w) { return w.field == found.field; });
        if (want->value != found.value)
            differences.push_back({found.field, want->value, found.value});
    }
    return differences;
}

void PrintDifferences(const std::vector<FieldDifference>& differences)
{
    for (const FieldDifference& difference : differences)
        std::cout << DifferenceText(difference) << '\n';
}

// verify's and diff's result: one line per difference, or as JSON.
void ReportComparison(const CommonOptions& options, const std::vector<FieldDifference>& differences)
{
    if (options.json)
        std::cout << json{{"equal", differences.empty()},
                          {"differences", DifferencesJson(differences)}}
                         .dump(2)
                  << '\n';
    else
        PrintDifferences(differences);
}

} // namespace

void RunSnapshot(const CommonOptions& options, const std::optional<std::string>& outputFile)
{
    // Whether the file's place can take it is known before anything is
    // sent; it is put there only once complete, never through a link.
    std::optional<FileReplacement> file;
    if (outputFile) {
        file.emplace(*outputFile);
        if (const std::error_code error = file->prepare())
            throw UsageError("-o " + *outputFile + ": cannot be written: " + FileErrorText(error));
    }
    ControllerLink link(options.link);
    const ParameterReport parameters = link.open();
    const std::string document = SnapshotJson(ReadSnapshot(link, parameters)).dump(2) + "\n";
    if (!file) {
        std::cout << document;
        return;
    }
    if (const std::error_code error = file->commit(document))
        throw CommandFailure(ExitCode::NotWritten,
                             "-o " + *outputFile + ": cannot be written: " + FileErrorText(error));
    if (options.json)
        std::cout << json{{"written", *outputFile}}.dump(2) << '\n';
    else
        std::cout << "snapshot written to " << *outputFile << '\n';
}

void RunApply(const CommonOptions& options, const std::string& file, bool dryRun)
{
    const SettableParts parts = CheckedSettableParts(ReadSnapshotFile(file), file);
    const std::vector<SettingWrite> writes = SettingWrites(parts);
    json written = json::array();
    for (const SettingWrite& write : writes)
        written.push_back(
            {{"field", write.field}, {"value", write.value}, {"frame", FrameText(write.frame)}});
    if (dryRun) {
        if (options.json) {
            std::cout << json{{"dry_run", true}, {"would_send", written}}.dump(2) << '\n';
            return;
        }
        for (const SettingWrite& write : writes)
            std::cout << "would send " << write.field << " = " << write.value.dump() << ": "
                      << FrameText(write.frame) << '\n';
        return;
    }

    ControllerLink link(options.link);
    link.open();
    for (const SettingWrite& write : writes) {
        write.send(link);
        if (!options.json)
            std::cout << write.field << " = " << write.value.dump() << '\n';
    }
    const std::vector<FieldDifference> differences =
        SettableDifferences(parts, ReadSettableParts(link));
    if (options.json)
        std::cout << json{{"written", written},
                          {"read_back_differences", DifferencesJson(differences)}}
                         .dump(2)
                  << '\n';
    else
        PrintDifferences(differences);
    if (!differences.empty())
        throw CommandFailure(ExitCode::Mismatch, "apply: " + std::to_string(differences.size()) +
                                                     " setting(s) read back differently");
    if (!options.json)
        std::cout << "read back: every setting as in " << file << '\n';
}

void RunVerify(const CommonOptions& options, const std::string& file)
{
    const SettableParts wanted = CheckedSettableParts(ReadSnapshotFile(file), file);
    ControllerLink link(options.link);
    link.open();
    const std::vector<FieldDifference> differences =
        SettableDifferences(wanted, ReadSettableParts(link));
    ReportComparison(options, differences);
    if (!differences.empty())
        throw CommandFailure(ExitCode::Mismatch, "verify: " + std::to_string(differences.size()) +
                                                     " setting(s) differ from " + file);
    if (!options.json)
        std::cout << "every setting as in " << file << '\n';
}

void RunDiff(const CommonOptions& options, const std::string& file,
             const std::optional<std::string>& secondFile, const ComparedFields& compared)
{
    const Snapshot left = ReadSnapshotFile(file);
    Snapshot right;
    if (secondFile) {
        right = ReadSnapshotFile(*secondFile);
    } else {
        ControllerLink link(options.link);
        const ParameterReport parameters = link.open();
        right = ReadSnapshot(link, parameters);
    }
    const std::vector<FieldDifference> differences = SnapshotDifferences(left, right, compared);
    ReportComparison(options, differences);
    if (!differences.empty())
        throw CommandFailure(ExitCode::Mismatch,
                             "diff: " + std::to_string(differences.size()) + " field(s) differ");
}
