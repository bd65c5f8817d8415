#pragma once

// A directory of the test's own under the system's temporary directory
// (TMPDIR, %TEMP%), made at construction (mode 0700 on POSIX) and removed
// with everything in it at the end.

#include <string>

namespace support {

class TempDir {
public:
    // The directory's name starts with `prefix`. Throws std::runtime_error
    // when it cannot be made.
    explicit TempDir(const std::string& prefix = "app-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // UTF-8.
    const std::string& path() const { return path_; }
    // path() + "/" + name
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

    // Leaves the directory in place at the end, for a look after a failure.
    void keep() { keep_ = true; }

private:
    std::string path_;
    bool keep_ = false;
};

} // namespace support
