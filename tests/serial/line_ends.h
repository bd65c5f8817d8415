#pragma once

// The far ends of a line comm_line_test.cpp runs its cases against, one per
// backend this system has. Each gives the name the component opens, writes
// and reads the bytes of the far end, floods the line, reports the line
// settings as the far end sees them and hangs up.

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include "wine_line_end.h"
using LineEnds = ::testing::Types<WineLineEnd>;
#else
#include "pty_line_end.h"
using LineEnds = ::testing::Types<PtyLineEnd>;
#endif

// Test names say which line: CommOnLine/KernelPty.Name, CommOnLine/WineComPort.Name.
struct LineEndNames {
    template <typename LineEnd> static std::string GetName(int)
    {
#ifdef _WIN32
        return "WineComPort";
#else
        return "KernelPty";
#endif
    }
};
