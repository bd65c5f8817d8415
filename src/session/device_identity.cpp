#include "session/device_identity.h"

#include <filesystem>
#include <system_error>

#include "serial/net_port_name.h"
#include "serial/port_names.h"

namespace fs = std::filesystem;

#ifdef _WIN32

DeviceIdentity IdentifyDevice(const std::string& openedName, const std::string&)
{
    // COM ports are fixed names on Windows.
    return {DeviceIdentity::Kind::FixedPath, openedName};
}

#else

namespace {

// The by-id link in `folder` that points at `device` (canonical), if any.
std::optional<std::string> StableNameOf(const fs::path& device, const std::string& folder)
{
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        std::error_code linkError;
        if (!entry->is_symlink(linkError))
            continue;
        const fs::path target = fs::canonical(entry->path(), linkError);
        if (!linkError && target == device)
            return entry->path().string();
    }
    return std::nullopt;
}

} // namespace

DeviceIdentity IdentifyDevice(const std::string& openedName, const std::string& byIdFolder)
{
    // A device server's port is its address, nothing on this machine.
    if (serial::IsNetworkPortName(openedName))
        return {DeviceIdentity::Kind::FixedPath, openedName};
    const std::string path = serial::DevicePathForCommName(openedName);
    const std::string name = path.empty() ? openedName : path;
    std::error_code error;
    if (fs::is_symlink(name, error))
        return {DeviceIdentity::Kind::Link, openedName};
    const fs::path device = fs::weakly_canonical(name, error);
    if (error)
        return {DeviceIdentity::Kind::FixedPath, openedName};
    if (const std::optional<std::string> stable = StableNameOf(device, byIdFolder))
        return {DeviceIdentity::Kind::StableName, *stable};
    if (device.parent_path() == "/dev/pts")
        return {DeviceIdentity::Kind::PseudoTerminal, openedName};
    return {DeviceIdentity::Kind::FixedPath, openedName};
}

#endif
