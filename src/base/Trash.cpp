// Moving files to the home trash: the file under files/ and its .trashinfo under info/.
#include "base/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "base/PosixFile.h"

namespace {

// $XDG_DATA_HOME/Trash, else ~/.local/share/Trash; empty without a home folder.
std::string HomeTrash() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') {
        return std::string(data) + "/Trash";
    }
    const char* home = std::getenv("HOME");
    return home != nullptr && home[0] == '/' ? std::string(home) + "/.local/share/Trash" : "";
}

bool MakeFolder(const std::string& folder) {
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// The path as a trash record keeps it: every byte but the unreserved ones and "/" as %XX.
std::string PercentEncoded(const std::string& path) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : path) {
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            encoded += static_cast<char>(c);
        } else {
            encoded += {'%', kHex[c >> 4], kHex[c & 15]};
        }
    }
    return encoded;
}

}  // namespace

bool MoveToHomeTrash(const std::string& path, std::time_t now) {
    const std::string trash = HomeTrash();
    if (trash.empty() || path.empty() || path[0] != '/' || !MakeFolder(ParentFolder(trash)) ||
        !MakeFolder(trash) || !MakeFolder(trash + "/files") || !MakeFolder(trash + "/info")) {
        return false;
    }
    const std::string name = FileNameOf(path);
    char date[32];
    std::tm local{};
    ::localtime_r(&now, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string record =
        "[Trash Info]\nPath=" + PercentEncoded(path) + "\nDeletionDate=" + date + "\n";
    // The record is made first and exclusively: it claims the name in the trash.
    for (int n = 1; n < 10000; ++n) {
        std::string entry = n == 1 ? name : name + "." + std::to_string(n);
        std::string info = trash + "/info/" + entry + ".trashinfo";
        UniqueFd fd(::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!fd) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        const std::string target = trash + "/files/" + entry;
        struct stat st {};
        if (::lstat(target.c_str(), &st) == 0) {
            ::unlink(info.c_str());  // a trashed file without its record keeps its name
            continue;
        }
        if (WriteAll(fd.Get(), record) && ::rename(path.c_str(), target.c_str()) == 0) {
            return true;
        }
        int error = errno;
        ::unlink(info.c_str());
        errno = error;
        return false;
    }
    return false;
}
