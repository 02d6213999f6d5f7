// Whether a finished recording holds any sound.
#include "audio/level/SilenceCheck.h"

#include <algorithm>
#include <vector>

#include "audio/dsp/SoundLevel.h"
#include "audio/files/WaveReaders.h"

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
    std::vector<std::int32_t> block(static_cast<std::size_t>(blockFrames) * source->channels);
    std::int64_t blocks = 0;
    std::int64_t loud = 0;
    for (std::int32_t done = 0; done < length; done += blockFrames) {
        const std::int32_t frames = std::min(blockFrames, length - done);
        source->Read(block.data(), frames);
        ++blocks;
        if (BlockLevel(block.data(), static_cast<std::size_t>(frames) * source->channels) >=
            kSoundBlockLevel) {
            ++loud;
        }
    }
    return loud * 100 < blocks * kSoundBlocksPercent ? SilenceVerdict::NoSound
                                                     : SilenceVerdict::Sound;
}
