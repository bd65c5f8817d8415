#pragma once
// One running instance per user: a lock named "PDA_SVR", held for the life
// of the process and freed by the kernel even after a crash.

#include <string>

class SingleInstanceLock {
 public:
  enum class Result { Acquired, AlreadyRunning, Failed };

  SingleInstanceLock() = default;
  ~SingleInstanceLock();
  SingleInstanceLock(const SingleInstanceLock&) = delete;
  SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

  // Takes the lock. Failed (e.g. the lock file cannot be created) lets the
  // caller carry on as a first instance would.
  Result Acquire();

  // $XDG_RUNTIME_DIR/PDA_SVR.lock, else /tmp/PDA_SVR-<uid>.lock.
  static std::string LockPath();

 private:
  int fd_ = -1;
};
