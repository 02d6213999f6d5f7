// A file's next content, written under a temporary name beside it and put in its place whole.
#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "base/PosixFile.h"

AtomicFile::AtomicFile(std::string targetPath, std::string_view tag)
    : target(std::move(targetPath)), temp(CreateUniqueFile(ParentFolder(target), tag)) {}

AtomicFile::~AtomicFile() {
    if (!temp.name.empty()) {
        ::unlink(temp.name.c_str());
    }
}

bool AtomicFile::Sync(mode_t mode) {
    return IsOpen() && ::fchmod(Fd(), mode) == 0 && ::fsync(Fd()) == 0;
}

bool AtomicFile::Replace() {
    if (!IsOpen() || ::rename(temp.name.c_str(), target.c_str()) != 0) {
        return false;
    }
    temp.name.clear();
    SyncFolder();
    return true;
}

bool AtomicFile::Create() {
    if (!IsOpen()) {
        return false;
    }
    const bool linked = ::link(temp.name.c_str(), target.c_str()) == 0;
    ::unlink(temp.name.c_str());
    temp.name.clear();
    if (linked) {
        SyncFolder();
    }
    return linked;
}

void AtomicFile::SyncFolder() const {
    UniqueFd folder(::open(ParentFolder(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) {
        ::fsync(folder.Get());
    }
}

std::string CopyFileReplacing(const std::string& from, const std::string& to) {
    UniqueFd source = OpenRegularFile(from, O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (!source || ::fstat(source.Get(), &st) != 0) {
        return std::strerror(errno);
    }
    AtomicFile copy(to, "copy");
    if (!copy.IsOpen()) {
        return std::strerror(errno);
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        errno = 0;
        std::size_t got = ReadAll(source.Get(), buffer.data(), buffer.size());
        if (got < buffer.size() && errno != 0) {
            return std::strerror(errno);
        }
        if (got > 0 && !WriteAll(copy.Fd(), std::string_view(buffer.data(), got))) {
            return std::strerror(errno);
        }
        if (got < buffer.size()) {
            break;
        }
    }
    if (!copy.Sync(st.st_mode & 07777) || !copy.Replace()) {
        return std::strerror(errno);
    }
    return {};
}
