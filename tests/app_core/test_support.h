#pragma once

// Whole-file reads and writes and the probe program (a copy of
// tests/app_core/probe) for the settings and log tests; temporary
// directories and running programs come from tests/support.

#include "run_program.h"
#include "temp_dir.h"

#include <string>

using support::TempDir;

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// Copies the probe program into `dir` as "app_probe" and returns its path.
std::string InstallProbe(const std::string& dir);

using ProbeRun = support::ProgramRun;
using support::RunProgram;
