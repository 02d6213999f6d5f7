// The file a fuzz target hands its input to code that opens files by name: it lives in memory
// and is named /proc/self/fd/N, so no folder is touched and nothing is left behind however the
// fuzzer ends.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/PosixFile.h"
#include "base/UniqueFd.h"

class MemoryFile {
public:
    MemoryFile() : fd(::memfd_create("fuzz-input", MFD_CLOEXEC)) {
        if (!fd) {
            std::abort();
        }
        path = "/proc/self/fd/" + std::to_string(fd.Get());
    }

    // Makes `data` the whole content.
    void Write(const std::uint8_t* data, std::size_t size) {
        if (::ftruncate(fd.Get(), 0) != 0 ||
            !WriteAllAt(fd.Get(), 0, {reinterpret_cast<const char*>(data), size})) {
            std::abort();
        }
    }
    const std::string& Path() const { return path; }

private:
    UniqueFd fd;
    std::string path;
};
