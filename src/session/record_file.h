#pragma once
// The calibration-record file: one record a line (calibration_record.h),
// each line carrying the hash of the line before it, so that a record
// edited, removed or put in between later breaks the chain where it was.
// The file only grows, by whole lines: a writer holds an exclusive lock
// while it reads the last line and appends its own in one write, and a
// write that fails is cut off again.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "session/calibration_record.h"

// The file cannot be read or written; the message says which and why.
class RecordFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The record was appended, but the records before it were found damaged
// (edited, removed, put in between or swapped): the message names the
// first damaged line. The record is kept here, as AppendRecord would have
// returned it.
class RecordFileDamaged : public RecordFileError {
public:
    RecordFileDamaged(const std::string& message, CalibrationRecord written)
        : RecordFileError(message), written_(std::move(written))
    {
    }
    const CalibrationRecord& written() const { return written_; }

private:
    CalibrationRecord written_;
};

// previousHash of the first record.
inline const std::string kFirstPreviousHash(64, '0');

// Appends the record (its previousHash and hash are set here) and returns
// it as written. Creates the file and its directory (mode 0700) when
// missing; never appends through a symbolic link or to another user's file.
// Throws RecordFileError, also when the file's last line is incomplete.
// Before appending, the chain is checked (the whole file when it is small,
// else its last two records): a damaged one still takes the record, which
// then comes with RecordFileDamaged instead of being returned, so that a
// damaged file is never continued unnoticed.
CalibrationRecord AppendRecord(const std::string& path, CalibrationRecord record);

// The lines of the file without their line ends; none for a missing file.
std::vector<std::string> ReadRecordLines(const std::string& path);

// The result of checking the chain.
struct ChainCheck {
    size_t lines = 0;      // lines in the file
    size_t brokenLine = 0; // the first line that breaks the chain, from 1; 0 when it holds
    std::string problem;   // what is wrong with that line

    bool intact() const { return brokenLine == 0; }
};

// Checks the lines of a record file as they were read: each line is a
// record whose hash matches its content and whose previousHash is the hash
// of the line before it (64 zeros for the first).
ChainCheck CheckRecordChain(const std::vector<std::string>& lines, bool lastLineComplete = true);
// The same for lines that continue the chain after `predecessor` (a line).
ChainCheck CheckRecordChainAfter(const std::vector<std::string>& lines,
                                 const std::string& predecessor);
// What the line after `line` names as previousHash: the hash it ends with,
// or the hash of its bytes when it is damaged beyond that.
std::string RecordChainHash(std::string_view line);
// The same for a file; a missing file holds no lines and no break.
ChainCheck CheckRecordFile(const std::string& path);

// The record a certificate is made of: line `number` of the file (from 1),
// or its last complete line when number is 0, with its number. Throws
// RecordFileError when there is no such record, or when the chain is
// broken at or before it (a certificate is only made of a record whose
// chain holds).
struct NumberedRecord {
    CalibrationRecord record;
    size_t number = 0;
};
NumberedRecord RecordToCertify(const std::string& path, size_t number);

// One line for the operator: "记录链完整，共N条记录" or
// "第N行：<problem>".
std::string DescribeChainCheck(const ChainCheck& check);
