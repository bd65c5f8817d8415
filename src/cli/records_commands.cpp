// records verify, list and push: the calibration records of whichever
// store is in use, and the upload of those a database did not take yet.

#include <iostream>
#include <nlohmann/json.hpp>

#include "app_core/ini_file.h"
#include "app_core/sys_settings.h"
#include "cli/commands.h"
#include "cli/exit_code.h"
#include "cli/record_store_choice.h"
#include "session/record_file.h"
#include "session/record_location.h"

#ifdef SCALE_WITH_RECORDS_DB
#include "records_db/database_record_store.h"
#endif

using json = nlohmann::ordered_json;

namespace {

#ifdef SCALE_WITH_RECORDS_DB
DatabaseRecordStore* DatabaseOf(RecordStore& store)
{
    return dynamic_cast<DatabaseRecordStore*>(&store);
}
#endif

// The columns a listing shows of a record line.
json ListedJson(const ListedRecord& listed)
{
    json out{{"certificate", listed.certificate}};
    out["station"] = listed.station.empty() ? json(nullptr) : json(listed.station);
    out["sequence"] = listed.sequence;
    const std::optional<std::string> instrument = InstrumentOf(listed.line);
    out["instrument"] = instrument ? json(*instrument) : json(nullptr);
    try {
        const CalibrationRecord record = ParseRecordLine(listed.line);
        out["time"] = record.time;
        out["kind"] = record.kind == CalibrationKind::Zero ? "zero" : "weight";
        out["weight_kg"] = record.weightKg;
        out["operator"] = record.operatorName;
        out["hash"] = record.hash;
    } catch (const RecordFormatError&) {
        out["problem"] = "not a record line";
    }
    return out;
}

std::string ListedText(const json& row)
{
    const auto text = [](const json& value) {
        return value.is_null()     ? std::string("-")
               : value.is_string() ? value.get<std::string>()
                                   : value.dump();
    };
    std::string line = text(row["certificate"]);
    for (const char* key : {"time", "kind", "weight_kg", "instrument", "station", "hash"})
        line += '\t' + (row.contains(key) ? text(row[key]) : std::string("-"));
    return line;
}

} // namespace

RecordSettings CliRecordSettings() { return ReadRecordSettings(IniFile(SettingsFilePath())); }

std::shared_ptr<RecordStore> OpenRecordStore(const RecordSettings& settings)
{
    const std::string file = DefaultRecordFilePath();
    if (settings.database.empty())
        return std::make_shared<FileRecordStore>(file);
#ifdef SCALE_WITH_RECORDS_DB
    return std::make_shared<DatabaseRecordStore>(settings, file);
#else
    throw UsageError("records: this build of scale-cli cannot use a records database "
                     "([Records] Database= or SCALE_RECORDS_DATABASE)");
#endif
}

void PushPendingRecords([[maybe_unused]] RecordStore& store,
                        [[maybe_unused]] const std::string& command)
{
#ifdef SCALE_WITH_RECORDS_DB
    DatabaseRecordStore* database = DatabaseOf(store);
    if (!database)
        return;
    try {
        if (const size_t uploaded = database->push())
            std::cerr << command << ": uploaded " << uploaded
                      << " earlier record(s) to the records database\n";
    } catch (const std::exception& error) {
        std::cerr << command << ": earlier records stay in " << database->file()
                  << " until the next upload: " << error.what() << '\n';
    }
#endif
}

void ReportUpload([[maybe_unused]] const RecordStore& store,
                  [[maybe_unused]] const std::string& command)
{
#ifdef SCALE_WITH_RECORDS_DB
    const auto* database = dynamic_cast<const DatabaseRecordStore*>(&store);
    if (database && !database->uploadProblem().empty())
        std::cerr << command << ": the record is kept in " << database->file()
                  << " and not yet in the records database (scale-cli records push uploads "
                     "it): "
                  << database->uploadProblem() << '\n';
#endif
}

void RunRecordsList(const CommonOptions& options, const RecordFilter& filter)
{
    const std::shared_ptr<RecordStore> store = OpenRecordStore(CliRecordSettings());
    std::vector<ListedRecord> listed;
    try {
        listed = store->list(filter);
    } catch (const std::exception& error) {
        throw CommandFailure(ExitCode::UsageError, std::string("records list: ") + error.what());
    }
    json rows = json::array();
    for (const ListedRecord& record : listed)
        rows.push_back(ListedJson(record));
    if (options.json) {
        std::cout << json{{"store", store->place()}, {"records", rows}}.dump(2) << '\n';
        return;
    }
    for (const json& row : rows)
        std::cout << ListedText(row) << '\n';
}

void RunRecordsPush(const CommonOptions& options)
{
    const RecordSettings settings = CliRecordSettings();
    if (settings.database.empty())
        throw UsageError("records push: no records database is set ([Records] Database= in " +
                         SettingsFilePath() + " or SCALE_RECORDS_DATABASE)");
    const std::shared_ptr<RecordStore> store = OpenRecordStore(settings);
#ifdef SCALE_WITH_RECORDS_DB
    size_t uploaded = 0;
    try {
        uploaded = DatabaseOf(*store)->push();
    } catch (const std::exception& error) {
        throw CommandFailure(ExitCode::NotWritten, std::string("records push: ") + error.what());
    }
    if (options.json)
        std::cout << json{{"store", store->place()}, {"uploaded", uploaded}}.dump(2) << '\n';
    else
        std::cout << "uploaded " << uploaded << " record(s) to " << store->place() << '\n';
#else
    (void)options;
#endif
}

namespace {

void RunDatabaseVerify([[maybe_unused]] const CommonOptions& options,
                       [[maybe_unused]] RecordStore& store, [[maybe_unused]] json& out,
                       [[maybe_unused]] std::string& firstBreak)
{
#ifdef SCALE_WITH_RECORDS_DB
    DatabaseRecordStore* database = DatabaseOf(store);
    if (!database)
        return;
    std::vector<StationChainCheck> checks;
    try {
        checks = database->verify();
    } catch (const std::exception& error) {
        throw CommandFailure(ExitCode::UsageError, std::string("records verify: ") + error.what());
    }
    const std::string shown = DatabaseForMessages(CliRecordSettings().database);
    json stations = json::array();
    for (const StationChainCheck& station : checks) {
        const ChainCheck& check = station.check;
        stations.push_back({{"station", station.station},
                            {"records", check.lines},
                            {"intact", check.intact()},
                            {"broken_record", check.brokenLine},
                            {"problem", check.problem}});
        if (!options.json)
            std::cout << shown << " 站点 " << station.station << ": " << DescribeChainCheck(check)
                      << '\n';
        if (!check.intact() && firstBreak.empty())
            firstBreak = "station " + station.station + ", record " +
                         std::to_string(check.brokenLine) + " breaks the chain: " + check.problem;
    }
    out["database"] = shown;
    out["stations"] = stations;
#endif
}

} // namespace

void RunRecordsVerify(const CommonOptions& options, const std::string& file)
{
    const std::string path = file.empty() ? DefaultRecordFilePath() : file;
    ChainCheck check;
    try {
        check = CheckRecordFile(path);
    } catch (const RecordFileError& error) {
        throw CommandFailure(ExitCode::UsageError, std::string("records verify: ") + error.what());
    }
    json out{{"file", path},
             {"lines", check.lines},
             {"intact", check.intact()},
             {"broken_line", check.brokenLine},
             {"problem", check.problem}};
    if (!options.json)
        std::cout << path << ": " << DescribeChainCheck(check) << '\n';
    // The station's file, then every station's chain in the database.
    std::string databaseBreak;
    if (file.empty()) {
        const RecordSettings settings = CliRecordSettings();
        if (!settings.database.empty()) {
            const std::shared_ptr<RecordStore> store = OpenRecordStore(settings);
            RunDatabaseVerify(options, *store, out, databaseBreak);
        }
    }
    if (options.json)
        std::cout << out.dump(2) << '\n';
    if (!check.intact())
        throw CommandFailure(ExitCode::Mismatch, "records verify: line " +
                                                     std::to_string(check.brokenLine) +
                                                     " breaks the chain: " + check.problem);
    if (!databaseBreak.empty())
        throw CommandFailure(ExitCode::Mismatch, "records verify: " + databaseBreak);
}
