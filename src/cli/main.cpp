// scale-cli: the operations of the scale configuration tool without a
// window, for production lines and service scripts.

#include <clocale>
#include <string>
#include <vector>

#include "app_core/program_text.h"
#include "app_core/sys_settings.h"
#include "cli/command_line.h"

int main(int argc, char** argv)
{
    // The logs are written in the locale's character set, as by the window;
    // numbers are always read and written with ".".
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    // Arguments, output and file names are UTF-8 on every system.
    const Utf8ConsoleOutput console;
    std::vector<std::string> arguments = ProgramArguments(argc, argv);
    std::vector<char*> pointers;
    for (std::string& argument : arguments)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    LoadSystemSettings();
    return RunCommandLine(static_cast<int>(arguments.size()), pointers.data());
}
