#pragma once

// What the threads of this process are blocked in, from /proc (Linux): for
// a test that must wait until a thread of the component under test has
// reached a wait that gives no signal of its own, such as the serial
// reader waiting for its owner to catch up (a condition variable, while
// its reads and every other wait of the port are poll calls).

#include <sys/syscall.h>
#include <sys/types.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace support {

// The ids of this process's threads now.
inline std::set<pid_t> ThreadIds()
{
    std::set<pid_t> ids;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task"))
        ids.insert(static_cast<pid_t>(std::stol(entry.path().filename().string())));
    return ids;
}

// The threads started since `before` was taken.
inline std::set<pid_t> ThreadsSince(const std::set<pid_t>& before)
{
    std::set<pid_t> started;
    for (pid_t id : ThreadIds())
        if (!before.count(id))
            started.insert(id);
    return started;
}

// True while thread `id` of this process sleeps in a futex wait (a mutex or
// a condition variable); false while it runs, sleeps in another call or
// has ended.
inline bool WaitsOnAFutex(pid_t id)
{
    std::ifstream file("/proc/self/task/" + std::to_string(id) + "/syscall");
    std::string call;
    if (!(file >> call) || call == "running")
        return false;
    try {
        return std::stol(call) == SYS_futex;
    } catch (const std::exception&) {
        return false;
    }
}

// True while one of `ids` sleeps in a futex wait.
inline bool OneWaitsOnAFutex(const std::set<pid_t>& ids)
{
    for (pid_t id : ids)
        if (WaitsOnAFutex(id))
            return true;
    return false;
}

} // namespace support
