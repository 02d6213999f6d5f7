// Temporary files and folders of the program: every one is named by one rule that marks it as
// ours and says which process made it, so that what a killed process left behind is known and
// removed later, and nothing else ever is.
#pragma once

#include <string>
#include <string_view>

#include "base/UniqueFd.h"

// $TMPDIR when it is set and not empty, else "/tmp".
std::string TemporaryFolder();

// A file created new in `folder`, readable and writable by the owner only, named
// ".quillon-TAG-PID-START-XXXXXX": the creating process's id and start time (in clock ticks
// since boot), and six unique characters. `name` is empty when the file could not be created.
struct UniqueFile {
    UniqueFd fd;
    std::string name;
};
UniqueFile CreateUniqueFile(const std::string& folder, std::string_view tag);

// A folder created new in `folder`, private to the owner, named as a unique file is; empty when
// it could not be created.
std::string CreateUniqueFolder(const std::string& folder, std::string_view tag);

// A private folder in the temporary folder (CreateUniqueFolder) for files that live no longer
// than its owner, removed with everything in it when the owner goes; its path is empty when it
// could not be created.
class ScratchFolder {
public:
    explicit ScratchFolder(std::string_view tag);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string path;
};

// Which temporaries a sweep removes.
enum class TempSweep {
    Ended,        // those of processes that have ended: at start, beside others still running
    EndedAndOwn,  // and this process's own: at its end, once nothing of it writes them any more
};

// Removes the temporaries in `folder` that `which` names: files and folders named by the rule
// above and owned by this user. A process has ended when no process has its id, or the one that
// has it started at another time (the id was given again). Everything else stays, a user's file
// that merely looks alike included.
void RemoveTemporaries(const std::string& folder, TempSweep which);
