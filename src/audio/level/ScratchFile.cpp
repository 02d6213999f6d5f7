// Private scratch files of the level processing.
#include "audio/level/ScratchFile.h"

#include <unistd.h>

ScratchFile::ScratchFile(const char* tag) {
    UniqueFile created = CreateUniqueFile(TemporaryFolder(), tag);
    if (!created.fd) {
        return;
    }
    ::unlink(created.name.c_str());
    file.reset(::fdopen(created.fd.Get(), "w+b"));
    if (!file) {
        return;
    }
    created.fd.Release();  // the stream closes it
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
