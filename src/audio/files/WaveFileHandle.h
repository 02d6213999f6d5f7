// An open audio file: an owned POSIX descriptor with the few whole-buffer operations the WAV
// reader and writers need. Other processes and threads may open the same file meanwhile (the
// recorder's file is read while it grows).
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "base/UniqueFd.h"

class WaveFileHandle {
public:
    WaveFileHandle() = default;

    // Advisory locks (flock) tell the level queue that a file is in use, so that it replaces
    // a recording only once nobody has it open. They are taken without waiting: a reader
    // of a file that is being written (or the other way round) goes on without one.
    //
    // An existing regular file for reading (OpenRegularFile: never waits on a FIFO), with the
    // sequential-scan hint, under a shared lock.
    static WaveFileHandle OpenForReading(const std::string& path);
    // For writing, created when missing, under an exclusive lock; `empty` cuts an existing file
    // to nothing, otherwise its content stays until written over. New files are private to the
    // user (recordings of calls). Only a regular file opens: what a FIFO or device took would
    // be lost.
    static WaveFileHandle OpenForWriting(const std::string& path, bool empty);

    bool IsOpen() const { return fd.Valid(); }
    void Close() { fd.Reset(); }

    // Reads up to `size` bytes at the file position; returns the bytes read (fewer only at the
    // end of the file or on an error).
    std::size_t Read(void* data, std::size_t size);
    // Writes all of `data` at the file position; false on an error.
    bool Write(const void* data, std::size_t size);
    // Writes at `offset` without moving the file position.
    bool WriteAt(std::int64_t offset, const void* data, std::size_t size);
    // Reads at `offset` without moving the file position; returns the bytes read.
    std::size_t ReadAt(std::int64_t offset, void* data, std::size_t size);

    bool Seek(std::int64_t offset);
    // Moves the position by `delta` bytes.
    bool Skip(std::int64_t delta);
    std::int64_t Tell() const;
    // The current size of the file, -1 on an error.
    std::int64_t Size() const;
    // Ends the file at `size` (zeros when it grows) and moves the position there.
    bool EndAt(std::int64_t size);
    // Hands what has been written to the disk.
    void Flush();

private:
    explicit WaveFileHandle(UniqueFd descriptor) : fd(std::move(descriptor)) {}

    UniqueFd fd;
};

// The errno of the file call that has just failed (an open, or a write that returned false);
// EIO when the call left none.
inline int LastFileError() {
    return errno != 0 ? errno : EIO;
}
