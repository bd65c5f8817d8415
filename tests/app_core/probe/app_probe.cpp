// A stand-in for the program in the log and settings tests: the tests copy
// it into a temporary directory, so that ExecutableDirectory() and everything beside
// the executable resolve there, and run it with HOME and the locale of the
// case. It starts the way the program does (locale, then [SysSet]).
//
//   app_probe [--remove-own-dir] exepath | sysset | op|result|log|err TEXT...
//
// Exit code 0 when every call returned, 3 with the message on stderr when
// one raised, 2 for a bad command line.

#include "app_core/exe_path.h"
#include "app_core/log_files.h"
#include "app_core/sys_settings.h"
#include "program_arguments.h"

#include <clocale>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    const std::vector<std::string> args = support::Utf8Arguments(argc, argv);
    std::setlocale(LC_ALL, "");
    LoadSystemSettings();

    int arg = 1;
    if (arg < argc && args[arg] == "--remove-own-dir") {
        // The executable's directory disappears while the program runs.
        const std::string dir = ExecutableDirectory();
        std::error_code error;
        if (!std::filesystem::remove(dir + "app_probe", error) ||
            !std::filesystem::remove(dir, error))
            return 2;
        ++arg;
    }
    if (arg >= argc)
        return 2;
    const std::string command = args[arg++];

    if (command == "exepath") {
        std::printf("%s", ExecutableDirectory().c_str());
        return 0;
    }
    if (command == "language") {
        std::printf("Language=%s\n", windowLanguage.c_str());
        return 0;
    }
    if (command == "sysset") {
        std::printf("startwithsys=%d\nwriteResult=%d\nWriteCommLog=%d\nmaxsizeResult=%d\n"
                    "DelayCount=%d\nShopNO=%s\n",
                    startWithSystem, resultLogEnabled, writeCommLog, resultLogMaxBytes, delayCount,
                    shopNumber.c_str());
        return 0;
    }
    void (*write)(std::string_view) = nullptr;
    if (command == "op")
        write = WriteOperationLog;
    else if (command == "result")
        write = WriteResultLog;
    else if (command == "log")
        write = WriteLog;
    else if (command == "err")
        write = WriteErrorLog;
    if (!write)
        return 2;
    try {
        for (; arg < argc; ++arg)
            write(args[arg]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s", e.what());
        return 3;
    }
    return 0;
}
