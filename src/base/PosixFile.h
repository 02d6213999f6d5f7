// Small helpers over POSIX file calls shared by the code that reads and writes files directly.
#pragma once

#include <sys/stat.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/UniqueFd.h"

// Calls `call` again for as long as it fails with EINTR; returns its last result.
template <typename Call>
auto RetryInterrupted(Call call) {
    for (;;) {
        auto result = call();
        if (result != -1 || errno != EINTR) {
            return result;
        }
    }
}

// Reads up to `size` bytes at the file position, across short reads and interruptions; returns
// the bytes read, fewer only at the end of the file or on an error.
std::size_t ReadAll(int fd, void* data, std::size_t size);
// As ReadAll, at `offset` and without moving the file position.
std::size_t ReadAllAt(int fd, std::int64_t offset, void* data, std::size_t size);

// Writes all of `data`, retrying short writes and interruptions; false on an error.
bool WriteAll(int fd, std::string_view data);
// As WriteAll, at `offset` and without moving the file position.
bool WriteAllAt(int fd, std::int64_t offset, std::string_view data);

// The whole content of `path`, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// The folder part of `path` ("." when it has none).
std::string ParentFolder(const std::string& path);

// Whether two stat results describe one file.
bool SameFile(const struct stat& a, const struct stat& b);

// One try at an exclusive advisory lock (flock) without waiting, retrying interruptions.
enum class LockTry { Taken, Busy, Failed };
LockTry TryLockExclusive(int fd);
