#include "program_run.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace e2e {

namespace fs = std::filesystem;

ProgramRun::ProgramRun(const ProgramRunOptions& options) : directory_("scale-e2e")
{
    const fs::path program = options.program;
    const fs::path copy = fs::path(directory_.path()) / program.filename();
    fs::copy_file(program, copy);
    fs::permissions(copy, fs::perms::owner_all);

    std::ofstream ini(PathOf("datalink.ini"));
    ini << "[CommSet]\nCommNo=" << options.port << "\nBaudRate=" << options.baud << "\n";
    for (const std::string& line : options.extraIni)
        ini << line << "\n";
    ini.close();
    if (!ini)
        throw std::runtime_error("cannot write " + PathOf("datalink.ini"));

    support::SpawnOptions launch;
    launch.argv = options.launcher;
    launch.argv.push_back(copy.string());
    launch.argv.insert(launch.argv.end(), options.arguments.begin(), options.arguments.end());
    launch.environment = {"HOME=" + directory_.path(), "XDG_RUNTIME_DIR=" + directory_.path(),
                          "QT_QPA_PLATFORM=offscreen"};
    launch.environment.insert(launch.environment.end(), options.environment.begin(),
                              options.environment.end());
    launch.workDir = directory_.path();
    launch.stdoutFile = PathOf("program.out");
    launch.stderrFile = PathOf("program.err");
    process_ = std::make_unique<support::ChildProcess>(launch);
}

ProgramRun::~ProgramRun()
{
    process_.reset(); // stops the program
    if (std::getenv("SCALE_E2E_KEEP"))
        directory_.keep();
}

std::string ProgramRun::ReadFile(const std::string& name) const
{
    std::ifstream file(PathOf(name), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::optional<int> ProgramRun::WaitForExit(std::chrono::milliseconds timeout)
{
    const std::optional<int> status = process_->WaitFor(timeout);
    if (!status)
        return std::nullopt;
    return support::ExitCode(*status);
}

int ProgramRun::Stop(std::chrono::milliseconds grace)
{
    return support::ExitCode(process_->Stop(grace));
}

} // namespace e2e
