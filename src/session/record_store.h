#pragma once
// Where calibration records are kept: the record file of this user (as
// record_file.h keeps it), or a database shared by the stations of a lab
// (records_db/), which keeps the same lines, with the same chain, per
// station.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "session/calibration_record.h"

// One record as a store lists it.
struct ListedRecord {
    uint64_t certificate = 0; // the record file's line number, or the database's number
    std::string station;      // empty for the record file
    uint64_t sequence = 0;    // place in its station's chain, from 1
    std::string line;         // the record line exactly as written
};

// Which records a listing shows; an empty field shows all.
struct RecordFilter {
    std::string instrument; // the "board" the record names
    std::string since;      // "YYYY-MM-DD" or "YYYY-MM-DD hh:nn:ss": records at or after it
};

class RecordStore {
public:
    virtual ~RecordStore() = default;
    // Appends the record (its previousHash and hash are set here) and
    // returns it as written. Throws RecordFileError (record_file.h) when it
    // is kept nowhere, RecordFileDamaged when it was kept behind damage.
    virtual CalibrationRecord append(CalibrationRecord record) = 0;
    // In the order they were written (by certificate number). Throws
    // RecordFileError or the store's own error when they cannot be read.
    virtual std::vector<ListedRecord> list(const RecordFilter& filter) = 0;
    // Where the records are, for messages: a path or a database.
    virtual std::string place() const = 0;
};

// The record file (record_file.h), the store of a single workstation.
class FileRecordStore : public RecordStore {
public:
    explicit FileRecordStore(std::string path) : path_(std::move(path)) { }
    CalibrationRecord append(CalibrationRecord record) override;
    std::vector<ListedRecord> list(const RecordFilter& filter) override;
    std::string place() const override { return path_; }

private:
    std::string path_;
};

// The instrument a record line names: its top-level "board" (a text or a
// number), else nothing.
std::optional<std::string> InstrumentOf(const std::string& line);
// Whether the line passes the filter; a line that is no record never does.
bool MatchesFilter(const std::string& line, const RecordFilter& filter);
// Whether `since` is a date or time that RecordFilter::since takes.
bool IsFilterTime(const std::string& since);
