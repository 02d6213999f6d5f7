// Block compressor of the telephone play process, and the process that creates it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "audio/dsp/LSoundProcess.h"
#include "audio/dsp/LSoundSource.h"

// Raises quiet passages: each block's level picks a gain from a table (constant below the
// threshold, falling by a slope above it), and the gain glides from block to block. The filter
// reads one block ahead so that it can lower the gain before a loud block starts.
class LCompressor : public LSoundFilter {
public:
    // `slope` is the gain factor per dB above `threshold`; `blockTime` in 1/10,000 s.
    LCompressor(const LSoundSourcePtr& upstream, std::int8_t threshold, double slope,
                std::int32_t blockTime);

    void Read(std::int32_t* buffer, std::int32_t frames) override;
    // Seeks upstream and primes again.
    void Seek(std::int32_t frame) override;
    // The upstream position less the two blocks held.
    std::int32_t GetPosition() override;

    // Gain (8.24) for each block level -128..127 dB, indexed by level + 128.
    std::array<std::int32_t, 256> gainTable{};
    std::int32_t blockFrames = 0;  // 128..8192

private:
    void Prime();
    // Reads the next block from upstream into `block` and returns its table gain.
    std::int32_t ReadBlock(std::vector<std::int32_t>& block);
    void SetStep(std::int32_t currentGain, std::int32_t comingGain);

    std::int32_t readIndex = 0;
    std::vector<std::int32_t> currentBlock;
    std::vector<std::int32_t> nextBlock;
    std::int32_t currentBlockGain = 0;
    std::int32_t nextBlockGain = 0;
    std::int32_t gainNow = 0;
    std::int32_t gainStep = 0;
};

// Parameters: threshold in dB, slope per dB above it, block time in 1/10,000 s.
class LCompressorProcess : public LSoundProcess {
public:
    LCompressorProcess(std::int8_t threshold, double slope, std::int32_t blockTime)
        : threshold(threshold), slope(slope), blockTime(blockTime) {}
    void Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const override;

    std::int8_t threshold;
    double slope;
    std::int32_t blockTime;
};
