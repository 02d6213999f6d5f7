// Files for the level tests: speech-like recordings, what a WAV file holds, hidden and scratch
// files.
#pragma once

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/files/WaveReaders.h"
#include "audio/files/WaveTestFiles.h"
#include "support/TempDir.h"

// `seconds` of a quiet tone (0.3456 radians a sample, 880 Hz at 16,000 Hz) of peak 300 at
// `rate` on every channel: something to be levelled.
inline std::string QuietRecording(double seconds, std::uint32_t rate = 8000,
                                  std::uint16_t channels = 1) {
    std::vector<std::int16_t> samples;
    for (std::size_t i = 0; i < static_cast<std::size_t>(seconds * rate); ++i) {
        samples.insert(samples.end(), channels,
                       static_cast<std::int16_t>(std::lround(300 * std::sin(i * 0.3456))));
    }
    return Pcm16File(channels, rate, samples);
}

struct WaveInfo {
    bool valid = false;
    WaveFormatRecord format;
    std::int32_t frames = 0;
};

inline WaveInfo InspectWave(const std::string& path) {
    WaveInfo info;
    LSoundSourcePtr source = OpenWaveFile(path, &info.format);
    info.valid = source && !source->IsInvalid();
    info.frames = info.valid ? source->GetLength() : 0;
    return info;
}

// Names in `folder` that start with a dot (the unfinished outputs of levelling).
inline std::vector<std::string> HiddenFiles(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string()[0] == '.') {
            names.push_back(entry.path().filename());
        }
    }
    return names;
}

// The temporary files this process holds open in `folder`, sorted, each as its tag and whether
// only its owner may use it.
inline std::vector<std::string> OpenFilesIn(const std::string& folder) {
    std::vector<std::string> files;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(fd.path(), error).string();
        const std::string ours = folder + "/.quillon-";
        if (!error && target.rfind(ours, 0) == 0) {
            const char* access = FileMode(fd.path()) == 0600 ? " private" : " shared";
            files.push_back(target.substr(ours.size(), 3) + access);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}
