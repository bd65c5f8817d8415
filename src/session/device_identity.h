#pragma once
// What identifies the device behind a port, taken when the port is opened,
// so that after a loss the session reopens that device and no other:
// - a name given through a link (a /dev/serial/by-id name, or the link
//   scale-sim --link makes) is followed, wherever it points when the device
//   returns;
// - a USB adapter opened by its kernel name (/dev/ttyUSB0) is followed by
//   its stable /dev/serial/by-id name (maker, product, serial number), so
//   it is found again as /dev/ttyUSB1, and another adapter that appears at
//   /dev/ttyUSB0 is not taken for it;
// - a fixed port (/dev/ttyS0, "Com3") is its path, a device server's port
//   (rfc2217://host:port) its address;
// - a pseudo-terminal by its bare /dev/pts/N name is never reopened: the
//   kernel gives that number to the next program that asks for a terminal.

#include <optional>
#include <string>

struct DeviceIdentity {
    enum class Kind { FixedPath, Link, StableName, PseudoTerminal };
    Kind kind = Kind::FixedPath;
    std::string path; // the name to reopen: as opened, or the by-id name

    bool reopenable() const { return kind != Kind::PseudoTerminal; }
};

inline constexpr const char* kSerialByIdFolder = "/dev/serial/by-id";

// The identity of the device `openedName` (as opened) reaches now.
DeviceIdentity IdentifyDevice(const std::string& openedName,
                              const std::string& byIdFolder = kSerialByIdFolder);
