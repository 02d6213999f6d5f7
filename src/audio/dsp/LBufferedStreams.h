// Large-block buffering around sources and sinks, for chains that move audio in small blocks
// (the level processor's 20 ms) over files that are best read and written in large ones.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/dsp/LSoundSink.h"
#include "audio/dsp/LSoundSource.h"

// Reads its upstream `blockFrames` frames at a time and hands them out in any pieces.
class LReadAheadFilter : public LSoundFilter {
public:
    LReadAheadFilter(const LSoundSourcePtr& upstream, std::int32_t blockFrames);

    void Read(std::int32_t* buffer, std::int32_t frames) override;
    // Forwards the seek and drops what is held.
    void Seek(std::int32_t frame) override;
    // The upstream position less the frames held.
    std::int32_t GetPosition() override;

private:
    std::int32_t blockFrames;
    std::vector<std::int32_t> block;
    std::int32_t held = 0;  // frames of `block` not handed out yet, at its end
};

// Collects what it is given and passes it to its downstream `blockFrames` frames at a time; the
// rest goes when the sink is released.
class LWriteBehindSink : public LSoundSinkFilter {
public:
    LWriteBehindSink(const LSoundSinkPtr& downstream, std::int32_t blockFrames);
    ~LWriteBehindSink() override;

    void Write(const std::int32_t* buffer, std::int32_t frames) override;
    // Passes what is held on first.
    void Truncate(std::int32_t frames) override;

private:
    void Pass();

    std::int32_t blockFrames;
    std::vector<std::int32_t> block;
    std::int32_t held = 0;  // frames at the start of `block`
};
