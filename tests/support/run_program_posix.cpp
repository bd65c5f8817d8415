#include "child_process.h"
#include "program_arguments.h"
#include "run_program.h"
#include "temp_dir.h"

#include <fstream>
#include <sstream>

namespace support {

namespace {

std::string ReadBack(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

} // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::optional<std::string>>& env,
                      std::optional<std::chrono::milliseconds> timeout)
{
    const TempDir output("program-output");
    SpawnOptions options;
    options.argv = {program};
    options.argv.insert(options.argv.end(), args.begin(), args.end());
    for (const auto& [name, value] : env) {
        if (value)
            options.environment.push_back(name + "=" + *value);
        else
            options.unset.push_back(name);
    }
    options.stdoutFile = output / "out";
    options.stderrFile = output / "err";

    ProgramRun run;
    {
        ChildProcess child(options);
        std::optional<int> status = child.WaitFor(timeout.value_or(std::chrono::hours(24)));
        if (!status) {
            run.timedOut = true;
            status = child.Stop(std::chrono::milliseconds(0));
        }
        run.exitCode = ExitCode(*status);
    }
    run.out = ReadBack(output / "out");
    run.err = ReadBack(output / "err");
    return run;
}

} // namespace support

namespace support {

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

} // namespace support
