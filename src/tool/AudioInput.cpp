// Audio input files of the quillon-tool audio commands.
#include "tool/AudioInput.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "audio/files/AudioConversion.h"
#include "base/PosixFile.h"
#include "tool/Tool.h"

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
    if (source) {
        err << "quillon-tool: " << path << ": the format (" << FormatName(record)
            << ") is not supported\n";
    } else {
        ReportUnreadableInput(path, "a WAV or MP3 file", err);
    }
    return {};
}

int ReportUnreadableInput(const std::string& path, std::string_view audio, std::ostream& err) {
    err << "quillon-tool: " << path << ": ";
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        err << std::strerror(errno);
    } else if (S_ISDIR(st.st_mode)) {
        err << "is a folder";
    } else if (!S_ISREG(st.st_mode)) {
        err << "is not a regular file";
    } else if (!OpenRegularFile(path)) {
        err << std::strerror(errno);
    } else if (st.st_size == 0) {
        err << "is empty";
    } else {
        err << "not " << audio << " that can be read";
    }
    err << "\n";
    return kToolFailed;
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
