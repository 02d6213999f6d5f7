// Private scratch files of the level processing, buffered for long sequential passes.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>

#include "base/TempFiles.h"

// A unique file (TempFiles.h) tagged `tag` in the temporary folder, readable and writable by the
// owner only. Its name is removed at once: the open file keeps the data, and nothing is left
// behind however the processing ends (a kill in the moment before goes to the sweep of
// temporaries).
class ScratchFile {
public:
    explicit ScratchFile(const char* tag);

    bool IsOpen() const { return file != nullptr; }
    // Errors are not reported: a later short read shows them.
    void Write(const void* data, std::size_t bytes);
    // Reads up to `bytes`; returns how many were read.
    std::size_t Read(void* data, std::size_t bytes);
    void Rewind();

private:
    struct Closer {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    static constexpr std::size_t kBufferSize = 128 * 1024;

    std::unique_ptr<char[]> buffer;  // outlives the stream that uses it
    std::unique_ptr<std::FILE, Closer> file;
};
