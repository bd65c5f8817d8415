// A command-line program's text on POSIX systems: UTF-8 as it comes.

#include "app_core/program_text.h"

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

Utf8ConsoleOutput::Utf8ConsoleOutput() = default;
Utf8ConsoleOutput::~Utf8ConsoleOutput() = default;
