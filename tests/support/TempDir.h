// Test helpers: a temporary folder removed with its content, environment variables and a file
// size limit set for one scope, and small file helpers.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

class TempDir {
public:
    TempDir() {
        std::string pattern = std::filesystem::temp_directory_path() / "quillon-test-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        path = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path; }
    std::string operator/(const std::string& name) const { return path + "/" + name; }

private:
    std::string path;
};

// Sets (or, with no value, unsets) an environment variable until the end of the scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : variable(name) {
        if (const char* current = std::getenv(name)) {
            saved = current;
        }
        Set(value);
    }
    ~ScopedEnv() { Set(saved); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void Set(const std::optional<std::string>& value) const {
        value ? ::setenv(variable.c_str(), value->c_str(), 1) : ::unsetenv(variable.c_str());
    }
    std::string variable;
    std::optional<std::string> saved;
};

// Limits the files this process writes to `bytes` until the end of the scope, as a full disk
// would: a write beyond fails with EFBIG (the signal it would raise is ignored meanwhile).
class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes) : savedHandler(std::signal(SIGXFSZ, SIG_IGN)) {
        ::getrlimit(RLIMIT_FSIZE, &saved);
        if (const rlimit limit{bytes, saved.rlim_max}; ::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            throw std::runtime_error("cannot limit the file size");
        }
    }
    ~ScopedFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedHandler);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

private:
    rlimit saved{};
    void (*savedHandler)(int);
};

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// An executable shell script at `path` running `commands`: a stand-in for another program.
inline void WriteScript(const std::string& path, const std::string& commands) {
    WriteFile(path, "#!/bin/sh\n" + commands);
    ::chmod(path.c_str(), 0755);
}

// Empty when missing.
inline std::string ReadFile(const std::string& path) {
    std::ostringstream content;
    content << std::ifstream(path, std::ios::binary).rdbuf();
    return content.str();
}

inline bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The permission bits.
inline unsigned FileMode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

// The content of every file in `folder`, one after the other in name order.
inline std::string ReadFolder(const std::string& folder) {
    std::error_code missing;
    const std::set<std::filesystem::directory_entry> files(
        std::filesystem::directory_iterator(folder, missing),
        std::filesystem::directory_iterator());
    std::string content;
    for (const auto& file : files) {
        content += ReadFile(file.path());
    }
    return content;
}
