#include "protocol/gravity.h"

#include "protocol/number_format.h"

#include <cmath>

std::string GetCityNameByAcc(int32_t value)
{
    std::string names;
    for (const TCityAccList& row : CityAccList) {
        if (row.iAccValue != value)
            continue;
        if (!names.empty())
            names += '\\';
        names += row.cityName;
    }
    return names.empty() ? "自定义" : names;
}

std::string FormatAccValue(int32_t iAccValue) { return FormatGeneral(iAccValue / 10000.0); }

std::string FormatCityAcc(std::string_view cityName, int32_t iAccValue)
{
    return std::string(cityName) + "[" + FormatAccValue(iAccValue) + "]";
}

double CalcGravity(double degrees, double minutes, double seconds, double altitude)
{
    constexpr double kRadiansPerDegree = 0.017453292519943295769;
    constexpr double kEarthRadiusKm = 6371.0;

    const double latitude = degrees + minutes / 60.0 + seconds / 3600.0;
    const double s = std::sin(latitude * kRadiansPerDegree);
    const double seaLevel = 9.7803 * (1.0 + 0.0052974 * s * s);
    const double k = kEarthRadiusKm / (kEarthRadiusKm + altitude / 1000.0);
    const double g = seaLevel * k * k;

    // nearbyint in the default rounding mode: to nearest, halves to even.
    return std::nearbyint(g * 10000.0) / 10000.0;
}
