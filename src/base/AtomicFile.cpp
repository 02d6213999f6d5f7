// A file's next content, written under a temporary name beside it and put in its place whole.
#include "base/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

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
