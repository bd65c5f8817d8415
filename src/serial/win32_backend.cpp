#include "serial/win32_backend.h"

#include "app_core/win32_text.h"

#include "serial/net_device.h"
#include "serial/net_port_name.h"
#include "serial/port_names.h"
#include "serial/win32_device.h"

#include <optional>

namespace serial {

Win32Event::~Win32Event() { CloseHandle(handle_); }

void Win32Event::Set()
{
    set_ = true;
    SetEvent(handle_);
}

void Win32Event::Reset()
{
    set_ = false;
    ResetEvent(handle_);
}

bool Win32Event::IsSet() const { return set_; }

HANDLE EventHandle(const Event& event) { return static_cast<const Win32Event&>(event).Handle(); }

Win32Backend::Win32Backend(HKEY root, std::wstring portsKey)
    : root_(root), portsKey_(std::move(portsKey))
{
}

int Win32Backend::OpenNetwork(const std::string& name, std::unique_ptr<CommDevice>& device)
{
    NetOpening opening = OpenNetworkPort(name);
    lastRefusal_ = opening.refusal;
    lastReason_ = std::move(opening.reason);
    if (!opening.device)
        return -1;
    device = std::move(opening.device);
    return 0;
}

int Win32Backend::Open(const std::string& name, std::unique_ptr<CommDevice>& device)
{
    lastReason_.clear();
    if (IsNetworkPortName(name))
        return OpenNetwork(name, device);
    lastRefusal_ = OpenRefusal::Absent;
    const std::string path = Win32DevicePath(name);
    if (path.empty())
        return -1;
    // Share mode 0: exclusive, so a port in use by another program is refused.
    HANDLE handle =
        CreateFileW(WideFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        // A port another program holds is refused as "access denied".
        const DWORD error = GetLastError();
        lastRefusal_ =
            error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ? OpenRefusal::Busy
            : error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? OpenRefusal::Absent
                                                                             : OpenRefusal::Other;
        return -1;
    }
    lastRefusal_ = OpenRefusal::None;
    if (GetFileType(handle) != FILE_TYPE_CHAR) {
        CloseHandle(handle);
        return -2;
    }
    device = std::make_unique<Win32Device>(handle);
    return 0;
}

std::unique_ptr<Event> Win32Backend::NewEvent()
{
    HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!handle)
        return nullptr;
    return std::make_unique<Win32Event>(handle);
}

int Win32Backend::WaitForEither(const Event& first, const Event& second)
{
    const HANDLE handles[2] = {EventHandle(first), EventHandle(second)};
    switch (WaitForMultipleObjects(2, handles, FALSE, INFINITE)) {
    case WAIT_OBJECT_0:
        return 0;
    case WAIT_OBJECT_0 + 1:
        return 1;
    default:
        return -1;
    }
}

std::vector<std::string> Win32Backend::ListPorts()
{
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, portsKey_.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    for (DWORD index = 0;; ++index) {
        wchar_t valueName[256];
        DWORD valueNameLength = 256;
        BYTE data[512];
        DWORD dataSize = sizeof data - sizeof(wchar_t);
        DWORD type = 0;
        const LONG status =
            RegEnumValueW(key, index, valueName, &valueNameLength, nullptr, &type, data, &dataSize);
        if (status == ERROR_NO_MORE_ITEMS)
            break;
        if (status != ERROR_SUCCESS || type != REG_SZ)
            continue; // too long for a port name, or not text
        std::wstring port(reinterpret_cast<const wchar_t*>(data), dataSize / sizeof(wchar_t));
        while (!port.empty() && port.back() == L'\0')
            port.pop_back();
        if (!port.empty())
            names.push_back(Utf8FromWide(port));
    }
    RegCloseKey(key);
    SortPortNames(names);
    return names;
}

CommBackend& DefaultCommBackend()
{
    static Win32Backend backend;
    return backend;
}

} // namespace serial
