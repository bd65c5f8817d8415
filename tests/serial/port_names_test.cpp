#include "serial/port_names.h"

#include <gtest/gtest.h>

using serial::DevicePathForCommName;

TEST(PortNames, ComNamesMapToTtySAndPathsPassThrough)
{
    struct Case {
        const char* name;
        const char* path;
    } cases[] = {
        {"COM1", "/dev/ttyS0"},
        {"com2", "/dev/ttyS1"},
        {"Com10", "/dev/ttyS9"},
        {"//./COM3", "/dev/ttyS2"},
        {"\\\\.\\COM12", "/dev/ttyS11"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"/dev/pts/7", "/dev/pts/7"},
        {"COM0", ""},
        {"COM01", ""},
        {"COM", ""},
        {"COM1x", ""},
        {"COM12345", ""},
        {"ttyS0", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DevicePathForCommName(c.name), c.path) << c.name;
}

TEST(PortNames, ComNamesOnWindowsOpenAsDevicePaths)
{
    struct Case {
        const char* name;
        const char* path;
    } cases[] = {
        {"COM1", "\\\\.\\COM1"},
        {"Com3", "\\\\.\\Com3"},
        {"com12", "\\\\.\\com12"},
        {"//./Com10", "\\\\.\\Com10"},
        {"//./COM3", "\\\\.\\COM3"},
        {"\\\\.\\COM7", "\\\\.\\COM7"},
        {"//./CNCA0", "\\\\.\\CNCA0"}, // another device behind the prefix
        {"C:\\data\\file.txt", "C:\\data\\file.txt"},
        {"COM0", "COM0"}, // no port number: opened as typed, and refused
        {"//./", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(serial::Win32DevicePath(c.name), c.path) << c.name;
}

TEST(PortNames, PortListsSortByNumberValue)
{
    std::vector<std::string> names = {"COM10", "COM3", "COM1", "/dev/ttyUSB0", "COM2"};
    serial::SortPortNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"/dev/ttyUSB0", "COM1", "COM2", "COM3", "COM10"}));
}
