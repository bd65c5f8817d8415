#pragma once

// How the port names the operator types reach a device.

#include <string>
#include <string_view>
#include <vector>

namespace serial {

// "COM1".."COM9999" in any case, optionally behind "//./" or "\\.\", give
// "/dev/ttyS0".. (COMn is ttyS(n-1)); a name starting with "/" is a device
// path used as typed. Anything else gives "" (no such device).
std::string DevicePathForCommName(std::string_view name);

// Windows: "COM1".."COM9999" in any case, optionally behind "//./" or
// "\\.\", give the device path "\\.\COMn" (so COM10 and above open too);
// another name behind "//./" gets the "\\.\" form; anything else is used
// as typed (a disk file then opens and is refused as no character device).
std::string Win32DevicePath(std::string_view name);

// Sorts port names so that numbers count by value: COM2 before COM10,
// /dev/ttyS2 before /dev/ttyS10.
void SortPortNames(std::vector<std::string>& names);

// "/dev/<name>" for each entry of `sysClassTty` (normally /sys/class/tty)
// that has a "device" link, i.e. belongs to real or virtual hardware rather
// than a console; in natural name order (ttyS2 before ttyS10).
std::vector<std::string> ListSerialPorts(const std::string& sysClassTty);

} // namespace serial
