// The files quillon-tool commands write, checked first and put in place whole.
#include "tool/ToolOutput.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "audio/files/WaveFileHandle.h"
#include "tool/Tool.h"

namespace {

// Why `st` cannot be written as a file, or nothing when it can.
const char* NotWritable(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) {
        return "is a folder";
    }
    return S_ISREG(st.st_mode) ? nullptr : "is not a regular file";
}

}  // namespace

std::optional<std::string> OutputTarget(const std::string& path, std::ostream& err) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return path;  // a new file: a missing folder shows when it is created
        }
        err << "quillon-tool: " << path << ": " << std::strerror(errno) << "\n";
        return std::nullopt;
    }
    std::string target = path;
    if (S_ISLNK(st.st_mode)) {
        // Writing through the link replaces the file it leads to, and the link stays.
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr || ::stat(resolved, &st) != 0) {
            err << "quillon-tool: " << path << ": "
                << (errno == ENOENT ? "is a symbolic link to nothing" : std::strerror(errno))
                << "\n";
            return std::nullopt;
        }
        target = resolved;
    }
    if (const char* reason = NotWritable(st)) {
        err << "quillon-tool: " << path << ": " << reason << "\n";
        return std::nullopt;
    }
    return target;
}

int ReportUnwritable(const std::string& path, int error, std::ostream& err) {
    err << "quillon-tool: " << path << ": cannot be written: " << std::strerror(error) << "\n";
    return kToolFailed;
}

int WriterError(const LSoundSinkPtr& writer) {
    if (!writer) {
        return ENOMEM;
    }
    if (writer->HasFailed()) {
        return writer->error;
    }
    // An invalid writer that met no file error cannot produce the format.
    return writer->IsInvalid() ? EINVAL : 0;
}

ToolOutputFile::ToolOutputFile(const std::string& path, std::ostream& err) : path(path), err(err) {
    std::optional<std::string> checked = OutputTarget(path, err);
    if (!checked) {
        return;
    }
    target = *checked;
    temp.emplace(target);
    if (!temp->IsOpen()) {
        ReportUnwritable(path, errno, err);
    }
}

int ToolOutputFile::Finish(int writeError) {
    struct stat st {};
    const bool replacing = ::stat(target.c_str(), &st) == 0;
    const mode_t mode = replacing ? st.st_mode & 07777 : 0600;
    // Only what is on the disk may take the target's place; a new name never replaces a file
    // that took it meanwhile.
    if (writeError == 0 && (!temp->Sync(mode) || !(replacing ? temp->Replace() : temp->Create()))) {
        writeError = LastFileError();
    }
    return writeError != 0 ? ReportUnwritable(path, writeError, err) : kToolOk;
}
