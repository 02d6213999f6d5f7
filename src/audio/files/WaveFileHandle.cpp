// An open audio file over POSIX calls, retrying interruptions and short transfers.
#include "audio/files/WaveFileHandle.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/PosixFile.h"

WaveFileHandle WaveFileHandle::OpenForReading(const std::string& path) {
    UniqueFd descriptor = OpenRegularFile(path);
    if (descriptor) {
        ::posix_fadvise(descriptor.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
        ::flock(descriptor.Get(), LOCK_SH | LOCK_NB);
    }
    return WaveFileHandle(std::move(descriptor));
}

WaveFileHandle WaveFileHandle::OpenForWriting(const std::string& path, bool empty) {
    UniqueFd descriptor = OpenRegularFile(path, O_WRONLY | O_CREAT | (empty ? O_TRUNC : 0), 0600);
    if (descriptor) {
        ::flock(descriptor.Get(), LOCK_EX | LOCK_NB);
    }
    return WaveFileHandle(std::move(descriptor));
}

std::size_t WaveFileHandle::Read(void* data, std::size_t size) {
    return ReadAll(fd.Get(), data, size);
}

bool WaveFileHandle::Write(const void* data, std::size_t size) {
    return WriteAll(fd.Get(), {static_cast<const char*>(data), size});
}

bool WaveFileHandle::WriteAt(std::int64_t offset, const void* data, std::size_t size) {
    return WriteAllAt(fd.Get(), offset, {static_cast<const char*>(data), size});
}

std::size_t WaveFileHandle::ReadAt(std::int64_t offset, void* data, std::size_t size) {
    return ReadAllAt(fd.Get(), offset, data, size);
}

bool WaveFileHandle::Seek(std::int64_t offset) {
    return offset >= 0 && ::lseek(fd.Get(), offset, SEEK_SET) == offset;
}

bool WaveFileHandle::Skip(std::int64_t delta) {
    return ::lseek(fd.Get(), delta, SEEK_CUR) >= 0;
}

std::int64_t WaveFileHandle::Tell() const {
    return ::lseek(fd.Get(), 0, SEEK_CUR);
}

std::int64_t WaveFileHandle::Size() const {
    struct stat st {};
    return ::fstat(fd.Get(), &st) == 0 ? st.st_size : -1;
}

bool WaveFileHandle::EndAt(std::int64_t size) {
    return ::ftruncate(fd.Get(), size) == 0 && Seek(size);
}

void WaveFileHandle::Flush() {
    ::fdatasync(fd.Get());
}
