#include "session/port_name.h"

#include <cctype>
#include <charconv>
#include <string_view>

namespace {

constexpr int kFirstPrefixedPort = 10;
constexpr std::string_view kDevicePrefix = "//./";

// An integer as the window's number boxes read one: surrounding blanks
// allowed, an optional sign, decimal digits only.
bool ReadInteger(std::string_view text, int& value)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

std::string PortNameToOpen(const std::string& typed)
{
    // The number is whatever follows the first three characters ("Com").
    int port = 0;
    if (typed.size() > 3 && ReadInteger(std::string_view(typed).substr(3), port) &&
        port >= kFirstPrefixedPort)
        return std::string(kDevicePrefix) + typed;
    return typed;
}
