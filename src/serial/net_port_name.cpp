#include "serial/net_port_name.h"

#include <cctype>

namespace serial {

namespace {

constexpr std::string_view kRfc2217 = "rfc2217://";
constexpr std::string_view kSocket = "socket://";

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

bool ValidPort(std::string_view port)
{
    if (port.empty() || port.size() > 5)
        return false;
    unsigned value = 0;
    for (char c : port) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value >= 1 && value <= 65535;
}

bool ValidHost(std::string_view host)
{
    if (host.empty())
        return false;
    for (char c : host) {
        const auto u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '.' && c != '-' && c != '_' && c != ':')
            return false;
    }
    return true;
}

} // namespace

bool IsNetworkPortName(std::string_view name)
{
    return StartsWithNoCase(name, kRfc2217) || StartsWithNoCase(name, kSocket);
}

std::optional<NetPortAddress> ParseNetPortName(std::string_view name)
{
    NetPortAddress address;
    if (StartsWithNoCase(name, kRfc2217)) {
        address.kind = NetPortAddress::Kind::Rfc2217;
        name.remove_prefix(kRfc2217.size());
    } else if (StartsWithNoCase(name, kSocket)) {
        address.kind = NetPortAddress::Kind::RawSocket;
        name.remove_prefix(kSocket.size());
    } else {
        return std::nullopt;
    }
    if (!name.empty() && name.back() == '/')
        name.remove_suffix(1);
    std::string_view host;
    std::string_view port;
    if (!name.empty() && name.front() == '[') {
        const size_t close = name.find(']');
        if (close == std::string_view::npos || close + 1 >= name.size() || name[close + 1] != ':')
            return std::nullopt;
        host = name.substr(1, close - 1);
        port = name.substr(close + 2);
    } else {
        const size_t colon = name.rfind(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        host = name.substr(0, colon);
        port = name.substr(colon + 1);
        if (host.find(':') != std::string_view::npos)
            return std::nullopt; // an IPv6 address needs its brackets
    }
    if (!ValidHost(host) || !ValidPort(port))
        return std::nullopt;
    address.host = std::string(host);
    address.port = std::string(port);
    return address;
}

} // namespace serial
