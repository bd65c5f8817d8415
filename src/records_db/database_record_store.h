#pragma once
// The records of a whole lab in PostgreSQL. Every station keeps writing
// its record file as it always did: the file is its chain and its queue.
// Each record, once in the file, is uploaded as its exact line, with the
// station, its place in the station's chain and a certificate number from
// the database's sequence (unique across stations). A record the database
// did not take stays in the file and goes up with the next upload (push):
// whatever of the file follows the station's last record in the database,
// in order, so that nothing is lost or sent twice.
//
// Uploads of one station take an advisory lock on it for their
// transaction: concurrent writers (parallel ports, several processes)
// continue its chain one after the other, never beside each other.

#include <memory>
#include <string>
#include <vector>

#include "records_db/pg_connection.h"
#include "session/record_file.h"
#include "session/record_settings.h"
#include "session/record_store.h"

// The check of one station's chain in the database.
struct StationChainCheck {
    std::string station;
    ChainCheck check; // lines: the station's records; brokenLine: its sequence number
};

class DatabaseRecordStore : public RecordStore {
public:
    // `file`: this station's record file.
    DatabaseRecordStore(RecordSettings settings, std::string file);

    // Into the file (as FileRecordStore does, with its errors), then up to
    // the database; a failed upload only leaves uploadProblem() set.
    CalibrationRecord append(CalibrationRecord record) override;
    // Of every station. Throws RecordDatabaseError.
    std::vector<ListedRecord> list(const RecordFilter& filter) override;
    // The database without its password, and the station.
    std::string place() const override;

    // Why the last append's record was not uploaded; empty when it was.
    const std::string& uploadProblem() const { return uploadProblem_; }
    // Uploads what of the file the database lacks; how many records went
    // up. Throws RecordDatabaseError, RecordFileError.
    size_t push();
    // Every station's chain in the database, by station name.
    std::vector<StationChainCheck> verify();

    const std::string& file() const { return file_; }
    const std::string& station() const { return settings_.station; }

private:
    PgConnection& connection();
    // `written`: the line just appended, uploaded without reading the file
    // when it continues the database's chain.
    size_t upload(const std::string* written);

    RecordSettings settings_;
    std::string file_;
    std::unique_ptr<PgConnection> connection_;
    std::string uploadProblem_;
};

// The URI or key=value list with its password left out, for messages.
std::string DatabaseForMessages(const std::string& database);
