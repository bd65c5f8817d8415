#pragma once

// A test program's own arguments in UTF-8. On Windows argv holds them in the
// ANSI code page; the wide command line has them whole.

#include <string>
#include <vector>

namespace support {

std::vector<std::string> Utf8Arguments(int argc, char** argv);

} // namespace support
