// Audio input files of the quillon-tool audio commands.
#include "tool/AudioInput.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "audio/files/AudioConversion.h"
#include "base/PosixFile.h"
#include "base/UniqueFd.h"

namespace {

// Why a file that did not open as audio cannot be used.
std::string Unreadable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        return std::strerror(errno);
    }
    if (S_ISDIR(st.st_mode)) {
        return "is a folder";
    }
    if (!UniqueFd(::open(path.c_str(), O_RDONLY | O_CLOEXEC))) {
        return std::strerror(errno);
    }
    return "not a WAV or MP3 file that can be read";
}

}  // namespace

LSoundSourcePtr OpenToolInput(const std::string& path, std::ostream& err,
                              WaveFormatRecord* format) {
    WaveFormatRecord record;
    LSoundSourcePtr source = OpenAudioFile(path, &record);
    if (source && !source->IsInvalid()) {
        if (format) {
            *format = record;
        }
        return source;
    }
    err << "quillon-tool: " << path << ": "
        << (source ? "the format (" + FormatName(record) + ") is not supported" : Unreadable(path))
        << "\n";
    return {};
}

bool IsSameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && SameFile(sa, sb);
}

std::string FormatName(const WaveFormatRecord& format) {
    switch (format.SampleFormatTag()) {
        case kWaveFormatPcm:
            return "PCM " + std::to_string(format.bitsPerSample) + "-bit";
        case kWaveFormatIeeeFloat:
            return "IEEE float " + std::to_string(format.bitsPerSample) + "-bit";
        case kWaveFormatMulaw:
            return "mu-law";
        case kWaveFormatAlaw:
            return "A-law";
        case kWaveFormatImaAdpcm:
            return "IMA ADPCM";
        case kWaveFormatMpegLayer3:
            return "MPEG Layer III";
        default: {
            char text[32];
            std::snprintf(text, sizeof text, "format tag 0x%04X", format.formatTag);
            return text;
        }
    }
}
