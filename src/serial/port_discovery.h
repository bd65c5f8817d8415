#pragma once

// The serial devices present, as an operator would pick them from a list:
// under the name that stays the same across plugging (a /dev/serial/by-id
// link) where there is one, with a description of a USB adapter where the
// system has one. Standard C++ only; every place looked at can be moved, so
// tests give a tree of their own.

#include <string>
#include <vector>

namespace serial {

struct PortDiscoveryRoots {
    std::string sysClassTty = "/sys/class/tty"; // the tty class of sysfs
    std::string dev = "/dev";                   // where the device nodes are
    std::string serialById = "/dev/serial/by-id";
};

struct DiscoveredPort {
    // What is opened, and what the port box shows: the by-id link
    // ("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0")
    // where one points at the device, else the device ("/dev/ttyUSB0").
    std::string name;
    // The device node itself ("/dev/ttyUSB0").
    std::string device;
    // Of a USB adapter: its manufacturer and product as the adapter gives
    // them ("FTDI FT232R USB UART"), else its vendor and product id
    // ("USB 0403:6001"); empty for other ports.
    std::string description;

    bool operator==(const DiscoveredPort&) const = default;
};

// The ttys of `sysClassTty` that belong to hardware (a "device" link) and
// whose node exists in `dev`, in natural name order (ttyS2 before ttyS10).
// Left out: serial-core ports without a UART behind them (their "type" reads
// 0, as the 8250 driver's spare ttyS ports do). On Windows: the ports of the
// system's list (HARDWARE\DEVICEMAP\SERIALCOMM), the roots unused.
std::vector<DiscoveredPort> DiscoverPorts(const PortDiscoveryRoots& roots = {});

} // namespace serial
