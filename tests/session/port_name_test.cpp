#include "session/port_name.h"

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
