// Automatic level control: rewrites a finished recording with even loudness in two passes over
// private scratch files, never holding more than one block of audio in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "audio/dsp/LSoundSink.h"
#include "audio/dsp/LSoundSource.h"
#include "audio/level/AutoLevelMath.h"
#include "audio/level/LAutoLevelParams.h"
#include "audio/level/ScratchFile.h"

enum class LAutoLevelState : std::uint8_t {
    NotReady = 0,   // creation or a format process failed: nothing is (or will be) written
    Analysing = 1,  // reading the input into the scratch files
    Writing = 2,    // writing the levelled audio to the sink
};

class LAutoLevelProcessor {
public:
    // Prepares levelling `source` into `sink`. The source is mixed down to the sink's channel
    // count and down-sampled to its rate first when it has more of either. State() is
    // Analysing only when everything succeeded.
    LAutoLevelProcessor(const LSoundSourcePtr& source, const LSoundSinkPtr& sink,
                        const LAutoLevelParams& params);
    // Releases the source and the sink; the scratch files go with the processor. The sink (a
    // writer) is finished by the release of the caller's own reference.
    ~LAutoLevelProcessor();
    LAutoLevelProcessor(const LAutoLevelProcessor&) = delete;
    LAutoLevelProcessor& operator=(const LAutoLevelProcessor&) = delete;

    // Does one block; true while there is more to do. Call it until it returns false.
    bool Step();

    // Writing at the end means the whole output went to the sink; NotReady means none of it.
    LAutoLevelState State() const { return state; }
    // Blocks analysed, and frames per block (source rate / 50, 20 to 8,192).
    std::uint32_t BlockCount() const { return blockCount; }
    std::int32_t BlockFrames() const { return blockFrames; }
    // The reference level of each channel, known once the analysis has ended.
    const std::vector<std::int8_t>& References() const { return references; }

private:
    struct ChannelAnalysis {
        std::int32_t lowState = 0;   // weighting high-pass
        std::int32_t highState = 0;  // weighting shelf
        LevelHistogram histogram{};
    };

    // Stores the block just read and counts its weighted levels.
    void AnalyseBlock();
    void EndAnalysis();

    LAutoLevelParams params;
    LAutoLevelState state = LAutoLevelState::NotReady;
    // The scratch files are declared before the source so that the levelling source, which
    // reads them, is released first.
    std::optional<ScratchFile> samplesFile;  // "lca": the blocks as read
    std::optional<ScratchFile> levelsFile;   // "lcp": one weighted level per channel and block
    LSoundSourcePtr source;
    LSoundSinkPtr sink;
    std::uint32_t blockCount = 0;
    std::int32_t blockFrames = 0;
    std::int32_t lowCoefficient = 0;   // 1/256 units
    std::int32_t highCoefficient = 0;  // 1/256 units
    std::vector<std::int32_t> block;
    std::vector<std::int32_t> channelSamples;  // one channel of the block, weighted in place
    std::vector<ChannelAnalysis> analysis;
    std::vector<std::int8_t> record;
    std::vector<std::int8_t> references;
};
