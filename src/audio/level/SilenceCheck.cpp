// Whether a finished recording holds any sound.
#include "audio/level/SilenceCheck.h"

#include <algorithm>
#include <vector>

#include "audio/dsp/SoundLevel.h"
#include "audio/files/WaveReaders.h"

namespace {

constexpr std::int32_t kBlocksPerRead = 64;

}  // namespace

SilenceVerdict CheckSilence(const std::string& path) {
    LSoundSourcePtr source = OpenWaveFile(path);
    if (!source || source->IsInvalid()) {
        return SilenceVerdict::Unreadable;
    }
    const std::int32_t length = source->GetLength();
    if (length < std::int64_t{source->sampleRate} * kShortestCheckedSeconds) {
        return SilenceVerdict::TooShort;
    }
    const std::int32_t blockFrames = std::max(source->sampleRate * kSilenceBlockMs / 1000, 1);
    // Read many blocks at a time: one file read per 20 ms would cost more than the measuring.
    const std::int32_t readFrames = blockFrames * kBlocksPerRead;
    std::vector<std::int32_t> buffer(static_cast<std::size_t>(readFrames) * source->channels);
    std::int64_t blocks = 0;
    std::int64_t loud = 0;
    for (std::int32_t done = 0; done < length; done += readFrames) {
        const std::int32_t frames = std::min(readFrames, length - done);
        source->Read(buffer.data(), frames);
        for (std::int32_t first = 0; first < frames; first += blockFrames) {
            const std::int32_t count = std::min(blockFrames, frames - first);
            ++blocks;
            if (BlockLevel(buffer.data() + std::size_t(first) * source->channels,
                           std::size_t(count) * source->channels) >= kSoundBlockLevel) {
                ++loud;
            }
        }
    }
    return loud * 100 < blocks * kSoundBlocksPercent ? SilenceVerdict::NoSound
                                                     : SilenceVerdict::Sound;
}
