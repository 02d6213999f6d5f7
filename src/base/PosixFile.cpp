// Small helpers over POSIX file calls shared by the code that reads and writes files directly.
#include "base/PosixFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// Moves `size` bytes through `step(done)`, a read or write call that returns how much of the
// rest it moved; returns the bytes moved, fewer only when a call failed or moved nothing.
template <typename Step>
std::size_t MoveAll(std::size_t size, Step step) {
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = RetryInterrupted([&] { return step(done); });
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

}  // namespace

std::size_t ReadAll(int fd, void* data, std::size_t size) {
    auto* bytes = static_cast<char*>(data);
    return MoveAll(size, [&](std::size_t done) { return ::read(fd, bytes + done, size - done); });
}

std::size_t ReadAllAt(int fd, std::int64_t offset, void* data, std::size_t size) {
    auto* bytes = static_cast<char*>(data);
    return MoveAll(size, [&](std::size_t done) {
        return ::pread(fd, bytes + done, size - done, offset + static_cast<off_t>(done));
    });
}

bool WriteAll(int fd, std::string_view data) {
    return MoveAll(data.size(), [&](std::size_t done) {
               return ::write(fd, data.data() + done, data.size() - done);
           }) == data.size();
}

bool WriteAllAt(int fd, std::int64_t offset, std::string_view data) {
    return MoveAll(data.size(), [&](std::size_t done) {
               return ::pwrite(fd, data.data() + done, data.size() - done,
                               offset + static_cast<off_t>(done));
           }) == data.size();
}

UniqueFd OpenRegularFile(const std::string& path, int flags, mode_t mode) {
    UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, mode));
    struct stat st {};
    if (!fd || ::fstat(fd.Get(), &st) != 0) {
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        return {};
    }
    // Transfers of a regular file wait for the disk as usual.
    ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    UniqueFd fd = OpenRegularFile(path);
    if (!fd) {
        return std::nullopt;
    }
    std::string content;
    char buffer[8192];
    for (;;) {
        ssize_t n = RetryInterrupted([&] { return ::read(fd.Get(), buffer, sizeof buffer); });
        if (n < 0) {
            return std::nullopt;
        }
        if (n == 0) {
            return content;
        }
        content.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string FileNameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);  // npos + 1 is 0
}

std::string ParentFolder(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

LockTry TryLockExclusive(int fd) {
    if (RetryInterrupted([fd] { return ::flock(fd, LOCK_EX | LOCK_NB); }) == 0) {
        return LockTry::Taken;
    }
    return errno == EWOULDBLOCK ? LockTry::Busy : LockTry::Failed;
}
