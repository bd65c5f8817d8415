#include "session/record_file.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>

#include "app_core/file_places.h"
#include "app_core/locked_file.h"
#include "session/sha256.h"

namespace {

constexpr std::string_view kHashKey = ",\"hash\":\"";
constexpr size_t kHashDigits = 64;
// `,"hash":"` + 64 digits + `"}`
constexpr size_t kHashSuffixLength = kHashKey.size() + kHashDigits + 2;

constexpr const char* kCannotRead = "无法读取标定记录文件";
constexpr const char* kCannotWrite = "无法写入标定记录文件";

[[noreturn]] void Fail(const std::string& what, const std::string& path,
                       const std::error_code& error)
{
    throw RecordFileError(what + " " + path + "：" + error.message());
}

bool IsHexDigits(std::string_view text)
{
    return text.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// The hash a line ends with, when it ends the way a record line does.
std::optional<std::string> StoredHash(std::string_view line)
{
    if (line.size() < kHashSuffixLength + 1 || !line.ends_with("\"}"))
        return std::nullopt;
    const std::string_view suffix = line.substr(line.size() - kHashSuffixLength);
    if (!suffix.starts_with(kHashKey))
        return std::nullopt;
    const std::string_view hash = suffix.substr(kHashKey.size(), kHashDigits);
    if (!IsHexDigits(hash))
        return std::nullopt;
    return std::string(hash);
}

// What the next line must name as previousHash: the line's own hash, or the
// hash of its bytes when it is damaged beyond that.
std::string ChainHashOf(std::string_view line)
{
    if (std::optional<std::string> stored = StoredHash(line))
        return *stored;
    return Sha256Hex(line);
}

// The last line of a file of `size` bytes that ends with a line end.
std::string LastLine(LockedFile& file, uint64_t size, const std::string& path)
{
    std::string tail;
    uint64_t end = size - 1; // the last line end
    constexpr uint64_t kChunk = 4096;
    while (end > 0) {
        const uint64_t start = end > kChunk ? end - kChunk : 0;
        std::string chunk(static_cast<size_t>(end - start), '\0');
        if (!file.readAt(chunk.data(), chunk.size(), start))
            Fail(kCannotRead, path, file.error());
        tail.insert(0, chunk);
        const size_t lineEnd = chunk.rfind('\n');
        if (lineEnd != std::string::npos)
            return tail.substr(lineEnd + 1); // the chunk lies at the start of tail
        end = start;
    }
    return tail;
}

struct FileLines {
    std::vector<std::string> lines;
    bool lastLineComplete = true;
};

FileLines ReadLines(const std::string& path)
{
    FileLines result;
    LockedFile file;
    uint64_t size = 0;
    if (!file.open(path, LockedFile::Access::Read)) {
        if (file.error() == std::errc::no_such_file_or_directory)
            return result;
        Fail(kCannotRead, path, file.error());
    }
    if (!file.size(size))
        Fail(kCannotRead, path, file.error());
    std::string text(static_cast<size_t>(size), '\0');
    if (size > 0 && !file.readAt(text.data(), text.size(), 0))
        Fail(kCannotRead, path, file.error());
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            result.lines.push_back(text.substr(start));
            result.lastLineComplete = false;
            break;
        }
        result.lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

// The chain over `lines`; the first names the hash of `predecessor`, or
// 64 zeros when there is none (the file's first line).
ChainCheck CheckLines(const std::vector<std::string>& lines, bool lastLineComplete,
                      const std::string* predecessor)
{
    ChainCheck check;
    check.lines = lines.size();
    const auto broken = [&check](size_t index, std::string problem) {
        check.brokenLine = index + 1;
        check.problem = std::move(problem);
        return check;
    };
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (i + 1 == lines.size() && !lastLineComplete)
            return broken(i, "末行不完整");
        const std::optional<std::string> stored = StoredHash(line);
        if (!stored)
            return broken(i, "不是标定记录");
        if (Sha256Hex(std::string_view(line).substr(0, line.size() - kHashSuffixLength)) != *stored)
            return broken(i, "内容与其哈希不符，此行被改动过");
        CalibrationRecord record;
        try {
            record = ParseRecordLine(line);
        } catch (const RecordFormatError&) {
            return broken(i, "不是标定记录");
        }
        const std::string expected = i > 0         ? ChainHashOf(lines[i - 1])
                                     : predecessor ? ChainHashOf(*predecessor)
                                                   : kFirstPreviousHash;
        if (record.previousHash != expected)
            return broken(i, "所记前一记录的哈希不符，此行之前有记录被删除、插入或改动");
    }
    return check;
}

// A file up to this size is checked whole before a record is added to it;
// of a larger one, the last two records against the one before them.
constexpr uint64_t kWholeCheckBytes = 1 << 20;
constexpr uint64_t kTailWindowBytes = 256 << 10;

std::vector<std::string> SplitLines(std::string_view text)
{
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        lines.emplace_back(text.substr(start, end - start));
        start = end == std::string_view::npos ? text.size() : end + 1;
    }
    return lines;
}

// What is wrong with the records already in a file of `size` bytes that
// ends with a line end; empty when nothing is found.
std::string TailDamage(LockedFile& file, uint64_t size, const std::string& path)
{
    const bool whole = size <= kWholeCheckBytes;
    const uint64_t start = whole ? 0 : size - kTailWindowBytes;
    std::string text(static_cast<size_t>(size - start), '\0');
    if (!file.readAt(text.data(), text.size(), start))
        Fail(kCannotRead, path, file.error());
    std::vector<std::string> lines = SplitLines(text);
    if (whole) {
        const ChainCheck check = CheckLines(lines, true, nullptr);
        return check.intact() ? std::string() : DescribeChainCheck(check);
    }
    // The window's first line may be cut; of the rest, the last two are
    // checked against the one before them. Records are a few kB, so fewer
    // than two lines in the window are no records.
    lines.erase(lines.begin());
    if (lines.size() > 3)
        lines.erase(lines.begin(), lines.end() - 3);
    if (lines.size() < 2)
        return "倒数第1行：不是标定记录";
    const std::string predecessor = lines.front();
    lines.erase(lines.begin());
    const ChainCheck check = CheckLines(lines, true, &predecessor);
    if (check.intact())
        return {};
    return "倒数第" + std::to_string(lines.size() + 1 - check.brokenLine) + "行：" + check.problem;
}

} // namespace

CalibrationRecord AppendRecord(const std::string& path, CalibrationRecord record)
{
    // The records (and what else lives beside them) are the user's own.
    const std::filesystem::path file(path);
    if (file.has_parent_path() && !MakePrivateDirectory(file.parent_path().string()))
        Fail("无法创建标定记录文件的目录", file.parent_path().string(),
             std::error_code(errno, std::generic_category()));

    LockedFile records;
    uint64_t size = 0;
    if (!records.open(path, LockedFile::Access::Append) || !records.size(size))
        Fail(kCannotWrite, path, records.error());

    record.previousHash = kFirstPreviousHash;
    std::string damage;
    if (size > 0) {
        char last = 0;
        if (!records.readAt(&last, 1, size - 1))
            Fail(kCannotRead, path, records.error());
        if (last != '\n')
            throw RecordFileError("标定记录文件末行不完整：" + path);
        damage = TailDamage(records, size, path);
        record.previousHash = ChainHashOf(LastLine(records, size, path));
    }
    const std::string line = RecordLine(record);
    record.hash = line.substr(line.size() - 2 - kHashDigits, kHashDigits);

    // One append of the whole line; whatever part of a failed write reached
    // the file is cut off again (if even that fails, the next append refuses
    // the partial line).
    if (!records.append(line + "\n")) {
        const std::error_code cause = records.error();
        records.truncate(size);
        Fail(kCannotWrite, path, cause);
    }
    if (!damage.empty())
        throw RecordFileDamaged("标定记录文件已损坏：" + path + "，" + damage +
                                    "；本次标定的记录已照常写入其末尾",
                                record);
    return record;
}

std::vector<std::string> ReadRecordLines(const std::string& path)
{
    FileLines file = ReadLines(path);
    if (!file.lastLineComplete)
        file.lines.pop_back();
    return file.lines;
}

ChainCheck CheckRecordChain(const std::vector<std::string>& lines, bool lastLineComplete)
{
    return CheckLines(lines, lastLineComplete, nullptr);
}

ChainCheck CheckRecordChainAfter(const std::vector<std::string>& lines,
                                 const std::string& predecessor)
{
    return CheckLines(lines, true, &predecessor);
}

std::string RecordChainHash(std::string_view line) { return ChainHashOf(line); }

ChainCheck CheckRecordFile(const std::string& path)
{
    const FileLines file = ReadLines(path);
    return CheckRecordChain(file.lines, file.lastLineComplete);
}

NumberedRecord RecordToCertify(const std::string& path, size_t number)
{
    std::vector<std::string> lines = ReadRecordLines(path);
    if (lines.empty())
        throw RecordFileError("没有标定记录：" + path);
    if (number > lines.size())
        throw RecordFileError("没有第" + std::to_string(number) + "条标定记录（共" +
                              std::to_string(lines.size()) + "条）");
    if (number == 0)
        number = lines.size();
    lines.resize(number);
    const ChainCheck check = CheckRecordChain(lines);
    if (!check.intact())
        throw RecordFileError("标定记录" + DescribeChainCheck(check) + "，不能出具证书");
    return {ParseRecordLine(lines.back()), number};
}

std::string DescribeChainCheck(const ChainCheck& check)
{
    if (check.intact())
        return "记录链完整，共" + std::to_string(check.lines) + "条记录";
    return "第" + std::to_string(check.brokenLine) + "行：" + check.problem;
}
