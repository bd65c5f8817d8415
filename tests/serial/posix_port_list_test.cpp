#include "post_queue.h"
#include "serial/comm.h"
#include "serial/posix_backend.h"

#include <gtest/gtest.h>

#include <filesystem>

// GetCommList lists the ttys that belong to a device, in natural name order.
TEST(PortNames, CommListFromTheSystemsTtyClass)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::path(testing::TempDir()) / "serial_sys_class_tty";
    fs::remove_all(root);
    const fs::path hardware = root / "hardware";
    fs::create_directories(hardware);
    for (const char* name : {"ttyS10", "ttyS2", "ttyUSB0", "tty0", "console"}) {
        fs::create_directories(root / "tty" / name);
        if (std::string(name).rfind("tty", 0) == 0 && std::string(name) != "tty0")
            fs::create_directory_symlink(hardware, root / "tty" / name / "device");
    }

    serial::PosixBackend backend((root / "tty").string());
    PostQueue queue;
    TComm comm(queue.Poster(), backend);
    EXPECT_EQ(comm.GetCommList(), "/dev/ttyS2\r\n/dev/ttyS10\r\n/dev/ttyUSB0\r\n");

    serial::PosixBackend nothing((root / "missing").string());
    TComm bare(queue.Poster(), nothing);
    EXPECT_EQ(bare.GetCommList(), "");
    fs::remove_all(root);
}
