// A command-line program's text on Windows: the arguments from the wide
// command line, the console switched to UTF-8 for the run.

#include "app_core/program_text.h"
#include "app_core/win32_text.h"

#include <windows.h>

#include <shellapi.h>

std::vector<std::string> ProgramArguments(int argc, char** argv)
{
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(Utf8FromWide(wide[i]));
    LocalFree(wide);
    return arguments;
}

namespace {

bool IsConsole(DWORD stream)
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(stream), &mode) != 0;
}

} // namespace

Utf8ConsoleOutput::Utf8ConsoleOutput()
{
    if (!IsConsole(STD_OUTPUT_HANDLE) && !IsConsole(STD_ERROR_HANDLE))
        return;
    const UINT previous = GetConsoleOutputCP();
    if (previous != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        previousCodePage_ = previous;
}

Utf8ConsoleOutput::~Utf8ConsoleOutput()
{
    if (previousCodePage_ != 0)
        SetConsoleOutputCP(previousCodePage_);
}
