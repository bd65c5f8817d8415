#include "test_support.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

std::string TempBase()
{
    const char* base = std::getenv("TMPDIR");
    return base && *base ? base : "/tmp";
}

} // namespace

TempDir::TempDir()
{
    std::string pattern = TempBase() + "/app-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed: " + std::string(std::strerror(errno)));
    path_ = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush())
        throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path)
{
    return std::filesystem::symlink_status(path).type() != std::filesystem::file_type::not_found;
}

std::string InstallProbe(const std::string& dir)
{
    const std::string target = dir + "/app_probe";
    std::filesystem::copy_file(APP_PROBE_PATH, target);
    std::filesystem::permissions(target, std::filesystem::perms::owner_all);
    return target;
}

ProbeRun RunProgram(const std::string& program, const std::vector<std::string>& args,
                    const std::map<std::string, std::optional<std::string>>& env,
                    std::optional<std::chrono::milliseconds> timeout)
{
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (!env.contains(entry.substr(0, entry.find('='))))
            envStrings.push_back(entry);
    }
    for (const auto& [name, value] : env)
        if (value)
            envStrings.push_back(name + "=" + *value);

    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    const auto pointers = [](std::vector<std::string>& strings) {
        std::vector<char*> result;
        for (std::string& s : strings)
            result.push_back(s.data());
        result.push_back(nullptr);
        return result;
    };
    std::vector<char*> argv = pointers(argStrings);
    std::vector<char*> envp = pointers(envStrings);

    // Output goes to unlinked temporary files, read back after the end.
    const auto unlinkedTempFile = [] {
        std::string name = TempBase() + "/probe-output-XXXXXX";
        const int fd = mkstemp(name.data());
        if (fd < 0)
            throw std::runtime_error("mkstemp failed: " + std::string(std::strerror(errno)));
        unlink(name.c_str());
        return fd;
    };
    const int outFd = unlinkedTempFile();
    const int errFd = unlinkedTempFile();

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errFd, STDERR_FILENO);
    pid_t pid = 0;
    const int spawnError =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);

    ProbeRun run;
    int status = 0;
    if (spawnError == 0 && timeout) {
        const auto deadline = std::chrono::steady_clock::now() + *timeout;
        while (waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                run.timedOut = true;
                kill(pid, SIGKILL);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else if (spawnError == 0 && waitpid(pid, &status, 0) == pid) {
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    const auto slurp = [](int fd) {
        std::string text;
        char buffer[4096];
        ssize_t n;
        lseek(fd, 0, SEEK_SET);
        while ((n = read(fd, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<size_t>(n));
        close(fd);
        return text;
    };
    run.out = slurp(outFd);
    run.err = slurp(errFd);
    return run;
}
