#pragma once

// Gravity of the place where the scale is used: the province table, the
// lookup of names by value and the formula from latitude and altitude.
// Values are integers in units of 0.0001 m/s² (97894 is 9.7894 m/s²).

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

struct GravityTableRow {
    std::string_view place;
    int32_t gravity;
};

// The order is part of the behaviour: the city-selection dialog lists the
// rows in it and returns the chosen index, and the lookup joins names in it.
inline constexpr std::array<GravityTableRow, 33> kGravityTable{{
    {"广东-韶关", 97894}, {"西藏", 97799},   {"云南省", 97836}, {"海南省", 97863},
    {"贵州省", 97868},    {"广西", 97877},   {"广东", 97883},   {"福建省", 97891},
    {"台湾", 97900},      {"湖南省", 97915}, {"青海省", 97911}, {"四川省", 97913},
    {"重庆市", 97914},    {"浙江省", 97936}, {"江西省", 97920}, {"甘肃省", 97926},
    {"陕西省", 97944},    {"湖北省", 97936}, {"安徽省", 97947}, {"宁夏", 97961},
    {"河南省", 97966},    {"江苏省", 97949}, {"山西省", 97970}, {"山东省", 97988},
    {"内蒙古", 98066},    {"河北省", 97997}, {"新疆", 98015},   {"天津市", 98011},
    {"辽宁省", 98035},    {"北京市", 98015}, {"吉林省", 98048}, {"上海市", 97946},
    {"黑龙江省", 98066},
}};

// Names of every row carrying exactly `value`, in table order, joined with
// "\"; "自定义" when no row carries it.
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
