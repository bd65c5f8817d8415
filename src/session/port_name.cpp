#include "session/port_name.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <string_view>

#include "serial/net_port_name.h"
#include "serial/port_names.h"

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

// The device a name opens, as one text for every name of it.
std::string DeviceIdentity(const std::string& name)
{
    if (serial::IsNetworkPortName(name)) // an address: no device of this machine
        return name;
#ifdef _WIN32
    std::string path = serial::Win32DevicePath(name);
    std::transform(path.begin(), path.end(), path.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return path;
#else
    const std::string path = serial::DevicePathForCommName(name);
    if (path.empty())
        return name;
    std::error_code error;
    const std::filesystem::path device = std::filesystem::weakly_canonical(path, error);
    return error ? path : device.string();
#endif
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

bool SameDevice(const std::string& a, const std::string& b)
{
    return DeviceIdentity(a) == DeviceIdentity(b);
}
