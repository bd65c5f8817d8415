#include "cli/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>

extern char** environ;

namespace {

// The signal to pass on to the children, 0 while none came.
std::atomic<int> passOnSignal{0};

void RememberSignal(int signal) { passOnSignal = signal; }

struct Child {
    pid_t pid = -1;
    int pipes[2] = {-1, -1}; // read ends: output, errors
    std::string pending[2];  // a line not yet ended
    int exitCode = -1;
};

void CloseBoth(int ends[2])
{
    for (int i = 0; i < 2; ++i)
        if (ends[i] >= 0)
            close(ends[i]);
}

// Starts the child with its output and errors going into two pipes; false
// (with errno) when it cannot be started.
bool Start(Child& child, const std::vector<std::string>& arguments)
{
    int output[2] = {-1, -1};
    int errors[2] = {-1, -1};
    if (pipe2(output, O_CLOEXEC) != 0 || pipe2(errors, O_CLOEXEC) != 0) {
        const int error = errno;
        CloseBoth(output);
        CloseBoth(errors);
        errno = error;
        return false;
    }
    std::vector<std::string> argv{"scale-cli"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : argv)
        pointers.push_back(argument.data());
    pointers.push_back(nullptr);
    // The child starts with the signals this process holds back let through.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errors[1], STDERR_FILENO);
    const int started =
        posix_spawn(&child.pid, "/proc/self/exe", &actions, &attributes, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(output[1]);
    close(errors[1]);
    child.pipes[0] = output[0];
    child.pipes[1] = errors[0];
    if (started != 0) {
        CloseBoth(child.pipes);
        child.pipes[0] = child.pipes[1] = -1;
        errno = started;
        return false;
    }
    return true;
}

// Reads what is there; hands on complete lines; closes the pipe at its end
// (then also the last line without a line end).
void ReadFrom(Child& child, size_t index, int stream, const ChildLineHandler& onLine)
{
    char buffer[4096];
    const ssize_t count = read(child.pipes[stream], buffer, sizeof buffer);
    if (count < 0 && errno == EINTR)
        return;
    std::string& pending = child.pending[stream];
    if (count > 0) {
        pending.append(buffer, static_cast<size_t>(count));
        size_t start = 0;
        for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
            onLine(index, stream == 1, pending.substr(start, end - start));
        pending.erase(0, start);
        return;
    }
    if (!pending.empty())
        onLine(index, stream == 1, pending);
    pending.clear();
    close(child.pipes[stream]);
    child.pipes[stream] = -1;
}

int ExitCodeOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return 128 + WTERMSIG(status); // as a shell reports a signal
}

} // namespace

ChildrenEnded RunChildrenTogether(const std::vector<std::vector<std::string>>& argumentLists,
                                  const ChildLineHandler& onLine)
{
    // The two signals are held back except while waiting in ppoll, so that
    // none comes between looking for one and waiting.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGTERM);
    sigset_t oldMask;
    sigprocmask(SIG_BLOCK, &ending, &oldMask);
    sigset_t waitMask = oldMask;
    sigdelset(&waitMask, SIGINT);
    sigdelset(&waitMask, SIGTERM);
    struct sigaction passOn { };
    passOn.sa_handler = RememberSignal;
    struct sigaction oldInterrupt { };
    struct sigaction oldTerminate { };
    sigaction(SIGINT, &passOn, &oldInterrupt);
    sigaction(SIGTERM, &passOn, &oldTerminate);
    passOnSignal = 0;

    std::vector<Child> children(argumentLists.size());
    for (size_t i = 0; i < children.size(); ++i)
        if (!Start(children[i], argumentLists[i])) {
            onLine(i, true, std::string("scale-cli: cannot start: ") + std::strerror(errno));
            children[i].exitCode = 2;
        }
    ChildrenEnded ended;
    for (;;) {
        if (const int signal = passOnSignal.exchange(0)) {
            ended.interrupted = true;
            for (const Child& child : children)
                if (child.pid > 0)
                    kill(child.pid, signal);
        }
        std::vector<pollfd> watched;
        std::vector<std::pair<size_t, int>> owners;
        for (size_t i = 0; i < children.size(); ++i)
            for (int stream = 0; stream < 2; ++stream)
                if (children[i].pipes[stream] >= 0) {
                    watched.push_back({children[i].pipes[stream], POLLIN, 0});
                    owners.emplace_back(i, stream);
                }
        if (watched.empty())
            break;
        if (ppoll(watched.data(), watched.size(), nullptr, &waitMask) < 0)
            continue; // a signal: passed on above
        for (size_t w = 0; w < watched.size(); ++w)
            if (watched[w].revents != 0)
                ReadFrom(children[owners[w].first], owners[w].first, owners[w].second, onLine);
    }
    for (Child& child : children) {
        if (child.pid > 0) {
            int status = 0;
            while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) { }
            child.exitCode = ExitCodeOf(status);
        }
        ended.exitCodes.push_back(child.exitCode);
    }
    if (passOnSignal.exchange(0) != 0)
        ended.interrupted = true;
    sigaction(SIGINT, &oldInterrupt, nullptr);
    sigaction(SIGTERM, &oldTerminate, nullptr);
    sigprocmask(SIG_SETMASK, &oldMask, nullptr);
    return ended;
}
