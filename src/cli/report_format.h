#pragma once
// How scale-cli writes what the controller reports, as text and as JSON:
// the parameter report, places, readings and calibration-log records.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "protocol/log_record.h"
#include "protocol/replies.h"
#include "protocol/weight.h"

// The division setting in the command line's words: "default", "5g", or the
// number the controller reported when it is neither.
std::string DivisionWord(uint8_t division);
nlohmann::ordered_json DivisionJson(uint8_t division);

// A gravity value in m/s² as JSON (97894 is 9.7894).
nlohmann::ordered_json GravityJson(int32_t gravity);
// {"name": the table's place name, "gravity": 9.7894}.
nlohmann::ordered_json PlaceJson(int32_t gravity);
nlohmann::ordered_json ParametersJson(const ParameterReport& report);
// One line per value, e.g. "range: 15 kg".
std::string ParametersText(const ParameterReport& report);

nlohmann::ordered_json LogRecordJson(const CalibrationLogRecord& record);

// A weight in kg rounded to the gram, as a JSON number (9.998, not
// 9.997999999999999).
nlohmann::ordered_json KgJson(double kg);
// A division in kg (units of 0.1 g in the reading).
double DivisionKg(const WeightReading& reading);

// The window's status text for a reply ("手动置零成功！").
std::string ReplyStatusText(const uint8_t* frame);

// The text the window shows for a version reply: the number, or the text
// with every byte outside ASCII shown as "?".
std::string VersionText(const uint8_t* frame);
