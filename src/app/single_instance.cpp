#include "app/single_instance.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

std::string SingleInstanceLock::LockPath() {
  const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
  if (runtimeDir && *runtimeDir) return std::string(runtimeDir) + "/PDA_SVR.lock";
  return "/tmp/PDA_SVR-" + std::to_string(getuid()) + ".lock";
}

SingleInstanceLock::Result SingleInstanceLock::Acquire() {
  if (fd_ >= 0) return Result::Acquired;
  // O_NOFOLLOW: a link planted in /tmp must not make us create or lock
  // another file.
  const int fd = open(LockPath().c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return Result::Failed;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno;
    close(fd);
    return error == EWOULDBLOCK ? Result::AlreadyRunning : Result::Failed;
  }
  fd_ = fd;
  return Result::Acquired;
}

SingleInstanceLock::~SingleInstanceLock() {
  if (fd_ >= 0) close(fd_);
}
