#include "protocol/gravity.h"

#include "protocol/number_format.h"

#include <cmath>

std::vector<std::string_view> PlacesWithGravity(int32_t value)
{
    std::vector<std::string_view> places;
    for (const GravityTableRow& row : kGravityTable)
        if (row.gravity == value)
            places.push_back(row.place);
    return places;
}

std::string PlaceNamesForGravity(int32_t value)
{
    std::string names;
    for (const std::string_view place : PlacesWithGravity(value)) {
        if (!names.empty())
            names += kPlaceNameSeparator;
        names += place;
    }
    return names.empty() ? std::string(kCustomPlace) : names;
}

std::string FormatGravity(int32_t gravity) { return FormatGeneral(gravity / 10000.0); }

std::string FormatPlaceAndGravity(std::string_view place, int32_t gravity)
{
    return std::string(place) + "[" + FormatGravity(gravity) + "]";
}

double GravityAtLatitude(double degrees, double minutes, double seconds, double altitude)
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

bool IsSettableGravity(double gravity) { return gravity > 9.6 && gravity < 10; }
