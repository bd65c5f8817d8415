#include "app/shown_text.h"

#include <QCoreApplication>

#include "protocol/gravity.h"

namespace {

QString Lookup(const char* context, std::string_view text)
{
    const std::string key(text);
    return QCoreApplication::translate(context, key.c_str());
}

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

} // namespace

QString SessionText(const std::string& text) { return Lookup("ScaleSession", text); }

QString SessionText(const std::string& fixedText, const std::string& value)
{
    return Lookup("ScaleSession", fixedText) + FromUtf8(value);
}

QString PlaceName(std::string_view name, int32_t gravity)
{
    // Several rows' names in one: each is looked up, then joined again.
    if (name == PlaceNamesForGravity(gravity)) {
        QString joined;
        for (const std::string_view place : PlacesWithGravity(gravity)) {
            if (!joined.isEmpty())
                joined += QLatin1Char(kPlaceNameSeparator);
            joined += Lookup("GravityTable", place);
        }
        if (!joined.isEmpty())
            return joined;
    }
    return Lookup("GravityTable", name);
}

QString PlaceText(std::string_view name, int32_t gravity)
{
    return PlaceName(name, gravity) + QLatin1Char('[') + FromUtf8(FormatGravity(gravity)) +
           QLatin1Char(']');
}
