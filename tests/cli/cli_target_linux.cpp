// The Linux scale-cli on scale-sim's pseudo-terminal; the operation log is
// oplog.txt in the run's directory (its HOME), in UTF-8 (LC_ALL=C.UTF-8).

#include "cli_target.h"

namespace cli_target {

std::unique_ptr<e2e::SimProcess> StartSimulator(const std::vector<std::string>& options)
{
    return std::make_unique<e2e::SimProcess>(options);
}

std::string PortName(const e2e::SimProcess& sim) { return sim.PortPath(); }

std::string FileName(const std::string& path) { return path; }

std::unique_ptr<e2e::ProgramRun> StartCli(const std::string& port,
                                          const std::vector<std::string>& arguments)
{
    return std::make_unique<e2e::ProgramRun>(
        e2e::ProgramRunOptions{.program = SCALE_CLI_PATH,
                               .port = port,
                               .baud = 115200,
                               // Calibration records stay in the run's own HOME.
                               .environment = {"LC_ALL=C.UTF-8", "XDG_DATA_HOME="},
                               .arguments = arguments});
}

CliRun RunCli(const std::string& port, const std::vector<std::string>& arguments,
              std::chrono::milliseconds timeout)
{
    const std::unique_ptr<e2e::ProgramRun> run = StartCli(port, arguments);
    CliRun result;
    const std::optional<int> code = run->WaitForExit(timeout);
    result.exitCode = code ? *code : run->Stop();
    result.output = run->ReadFile("program.out");
    result.errors = run->ReadFile("program.err");
    result.operationLog = run->ReadFile("oplog.txt");
    return result;
}

} // namespace cli_target
