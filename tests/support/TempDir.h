// Test helpers: a temporary folder removed with its content, environment variables and a file
// size limit set for one scope, and small file helpers.
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <optional>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path; }
    // Path() + "/" + name.
    std::string operator/(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

// Sets (or, with no value, unsets) an environment variable until the end of the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string variable;
    std::optional<std::string> saved;
};

// Limits the files this process writes to `bytes` until the end of the scope, as a full disk
// would: a write beyond fails with EFBIG (the signal it would raise is ignored meanwhile).
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes);
    ~ScopedFileSizeLimit();
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    rlimit saved{};
    void (*savedHandler)(int) = SIG_DFL;
};

void WriteFile(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);  // empty when missing
bool Exists(const std::string& path);
unsigned FileMode(const std::string& path);  // permission bits
// The content of every file in `folder`, one after the other in name order.
std::string ReadFolder(const std::string& folder);
