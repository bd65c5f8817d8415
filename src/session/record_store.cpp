#include "session/record_store.h"

#include <nlohmann/json.hpp>

#include "session/record_file.h"

CalibrationRecord FileRecordStore::append(CalibrationRecord record)
{
    return AppendRecord(path_, std::move(record));
}

std::vector<ListedRecord> FileRecordStore::list(const RecordFilter& filter)
{
    std::vector<ListedRecord> listed;
    const std::vector<std::string> lines = ReadRecordLines(path_);
    for (size_t i = 0; i < lines.size(); ++i)
        if (MatchesFilter(lines[i], filter))
            listed.push_back({i + 1, {}, i + 1, lines[i]});
    return listed;
}

std::optional<std::string> InstrumentOf(const std::string& line)
{
    const nlohmann::json json = nlohmann::json::parse(line, nullptr, false);
    if (!json.is_object())
        return std::nullopt;
    const auto board = json.find("board");
    if (board == json.end())
        return std::nullopt;
    if (board->is_string())
        return board->get<std::string>();
    if (board->is_number())
        return board->dump();
    return std::nullopt;
}

bool MatchesFilter(const std::string& line, const RecordFilter& filter)
{
    if (!filter.instrument.empty() && InstrumentOf(line) != filter.instrument)
        return false;
    if (filter.since.empty())
        return true;
    try {
        // Both are "YYYY-MM-DD…" of fixed width: text order is time order.
        return ParseRecordLine(line).time >= filter.since;
    } catch (const RecordFormatError&) {
        return false;
    }
}

bool IsFilterTime(const std::string& since)
{
    static constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd";
    if (since.size() != 10 && since.size() != kShape.size())
        return false;
    for (size_t i = 0; i < since.size(); ++i) {
        const bool digit = since[i] >= '0' && since[i] <= '9';
        if (kShape[i] == 'd' ? !digit : since[i] != kShape[i])
            return false;
    }
    return true;
}
