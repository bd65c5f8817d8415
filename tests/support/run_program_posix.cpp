#include "program_arguments.h"
#include "run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace support {

namespace {

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (std::string& s : strings)
        result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

// An unlinked temporary file for one output stream, read back after the end.
int UnlinkedTempFile()
{
    const char* base = std::getenv("TMPDIR");
    std::string name = std::string(base && *base ? base : "/tmp") + "/program-output-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0)
        throw std::runtime_error("mkstemp failed: " + std::string(std::strerror(errno)));
    unlink(name.c_str());
    return fd;
}

std::string ReadBack(int fd)
{
    std::string text;
    char buffer[4096];
    ssize_t n;
    lseek(fd, 0, SEEK_SET);
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    close(fd);
    return text;
}

} // namespace

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                      const std::map<std::string, std::optional<std::string>>& env)
{
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!env.contains(entry.substr(0, entry.find('='))))
            envStrings.push_back(entry);
    }
    for (const auto& [name, value] : env) {
        if (value)
            envStrings.push_back(name + "=" + *value);
    }
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv = Pointers(argStrings);
    std::vector<char*> envp = Pointers(envStrings);

    const int outFd = UnlinkedTempFile();
    const int errFd = UnlinkedTempFile();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    pid_t pid = 0;
    const int spawnError =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);

    ProgramRun run;
    int status = 0;
    if (spawnError == 0 && waitpid(pid, &status, 0) == pid)
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = ReadBack(outFd);
    run.err = ReadBack(errFd);
    return run;
}

} // namespace support

namespace support {

std::vector<std::string> Utf8Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

} // namespace support
