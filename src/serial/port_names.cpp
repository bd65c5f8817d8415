#include "serial/port_names.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <tuple>

namespace serial {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

// Splits "ttyS10" into ("ttyS", 10) so that numbers sort by value.
std::tuple<std::string, unsigned long, std::string> NaturalKey(const std::string& name)
{
    size_t end = name.size();
    size_t start = end;
    while (start > 0 && std::isdigit(static_cast<unsigned char>(name[start - 1])) &&
           end - start < 9)
        --start;
    unsigned long number = start < end ? std::stoul(name.substr(start)) : 0;
    return {name.substr(0, start), number, name};
}

// The digits of "COMn" (n from 1 to 9999, no leading zero), or "".
std::string_view ComNumber(std::string_view name)
{
    if (!StartsWithNoCase(name, "COM"))
        return {};
    std::string_view digits = name.substr(3);
    if (digits.empty() || digits.size() > 4 || digits.front() == '0')
        return {};
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return {};
    }
    return digits;
}

bool HasDevicePrefix(std::string_view name)
{
    return StartsWithNoCase(name, "//./") || StartsWithNoCase(name, "\\\\.\\");
}

} // namespace

std::string DevicePathForCommName(std::string_view name)
{
    if (!name.empty() && name.front() == '/' && !StartsWithNoCase(name, "//./"))
        return std::string(name);
    if (HasDevicePrefix(name))
        name.remove_prefix(4);
    const std::string_view digits = ComNumber(name);
    if (digits.empty())
        return {};
    return "/dev/ttyS" + std::to_string(std::stoul(std::string(digits)) - 1);
}

std::string Win32DevicePath(std::string_view name)
{
    if (!HasDevicePrefix(name))
        return ComNumber(name).empty() ? std::string(name) : "\\\\.\\" + std::string(name);
    name.remove_prefix(4);
    return name.empty() ? std::string() : "\\\\.\\" + std::string(name);
}

void SortPortNames(std::vector<std::string>& names)
{
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return NaturalKey(a) < NaturalKey(b);
    });
}

std::vector<std::string> ListSerialPorts(const std::string& sysClassTty)
{
    namespace fs = std::filesystem;
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(sysClassTty, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        if (fs::exists(fs::symlink_status(it->path() / "device", linkError)))
            names.push_back(it->path().filename().string());
    }
    SortPortNames(names);
    for (std::string& name : names)
        name = "/dev/" + name;
    return names;
}

} // namespace serial
