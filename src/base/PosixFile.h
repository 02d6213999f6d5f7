// Small helpers over POSIX file calls shared by the code that reads and writes files directly.
#pragma once

#include <fcntl.h>
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

// `path` opened with `flags` (O_CREAT creates it with `mode`) when it is a regular file, or an
// invalid descriptor. A FIFO, device or folder is refused without waiting: opening a FIFO waits
// for its other end, reading a pipe or device can wait for ever, and what is written to one is
// not kept. errno is the open's when it failed, EISDIR for a folder and EINVAL for any other
// file that is not a regular one.
UniqueFd OpenRegularFile(const std::string& path, int flags = O_RDONLY, mode_t mode = 0);

// The whole content of the regular file `path`, or nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// The folder part of `path` ("." when it has none).
std::string ParentFolder(const std::string& path);
// The name part of `path`: what follows its last '/' (all of it when it has none).
std::string FileNameOf(const std::string& path);

// Whether two stat results describe one file.
bool SameFile(const struct stat& a, const struct stat& b);

// One try at an exclusive advisory lock (flock) without waiting, retrying interruptions.
enum class LockTry { Taken, Busy, Failed };
LockTry TryLockExclusive(int fd);
