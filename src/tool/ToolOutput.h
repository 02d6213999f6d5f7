// The files quillon-tool commands write: a path that exists must be a regular file (a symbolic
// link stands for its target), and a converted file is written under a temporary name beside
// its target, taking the target's place only once it is whole on the disk.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "audio/dsp/LSoundSink.h"
#include "base/AtomicFile.h"

// The file to write for the output path `path`: the path itself, or the file a symbolic link
// there leads to. Nothing, with "quillon-tool: PATH: reason" printed to `err`, when the path
// exists and is no regular file (nor a link to one): a folder, FIFO or device would be replaced
// by a file or swallow what is written to it.
std::optional<std::string> OutputTarget(const std::string& path, std::ostream& err);

// Prints "quillon-tool: PATH: cannot be written: reason" for the errno `error` to `err` and
// returns kToolFailed.
int ReportUnwritable(const std::string& path, int error, std::ostream& err);

// The errno that tells why `writer` did not write (it could not be made, opened or written to),
// 0 when it did.
int WriterError(const LSoundSinkPtr& writer);

class ToolOutputFile {
public:
    // Checks `path` with OutputTarget and creates the temporary file beside its target; when
    // either fails, the reason is printed to `err` and IsOpen() is false.
    ToolOutputFile(const std::string& path, std::ostream& err);

    bool IsOpen() const { return temp && temp->IsOpen(); }
    // The temporary file, for writers that open it by name or write to its descriptor.
    const std::string& TempName() const { return temp->TempName(); }
    int Fd() const { return temp->Fd(); }

    // Puts the written file in the target's place, with the permissions of the file it replaces
    // (a new one is private to the user). `writeError` is the errno of the first write that
    // failed, 0 when none did. Returns kToolOk, or kToolFailed with the reason printed
    // (ReportUnwritable) when a write failed or the file cannot be put on the disk or in place;
    // the target is then as it was and the temporary file is removed.
    int Finish(int writeError);

private:
    std::string path;
    std::ostream& err;
    std::string target;
    std::optional<AtomicFile> temp;
};
