#pragma once
// scale-cli's command line: the commands, their options and help, the
// checks of every value before anything is sent, and the exit code.

// Parses the arguments, runs the chosen command and returns the exit code.
int RunCommandLine(int argc, char** argv);
