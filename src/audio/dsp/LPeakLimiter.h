// Look-ahead peak limiter, and the process that creates it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "audio/dsp/LSoundProcess.h"
#include "audio/dsp/LSoundSource.h"

// The limit the sound player uses: just below 16-bit full scale.
inline constexpr std::int32_t kPlayerPeakLimit = 0x7FFF0;

// Keeps every sample within a limit by gain rather than clipping: each block gets the gain that
// brings its peak to the limit, and the gain glides so that it has reached a loud block's gain
// by the time that block starts. It reads two blocks ahead.
class LPeakLimiter : public LSoundFilter {
public:
    LPeakLimiter(const LSoundSourcePtr& upstream, std::int32_t limit);

    void Read(std::int32_t* buffer, std::int32_t frames) override;
    // Seeks upstream and primes again.
    void Seek(std::int32_t frame) override;
    // The upstream position less the three blocks held.
    std::int32_t GetPosition() override;

    std::int32_t blockLength = 0;  // rate / 35 frames, 20..8192

private:
    std::int32_t BlockGain(const std::vector<std::int32_t>& block) const;
    // Reads the block after the ones held and measures its gain.
    void ReadBlock(std::vector<std::int32_t>& block, std::int32_t& gain);
    void Prime();
    void Ramp();

    std::int32_t readIndex = 0;
    std::array<std::vector<std::int32_t>, 3> blocks;  // current, next, after next
    std::int32_t previousGain = 0;
    std::int32_t currentGain = 0;
    std::int32_t nextGain = 0;
    std::int32_t afterNextGain = 0;
    std::int32_t gainNow = 0;
    std::int32_t gainStep = 0;
};

// Parameter: the limit in internal units. Passes through sources that cannot exceed it.
class LPeakLimiterProcess : public LSoundProcess {
public:
    explicit LPeakLimiterProcess(std::int32_t limit) : limit(limit) {}
    void Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const override;

    std::int32_t limit;
};
