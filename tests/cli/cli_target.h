#pragma once

// Which scale-cli the tests of cli_on_sim_test.cpp run, and how it reaches
// the simulator. The cases are the same for both:
//
//   cli_target_linux.cpp  the Linux scale-cli on scale-sim's pseudo-terminal
//   cli_target_wine.cpp   the Windows scale-cli.exe under wine, on a wine COM
//                         port linked to the pseudo-terminal of the Linux
//                         scale-sim; its operation log is C:\oplog.txt in
//                         the ANSI code page (936), its output ends lines
//                         with CR LF
//
// Each run has a directory of its own holding a copy of the program and
// its datalink.ini (e2e::ProgramRun).

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "e2e_harness.h"

namespace cli_target {

// What a run of scale-cli left, as the tests compare it: output and
// errors with LF line ends, the operation-log lines it added in UTF-8.
struct CliRun {
    int exitCode = -1;
    std::string output;
    std::string errors;
    std::string operationLog;
};

// scale-sim with these options, reachable by PortName().
std::unique_ptr<e2e::SimProcess> StartSimulator(const std::vector<std::string>& options = {});

// The simulator's port as scale-cli is given it ("/dev/pts/3", "COM12").
std::string PortName(const e2e::SimProcess& sim);

// A file of this machine as scale-cli names it.
std::string FileName(const std::string& path);

// Starts scale-cli with `arguments`, datalink.ini naming `port` at 115200
// baud, for a test that ends it itself.
std::unique_ptr<e2e::ProgramRun> StartCli(const std::string& port,
                                          const std::vector<std::string>& arguments);

// Runs scale-cli to its end (stopped after `timeout`).
CliRun RunCli(const std::string& port, const std::vector<std::string>& arguments,
              std::chrono::milliseconds timeout = std::chrono::seconds(60));

} // namespace cli_target
