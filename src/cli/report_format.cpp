#include "cli/report_format.h"

#include <algorithm>

#include "protocol/gravity.h"
#include "protocol/number_format.h"
#include "protocol/number_parse.h"

std::string DivisionWord(uint8_t division)
{
    switch (division) {
    case 0:
        return "default";
    case 1:
        return "5g";
    default:
        return std::to_string(division);
    }
}

nlohmann::ordered_json DivisionJson(uint8_t division)
{
    if (division <= 1)
        return DivisionWord(division);
    return division;
}

nlohmann::ordered_json GravityJson(int32_t gravity) { return gravity / 10000.0; }

nlohmann::ordered_json PlaceJson(int32_t gravity)
{
    return {{"name", PlaceNamesForGravity(gravity)}, {"gravity", GravityJson(gravity)}};
}

nlohmann::ordered_json ParametersJson(const ParameterReport& report)
{
    return {{"division", DivisionJson(report.division)},
            {"range_kg", report.rangeKg},
            {"calibration_place", PlaceJson(report.calibrationGravity)},
            {"use_place", PlaceJson(report.useGravity)}};
}

std::string ParametersText(const ParameterReport& report)
{
    auto place = [](int32_t gravity) {
        return FormatPlaceAndGravity(PlaceNamesForGravity(gravity), gravity);
    };
    return "division: " + DivisionWord(report.division) + "\n" +             //
           "range: " + std::to_string(report.rangeKg) + " kg\n" +            //
           "calibration place: " + place(report.calibrationGravity) + "\n" + //
           "place of use: " + place(report.useGravity) + "\n";
}

nlohmann::ordered_json LogRecordJson(const CalibrationLogRecord& record)
{
    if (record.empty)
        return nullptr;
    return {{"no", record.number},
            {"time", record.time},
            {"zero_ad", record.zeroAD},
            {"any_ad", record.referenceAD},
            {"weight_kg", record.referenceWeightKg},
            {"type", record.operationType}};
}

nlohmann::ordered_json KgJson(double kg) { return ParseFloat(FormatThreeDecimals(kg)); }

double DivisionKg(const WeightReading& reading) { return reading.division / 10000.0; }

std::string VersionText(const uint8_t* frame)
{
    if (frame[1] == kReplyVersion)
        return std::to_string(DecodeVersionNumber(frame));
    std::string text = DecodeVersionText(frame);
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<uint8_t>(c) >= 0x80; }, '?');
    return text;
}

std::string ReplyStatusText(const uint8_t* frame)
{
    for (const ReplyStep& step : DescribeReply(frame))
        if (step.kind == ReplyStepKind::ShowStatus)
            return step.text;
    return {};
}
