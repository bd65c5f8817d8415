#include "serial/port_discovery.h"

#include "serial/comm_backend.h"
#include "serial/port_names.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>

namespace serial {

#ifdef _WIN32

std::vector<DiscoveredPort> DiscoverPorts(const PortDiscoveryRoots&)
{
    std::vector<DiscoveredPort> ports;
    for (const std::string& name : DefaultCommBackend().ListPorts())
        ports.push_back({name, name, {}});
    return ports;
}

#else

namespace {

namespace fs = std::filesystem;

// The first line of a small attribute file, without surrounding blanks; ""
// when there is none.
std::string Attribute(const fs::path& file)
{
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line))
        return {};
    const auto first = line.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    const auto last = line.find_last_not_of(" \t\r\n");
    return line.substr(first, last - first + 1);
}

bool Exists(const fs::path& path)
{
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// The USB device a tty belongs to is its device (cdc-acm: the interface) or
// a parent or two above it: the first directory with an idVendor.
std::string UsbDescription(const fs::path& ttyDevice)
{
    std::error_code ec;
    fs::path dir = fs::canonical(ttyDevice, ec);
    if (ec)
        return {};
    for (int depth = 0; depth < 4 && dir.has_relative_path(); ++depth, dir = dir.parent_path()) {
        if (!Exists(dir / "idVendor"))
            continue;
        const std::string manufacturer = Attribute(dir / "manufacturer");
        const std::string product = Attribute(dir / "product");
        if (product.empty())
            return manufacturer.empty()
                       ? "USB " + Attribute(dir / "idVendor") + ":" + Attribute(dir / "idProduct")
                       : manufacturer;
        // "FTDI" and "FT232R USB UART", but not "Prolific" twice.
        if (manufacturer.empty() || product.rfind(manufacturer, 0) == 0)
            return product;
        return manufacturer + " " + product;
    }
    return {};
}

// The by-id link of each device, by the device's name ("ttyUSB0"); of two
// links to one device the first in name order.
std::map<std::string, std::string> LinksById(const std::string& serialById)
{
    std::vector<fs::path> links;
    std::error_code ec;
    for (fs::directory_iterator it(serialById, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        if (it->is_symlink(linkError))
            links.push_back(it->path());
    }
    std::sort(links.begin(), links.end());
    std::map<std::string, std::string> byDevice;
    for (const fs::path& link : links) {
        std::error_code readError;
        const fs::path target = fs::read_symlink(link, readError);
        if (!readError && target.has_filename())
            byDevice.emplace(target.filename().string(), link.string());
    }
    return byDevice;
}

} // namespace

std::vector<DiscoveredPort> DiscoverPorts(const PortDiscoveryRoots& roots)
{
    std::vector<std::string> ttys;
    std::error_code ec;
    for (fs::directory_iterator it(roots.sysClassTty, ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::path& entry = it->path();
        if (!Exists(entry / "device"))
            continue; // a console or a virtual terminal
        // A serial-core port with no UART found behind it.
        if (Exists(entry / "type") && Attribute(entry / "type") == "0")
            continue;
        const std::string name = entry.filename().string();
        std::error_code nodeError;
        if (!fs::exists(fs::path(roots.dev) / name, nodeError))
            continue; // not reachable here (e.g. a container without the node)
        ttys.push_back(name);
    }
    SortPortNames(ttys);

    const std::map<std::string, std::string> links = LinksById(roots.serialById);
    std::vector<DiscoveredPort> ports;
    for (const std::string& tty : ttys) {
        DiscoveredPort port;
        port.device = (fs::path(roots.dev) / tty).string();
        const auto link = links.find(tty);
        port.name = link != links.end() ? link->second : port.device;
        port.description = UsbDescription(fs::path(roots.sysClassTty) / tty / "device");
        ports.push_back(std::move(port));
    }
    return ports;
}

#endif

} // namespace serial
