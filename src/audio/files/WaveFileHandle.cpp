// An open audio file over POSIX calls, retrying interruptions and short transfers.
#include "audio/files/WaveFileHandle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

WaveFileHandle::WaveFileHandle(WaveFileHandle&& other) noexcept : fd(std::exchange(other.fd, -1)) {}

WaveFileHandle& WaveFileHandle::operator=(WaveFileHandle&& other) noexcept {
    if (this != &other) {
        Close();
        fd = std::exchange(other.fd, -1);
    }
    return *this;
}

WaveFileHandle::~WaveFileHandle() {
    Close();
}

WaveFileHandle WaveFileHandle::OpenForReading(const std::string& path) {
    int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor >= 0) {
        struct stat st {};
        // Only regular files: a pipe or device could block a read forever.
        if (::fstat(descriptor, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(descriptor);
            return {};
        }
        ::posix_fadvise(descriptor, 0, 0, POSIX_FADV_SEQUENTIAL);
        ::flock(descriptor, LOCK_SH | LOCK_NB);
    }
    return WaveFileHandle(descriptor);
}

WaveFileHandle WaveFileHandle::OpenForWriting(const std::string& path, bool empty) {
    int descriptor =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (empty ? O_TRUNC : 0), 0600);
    if (descriptor >= 0) {
        ::flock(descriptor, LOCK_EX | LOCK_NB);
    }
    return WaveFileHandle(descriptor);
}

void WaveFileHandle::Close() {
    if (fd >= 0) {
        ::close(std::exchange(fd, -1));
    }
}

std::size_t WaveFileHandle::Read(void* data, std::size_t size) {
    auto* bytes = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::read(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool WaveFileHandle::Write(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool WaveFileHandle::WriteAt(std::int64_t offset, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = ::pwrite(fd, bytes, size, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        bytes += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::size_t WaveFileHandle::ReadAt(std::int64_t offset, void* data, std::size_t size) {
    auto* bytes = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, bytes + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool WaveFileHandle::Seek(std::int64_t offset) {
    return offset >= 0 && ::lseek(fd, offset, SEEK_SET) == offset;
}

bool WaveFileHandle::Skip(std::int64_t delta) {
    return ::lseek(fd, delta, SEEK_CUR) >= 0;
}

std::int64_t WaveFileHandle::Tell() const {
    return ::lseek(fd, 0, SEEK_CUR);
}

std::int64_t WaveFileHandle::Size() const {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? st.st_size : -1;
}

bool WaveFileHandle::EndAt(std::int64_t size) {
    return ::ftruncate(fd, size) == 0 && Seek(size);
}

void WaveFileHandle::Flush() {
    ::fdatasync(fd);
}
