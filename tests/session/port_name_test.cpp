#include "session/port_name.h"

#include "session/device_identity.h"

#include <gtest/gtest.h>

TEST(PortName, FromTenOnThroughTheDeviceNamespace)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Com1", "Com1"},
        {"Com9", "Com9"},
        {"Com10", "//./Com10"},
        {"COM20", "//./COM20"},
        {"com 12", "//./com 12"},
        {"Com+12", "//./Com+12"},
        {"Com12x", "Com12x"},
        {"Com-12", "Com-12"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"//./Com12", "//./Com12"},
        {"", ""},
        {"Com", "Com"},
    };
    for (const auto& [typed, opened] : cases)
        EXPECT_EQ(PortNameToOpen(typed), opened) << typed;
}

// A device server's address is opened, followed and compared as typed:
// nothing of it is looked up as a file of this machine.
TEST(PortName, NetworkAddressesPassThroughUnchanged)
{
    const std::string rfc2217 = "rfc2217://127.0.0.1:4001";
    const std::string raw = "socket://scale-7.plant:4002";
    for (const std::string& url : {rfc2217, raw}) {
        EXPECT_EQ(PortNameToOpen(url), url);
        const DeviceIdentity identity = IdentifyDevice(url, "/nonexistent-by-id");
        EXPECT_EQ(identity.kind, DeviceIdentity::Kind::FixedPath) << url;
        EXPECT_EQ(identity.path, url);
        EXPECT_TRUE(identity.reopenable()) << url;
        EXPECT_TRUE(SameDevice(url, url));
    }
    EXPECT_FALSE(SameDevice(rfc2217, raw));
    EXPECT_FALSE(SameDevice(rfc2217, "rfc2217://127.0.0.1:4003"));
}
