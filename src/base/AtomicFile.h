// A file's next content, written under a temporary name beside it and put in its place in one
// step, so that readers and a crash see the old file or the new one whole, never a part.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

#include "base/TempFiles.h"

class AtomicFile {
public:
    // Creates the temporary file in the folder of `target`, a unique file (TempFiles.h) whose
    // tag says what it is for.
    explicit AtomicFile(std::string targetPath, std::string_view tag = "next");
    // Removes the temporary file unless it has taken the target's place.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool IsOpen() const { return temp.fd.Valid(); }
    // The temporary file, for writing its content (-1 when it could not be created).
    int Fd() const { return temp.fd.Get(); }
    // Its name, for writers that open it by name.
    const std::string& TempName() const { return temp.name; }

    // Gives the temporary file `mode` and puts its content on the disk: a file that is to take
    // another's place must be whole on the disk first, or a crash could leave neither.
    bool Sync(mode_t mode);
    // Renames the temporary file over the target.
    bool Replace();
    // Links the temporary file as the target only when nothing has that name; the temporary name
    // is removed either way.
    bool Create();

private:
    // Once the folder is on the disk, so is the new name.
    void SyncFolder() const;

    std::string target;
    UniqueFile temp;  // its name is cleared once nothing is left to remove
};

// Copies the regular file `from` over `to` through an AtomicFile, so that `to` is either what it
// was or the whole copy, never a part of it; the copy gets the permissions of `from`. Returns
// what went wrong (the system's text), empty on success.
std::string CopyFileReplacing(const std::string& from, const std::string& to);
