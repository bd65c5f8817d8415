// scale-cli: the operations of the scale configuration tool without a
// window, for production lines and service scripts.

#include <clocale>

#include "app_core/sys_settings.h"
#include "cli/command_line.h"

int main(int argc, char** argv)
{
    // The logs are written in the locale's character set, as by the window;
    // numbers are always read and written with ".".
    std::setlocale(LC_ALL, "");
    std::setlocale(LC_NUMERIC, "C");
    LoadSystemSettings();
    return RunCommandLine(argc, argv);
}
