// The port list from a tree made like sysfs, /dev and /dev/serial/by-id:
// the devices present under their stable names, with a USB adapter's
// description, in natural order; consoles, spare UART slots and ttys
// without a node left out.

#include "serial/port_discovery.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using serial::DiscoveredPort;
using serial::DiscoverPorts;
using serial::PortDiscoveryRoots;

namespace {

class FakeSystem {
public:
    FakeSystem()
        : root_(fs::path(testing::TempDir()) /
                ("port-discovery-" +
                 std::string(testing::UnitTest::GetInstance()->current_test_info()->name())))
    {
        fs::remove_all(root_);
        fs::create_directories(root_ / "sys/class/tty");
        fs::create_directories(root_ / "dev/serial/by-id");
    }
    ~FakeSystem() { fs::remove_all(root_); }

    PortDiscoveryRoots Roots() const
    {
        return {(root_ / "sys/class/tty").string(), (root_ / "dev").string(),
                (root_ / "dev/serial/by-id").string()};
    }
    std::string Dev(const std::string& name) const { return (root_ / "dev" / name).string(); }
    std::string ById(const std::string& name) const
    {
        return (root_ / "dev/serial/by-id" / name).string();
    }

    // A tty of the class; `devicePath` (under sys/devices) is what its device
    // link points at, none for a console.
    void Tty(const std::string& name, const std::string& devicePath = {},
             const std::string& type = {}, bool node = true)
    {
        const fs::path entry = root_ / "sys/class/tty" / name;
        fs::create_directories(entry);
        if (!devicePath.empty()) {
            fs::create_directories(root_ / "sys/devices" / devicePath);
            fs::create_directory_symlink(fs::relative(root_ / "sys/devices" / devicePath, entry),
                                         entry / "device");
        }
        if (!type.empty())
            Write(entry / "type", type + "\n");
        if (node)
            Write(root_ / "dev" / name, "");
    }
    // A USB device directory with its attributes (empty ones left out).
    void UsbDevice(const std::string& path, const std::string& vendor, const std::string& product,
                   const std::string& manufacturerText, const std::string& productText)
    {
        const fs::path dir = root_ / "sys/devices" / path;
        fs::create_directories(dir);
        Write(dir / "idVendor", vendor + "\n");
        Write(dir / "idProduct", product + "\n");
        if (!manufacturerText.empty())
            Write(dir / "manufacturer", manufacturerText + "\n");
        if (!productText.empty())
            Write(dir / "product", productText + "\n");
    }
    void Link(const std::string& name, const std::string& target)
    {
        fs::create_symlink(target, root_ / "dev/serial/by-id" / name);
    }

    const fs::path& Root() const { return root_; }

private:
    static void Write(const fs::path& file, const std::string& text)
    {
        std::ofstream(file) << text;
    }

    fs::path root_;
};

} // namespace

TEST(PortDiscovery, DevicesPresentUnderStableNamesWithTheirAdapters)
{
    FakeSystem sys;
    const std::string usb = "pci0000:00/0000:00:14.0/usb1";
    // An FTDI adapter, reached through its by-id link (two links: the first
    // by name counts).
    sys.UsbDevice(usb + "/1-1", "0403", "6001", "FTDI", "FT232R USB UART");
    sys.Tty("ttyUSB0", usb + "/1-1/1-1:1.0/ttyUSB0");
    sys.Link("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "../../ttyUSB0");
    sys.Link("usb-zz-second-name", "../../ttyUSB0");
    // A CDC-ACM device: the tty's device is the interface; its product text
    // already names the maker.
    sys.UsbDevice(usb + "/1-2", "2341", "0043", "Arduino", "Arduino Uno");
    sys.Tty("ttyACM0", usb + "/1-2/1-2:1.0");
    // A CH340 without strings: vendor and product id.
    sys.UsbDevice(usb + "/1-3", "1a86", "7523", "", "");
    sys.Tty("ttyUSB2", usb + "/1-3/1-3:1.0/ttyUSB2");
    // Built-in UARTs: two found, one spare slot of the 8250 driver.
    sys.Tty("ttyS0", "pnp0/00:05", "4");
    sys.Tty("ttyS10", "pnp0/00:06", "4");
    sys.Tty("ttyS1", "platform/serial8250", "0");
    // Consoles and virtual terminals have no device.
    sys.Tty("tty0");
    sys.Tty("console");
    // In sysfs but without a node here (e.g. a container).
    sys.Tty("ttyUSB1", usb + "/1-4/1-4:1.0/ttyUSB1", "", false);
    // A link to a device that is not there any more.
    sys.Link("usb-gone-if00-port0", "../../ttyUSB7");

    const std::vector<DiscoveredPort> ports = DiscoverPorts(sys.Roots());
    EXPECT_THAT(ports,
                ::testing::ElementsAre(
                    DiscoveredPort{sys.Dev("ttyACM0"), sys.Dev("ttyACM0"), "Arduino Uno"},
                    DiscoveredPort{sys.Dev("ttyS0"), sys.Dev("ttyS0"), ""},
                    DiscoveredPort{sys.Dev("ttyS10"), sys.Dev("ttyS10"), ""},
                    DiscoveredPort{sys.ById("usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"),
                                   sys.Dev("ttyUSB0"), "FTDI FT232R USB UART"},
                    DiscoveredPort{sys.Dev("ttyUSB2"), sys.Dev("ttyUSB2"), "USB 1a86:7523"}));
}

TEST(PortDiscovery, NothingWhereTheRootsAreMissing)
{
    FakeSystem sys;
    sys.Tty("ttyUSB0", "usb/1-1/1-1:1.0/ttyUSB0");
    PortDiscoveryRoots roots = sys.Roots();
    roots.serialById = (sys.Root() / "no-by-id").string(); // no adapter plugged in yet
    EXPECT_EQ(DiscoverPorts(roots),
              (std::vector<DiscoveredPort>{{sys.Dev("ttyUSB0"), sys.Dev("ttyUSB0"), ""}}));
    roots.sysClassTty = (sys.Root() / "no-sysfs").string();
    EXPECT_TRUE(DiscoverPorts(roots).empty());
}

TEST(PortDiscovery, ComingAndGoing)
{
    FakeSystem sys;
    EXPECT_TRUE(DiscoverPorts(sys.Roots()).empty());
    sys.Tty("ttyUSB0", "usb/1-1/1-1:1.0/ttyUSB0");
    sys.Link("usb-Prolific_PL2303-if00-port0", "../../ttyUSB0");
    ASSERT_EQ(DiscoverPorts(sys.Roots()).size(), 1u);
    EXPECT_EQ(DiscoverPorts(sys.Roots())[0].name, sys.ById("usb-Prolific_PL2303-if00-port0"));
    fs::remove(sys.Dev("ttyUSB0")); // unplugged: the node goes first
    EXPECT_TRUE(DiscoverPorts(sys.Roots()).empty());
}
