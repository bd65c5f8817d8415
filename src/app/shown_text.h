#pragma once
// The texts of the Qt-free layers as the window shows them. They come in
// Chinese, marked with SHOWN_TEXT (protocol/shown_text.h), and are looked up
// whole in the installed translation when they are shown: a text without a
// translation, and every text while the window is Chinese, shows as it came.
// Only what is shown goes through here; the logs get the session's own texts.

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

// A status line, box or question of the scale session.
QString SessionText(const std::string& text);
// A fixed session text and the value after it, which is shown as it is.
QString SessionText(const std::string& fixedText, const std::string& value);

// A place's name: one row's, kCustomPlace, or the names of every row with
// `gravity` as PlaceNamesForGravity joins them, each translated.
QString PlaceName(std::string_view name, int32_t gravity);
// The name with the gravity, as FormatPlaceAndGravity writes it: "台湾[9.79]".
QString PlaceText(std::string_view name, int32_t gravity);
