#include "app/single_instance.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kLockName = "PDA_SVR.lock";

std::string RuntimeDirectory()
{
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    return dir && *dir ? dir : "";
}

// Opens the lock's directory. Our own directory is made when missing and
// must be a real directory that only this user can enter and write.
int OpenLockDirectory()
{
    const std::string runtime = RuntimeDirectory();
    if (!runtime.empty())
        return open(runtime.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);

    const std::string dir = SingleInstanceLock::LockDirectory();
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST)
        return -1;
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info { };
    if (fd >= 0 &&
        (fstat(fd, &info) != 0 || info.st_uid != geteuid() || (info.st_mode & 077) != 0)) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace

std::string SingleInstanceLock::LockDirectory()
{
    const std::string runtime = RuntimeDirectory();
    if (!runtime.empty())
        return runtime;
    const char* tmp = std::getenv("TMPDIR");
    const std::string base = tmp && tmp[0] == '/' ? tmp : "/tmp";
    return base + "/scale-config-" + std::to_string(geteuid());
}

std::string SingleInstanceLock::LockPath() { return LockDirectory() + "/" + kLockName; }

SingleInstanceLock::Result SingleInstanceLock::Acquire()
{
    if (fd_ >= 0)
        return Result::Acquired;
    const int dirFd = OpenLockDirectory();
    if (dirFd < 0)
        return Result::Failed;
    // O_NOFOLLOW: a planted link must not make us create or lock another file.
    const int fd = openat(dirFd, kLockName, O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    close(dirFd);
    if (fd < 0)
        return Result::Failed;
    // A lock file of someone else's could be held to keep the tool from starting.
    struct stat info { };
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != geteuid()) {
        close(fd);
        return Result::Failed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(fd);
        return error == EWOULDBLOCK ? Result::AlreadyRunning : Result::Failed;
    }
    fd_ = fd;
    return Result::Acquired;
}

SingleInstanceLock::~SingleInstanceLock()
{
    if (fd_ >= 0)
        close(fd_);
}
