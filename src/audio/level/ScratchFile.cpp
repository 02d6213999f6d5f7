// Private scratch files of the level processing.
#include "audio/level/ScratchFile.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>

std::string TemporaryFolder() {
    const char* folder = std::getenv("TMPDIR");
    return (folder != nullptr && folder[0] != '\0') ? folder : "/tmp";
}

ScratchFile::ScratchFile(const char* prefix) {
    std::string name = TemporaryFolder() + "/" + prefix + "XXXXXX";
    // mkostemp creates the file new, with mode 0600.
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    ::unlink(name.c_str());
    file.reset(::fdopen(fd, "w+b"));
    if (!file) {
        ::close(fd);
        return;
    }
    buffer = std::make_unique<char[]>(kBufferSize);
    std::setvbuf(file.get(), buffer.get(), _IOFBF, kBufferSize);
}

void ScratchFile::Write(const void* data, std::size_t bytes) {
    if (file) {
        std::fwrite(data, 1, bytes, file.get());
    }
}

std::size_t ScratchFile::Read(void* data, std::size_t bytes) {
    return file ? std::fread(data, 1, bytes, file.get()) : 0;
}

void ScratchFile::Rewind() {
    if (file) {
        std::rewind(file.get());
    }
}
