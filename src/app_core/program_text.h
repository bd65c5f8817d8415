#pragma once

// The text a command-line program takes and gives is UTF-8, the program's
// own text, on every system.
//
// POSIX systems pass the arguments as typed (UTF-8 on every current
// system) and take output as it is. Windows passes argv in the ANSI code
// page, which loses whatever it cannot show (a place name outside it, a
// file name); the arguments are read from the wide command line instead.
// A Windows console shows UTF-8 only while its output code page is
// CP_UTF8: that is set for the program's run and the console's own page is
// put back after. Output into a file or a pipe is UTF-8 on every system,
// so what one program writes another reads back.

#include <string>
#include <vector>

// The program's arguments, argv[0] first, in UTF-8.
std::vector<std::string> ProgramArguments(int argc, char** argv);

// While it lives, a console on standard output or standard error shows
// UTF-8 (Windows); nothing to do elsewhere.
class Utf8ConsoleOutput {
public:
    Utf8ConsoleOutput();
    ~Utf8ConsoleOutput();
    Utf8ConsoleOutput(const Utf8ConsoleOutput&) = delete;
    Utf8ConsoleOutput& operator=(const Utf8ConsoleOutput&) = delete;

private:
    unsigned previousCodePage_ = 0; // 0: nothing to put back
};
