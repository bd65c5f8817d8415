#pragma once
// One running instance per user: a lock named "PDA_SVR", held for the life
// of the process and freed by the kernel even after a crash.
//
// The lock file lives in $XDG_RUNTIME_DIR, else in a directory of the
// user's own, <TMPDIR or /tmp>/scale-config-<uid>, created with mode 0700.
// Neither that directory nor a lock file is trusted when it belongs to
// someone else (or the directory is open to others): the lock is then not
// taken at all, so nobody else can keep the tool from starting.

#include <string>

class SingleInstanceLock {
public:
    enum class Result { Acquired, AlreadyRunning, Failed };

    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // Takes the lock. Failed (the lock file cannot be created, or is not
    // trusted) lets the caller carry on as a first instance would.
    Result Acquire();

    // The directory of the lock file (see above) and the lock file in it.
    static std::string LockDirectory();
    static std::string LockPath();

private:
    int fd_ = -1;
};
