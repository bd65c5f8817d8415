#include "child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

extern char** environ;

namespace support {

namespace {

[[noreturn]] void Fail(const std::string& what)
{
    throw std::system_error(errno, std::generic_category(), what);
}

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& overrides,
                                           const std::vector<std::string>& unset)
{
    std::vector<std::string> merged;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const auto equals = text.find('=');
        const std::string name =
            text.substr(0, equals == std::string::npos ? text.size() : equals + 1);
        bool replaced = false;
        for (const std::string& u : unset)
            replaced = replaced || name == u || name == u + "=";
        for (const std::string& o : overrides)
            replaced = replaced || o.rfind(name, 0) == 0;
        if (!replaced)
            merged.push_back(text);
    }
    // A later override of the same name wins (a test may replace one of the
    // harness's own settings, e.g. XDG_RUNTIME_DIR).
    for (size_t i = 0; i < overrides.size(); ++i) {
        const std::string name = overrides[i].substr(0, overrides[i].find('=') + 1);
        bool overridden = false;
        for (size_t j = i + 1; j < overrides.size(); ++j)
            overridden = overridden || overrides[j].rfind(name, 0) == 0;
        if (!overridden)
            merged.push_back(overrides[i]);
    }
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

void MakePipe(int fds[2])
{
    if (pipe2(fds, O_CLOEXEC) != 0)
        Fail("pipe");
}

} // namespace

int ExitCode(int waitStatus)
{
    if (WIFEXITED(waitStatus))
        return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus))
        return 128 + WTERMSIG(waitStatus);
    return -1;
}

ChildProcess::ChildProcess(const SpawnOptions& options)
{
    // A child that has died must not take the test with it when the test
    // writes to its input.
    signal(SIGPIPE, SIG_IGN);

    // Everything the child needs is prepared before fork(): after it, only
    // async-signal-safe calls until exec.
    std::vector<std::string> args = options.argv;
    std::vector<std::string> env = MergedEnvironment(options.environment, options.unset);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);

    int in[2] = {-1, -1}, out[2] = {-1, -1}, err[2] = {-1, -1};
    if (options.pipeStdin)
        MakePipe(in);
    if (options.pipeStdout)
        MakePipe(out);
    if (options.pipeStderr)
        MakePipe(err);
    int outFile = -1, errFile = -1;
    if (!options.pipeStdout && !options.stdoutFile.empty())
        outFile =
            ::open(options.stdoutFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (!options.pipeStderr && !options.stderrFile.empty())
        errFile =
            ::open(options.stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);

    pid_ = fork();
    if (pid_ < 0)
        Fail("fork");
    if (pid_ == 0) {
        if (in[0] >= 0)
            dup2(in[0], 0);
        if (out[1] >= 0)
            dup2(out[1], 1);
        else if (outFile >= 0)
            dup2(outFile, 1);
        if (err[1] >= 0)
            dup2(err[1], 2);
        else if (errFile >= 0)
            dup2(errFile, 2);
        if (!options.workDir.empty() && chdir(options.workDir.c_str()) != 0)
            _exit(126);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    for (int fd : {in[0], out[1], err[1], outFile, errFile})
        if (fd >= 0)
            ::close(fd);
    stdin_ = in[1];
    stdout_ = out[0];
    stderr_ = err[0];
    pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    if (pidfd_ < 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        Fail("pidfd_open");
    }
}

ChildProcess::~ChildProcess()
{
    if (!status_)
        Stop(std::chrono::seconds(5));
    for (int fd : {stdin_, stdout_, stderr_, pidfd_})
        if (fd >= 0)
            ::close(fd);
}

void ChildProcess::CloseStdin()
{
    if (stdin_ >= 0)
        ::close(stdin_);
    stdin_ = -1;
}

std::optional<int> ChildProcess::WaitFor(std::chrono::milliseconds timeout)
{
    if (status_)
        return status_;
    pollfd pfd{pidfd_, POLLIN, 0};
    int ready;
    do
        ready = poll(&pfd, 1, static_cast<int>(timeout.count()));
    while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return std::nullopt;
    int status = 0;
    if (waitpid(pid_, &status, 0) == pid_)
        status_ = status;
    return status_;
}

bool ChildProcess::Running() { return !WaitFor(std::chrono::milliseconds(0)); }

int ChildProcess::Stop(std::chrono::milliseconds grace)
{
    if (!status_) {
        kill(pid_, SIGTERM);
        if (!WaitFor(grace)) {
            kill(pid_, SIGKILL);
            WaitFor(std::chrono::seconds(30));
        }
    }
    return status_.value_or(-1);
}

} // namespace support
