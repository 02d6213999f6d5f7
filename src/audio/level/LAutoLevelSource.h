// The output stage of the automatic level control: reads the analysed blocks back and applies a
// gain that glides toward a target from the block levels, the tracked loudness and the curve.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "audio/dsp/LSoundSource.h"
#include "audio/level/AutoLevelMath.h"
#include "audio/level/LAutoLevelParams.h"
#include "audio/level/LLevelTracker.h"
#include "audio/level/ScratchFile.h"

class LAutoLevelSource : public LSoundSource {
public:
    // Reads `blockCount` blocks of `blockFrames` frames back from `samples` and one level
    // record (one signed byte per channel) per block from `levels`; rewinds both. `reference`
    // holds the reference level of each channel. Both files belong to the caller and must
    // outlive this source.
    LAutoLevelSource(const LAutoLevelParams& params, std::int32_t rate, std::uint8_t channels,
                     std::uint32_t blockCount, std::int32_t blockFrames,
                     std::span<const std::int8_t> reference, ScratchFile& samples,
                     ScratchFile& levels);

    void Read(std::int32_t* buffer, std::int32_t frames) override;
    // The blocks are read once, in order: seeking does nothing.
    void Seek(std::int32_t frame) override;
    std::int32_t GetPosition() override { return position; }
    std::int32_t GetLength() override { return length; }

private:
    // Pushes the next level record, relative to the references, into the tracker; false when
    // none is left or the record cannot be read whole.
    bool PushNextRecord();
    // The gain in dB that block `Next()` of the tracker should get on channel c.
    std::int8_t Target(std::size_t c) const;
    // Sets the gain steps of the block that starts now and moves the tracker on.
    void StartBlock();

    LLevelTracker tracker;
    GainCurve curve;
    std::vector<std::int8_t> offset;  // per channel: how far the reference is below 0 dB
    ScratchFile& samples;
    ScratchFile& levels;
    std::uint32_t blockCount;
    std::uint32_t blocksLeft;  // blocks not yet started
    std::uint32_t recordsRead = 0;
    std::int32_t blockFrames;
    std::int32_t framesLeft = 0;     // in the current block
    std::vector<std::int32_t> gain;  // per channel, 8.24
    std::vector<std::int32_t> step;  // per channel, added to the gain after every frame
    std::vector<std::int8_t> record;
    std::int32_t position = 0;
    std::int32_t length;
};
