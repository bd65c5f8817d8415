#pragma once

// Gravity of the place where the scale is used: the province table, the
// lookup of names by value and the formula from latitude and altitude.
// Values are integers in units of 0.0001 m/s² (97894 is 9.7894 m/s²).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/shown_text.h"

struct GravityTableRow {
    std::string_view place;
    int32_t gravity;
};

// The order is part of the behaviour: the city-selection dialog lists the
// rows in it and returns the chosen index, and the lookup joins names in it.
inline constexpr std::array<GravityTableRow, 33> kGravityTable{{
    {SHOWN_TEXT("GravityTable", "广东-韶关"), 97894}, {SHOWN_TEXT("GravityTable", "西藏"), 97799},
    {SHOWN_TEXT("GravityTable", "云南省"), 97836},    {SHOWN_TEXT("GravityTable", "海南省"), 97863},
    {SHOWN_TEXT("GravityTable", "贵州省"), 97868},    {SHOWN_TEXT("GravityTable", "广西"), 97877},
    {SHOWN_TEXT("GravityTable", "广东"), 97883},      {SHOWN_TEXT("GravityTable", "福建省"), 97891},
    {SHOWN_TEXT("GravityTable", "台湾"), 97900},      {SHOWN_TEXT("GravityTable", "湖南省"), 97915},
    {SHOWN_TEXT("GravityTable", "青海省"), 97911},    {SHOWN_TEXT("GravityTable", "四川省"), 97913},
    {SHOWN_TEXT("GravityTable", "重庆市"), 97914},    {SHOWN_TEXT("GravityTable", "浙江省"), 97936},
    {SHOWN_TEXT("GravityTable", "江西省"), 97920},    {SHOWN_TEXT("GravityTable", "甘肃省"), 97926},
    {SHOWN_TEXT("GravityTable", "陕西省"), 97944},    {SHOWN_TEXT("GravityTable", "湖北省"), 97936},
    {SHOWN_TEXT("GravityTable", "安徽省"), 97947},    {SHOWN_TEXT("GravityTable", "宁夏"), 97961},
    {SHOWN_TEXT("GravityTable", "河南省"), 97966},    {SHOWN_TEXT("GravityTable", "江苏省"), 97949},
    {SHOWN_TEXT("GravityTable", "山西省"), 97970},    {SHOWN_TEXT("GravityTable", "山东省"), 97988},
    {SHOWN_TEXT("GravityTable", "内蒙古"), 98066},    {SHOWN_TEXT("GravityTable", "河北省"), 97997},
    {SHOWN_TEXT("GravityTable", "新疆"), 98015},      {SHOWN_TEXT("GravityTable", "天津市"), 98011},
    {SHOWN_TEXT("GravityTable", "辽宁省"), 98035},    {SHOWN_TEXT("GravityTable", "北京市"), 98015},
    {SHOWN_TEXT("GravityTable", "吉林省"), 98048},    {SHOWN_TEXT("GravityTable", "上海市"), 97946},
    {SHOWN_TEXT("GravityTable", "黑龙江省"), 98066},
}};

// The name of a gravity that no row carries.
inline constexpr std::string_view kCustomPlace = SHOWN_TEXT("GravityTable", "自定义");
// What joins the names of several rows with the same gravity.
inline constexpr char kPlaceNameSeparator = '\\';

// The names of every row carrying exactly `value`, in table order.
std::vector<std::string_view> PlacesWithGravity(int32_t value);

// Those names joined with kPlaceNameSeparator; kCustomPlace when no row
// carries the value.
std::string PlaceNamesForGravity(int32_t value);

// Display form of a gravity value: value / 10000 in the general number form
// ("9.7894", "9.79").
std::string FormatGravity(int32_t gravity);

// A place as shown to the operator: name + "[" + display form + "]",
// e.g. "台湾[9.79]". Used for the table rows and the parameter report.
std::string FormatPlaceAndGravity(std::string_view place, int32_t gravity);

// Gravity in m/s² from the latitude (degrees, minutes, seconds, taken at
// face value) and the altitude in metres, rounded to four decimals with
// halves going to the even neighbour.
double GravityAtLatitude(double degrees, double minutes, double seconds, double altitude);

// Whether a typed gravity in m/s² may be sent: more than 9.6 and less than 10.
bool IsSettableGravity(double gravity);
