// Layer III hybrid filterbank and polyphase synthesis: alias reduction, IMDCT with overlap-add
// and frequency inversion per channel, then the 32-band synthesis of both channels into
// interleaved 32-bit samples (1.0 = 262,144).
#pragma once

#include <cstdint>

class Mp3Filterbank {
public:
    Mp3Filterbank() { Reset(); }

    // Forgets the overlap and synthesis history (start of a stream or after a seek).
    void Reset();

    // Runs one granule of one channel through the hybrid filterbank. `lines` holds the 576
    // requantised lines in frequency order (short windows interleaved within each band) and is
    // changed in place; lines from `usedLines` on are zero. blockType is 0..3 (2 short); when
    // `mixed`, subbands 0 and 1 are long blocks with the normal window whatever the block type.
    void Hybrid(int channel, float* lines, int blockType, bool mixed, int usedLines);

    // Synthesises the granule last given to Hybrid for channels 0..channels-1 into 576
    // interleaved frames of `channels` samples.
    void Synthesize(int channels, std::int32_t* out);

private:
    void SynthesizeSlot(int channel, const float* subbands, int channels, std::int32_t* out);

    float overlap[2][32][18];
    // The granule's subband samples: 18 time slots of 32 subbands.
    float slots[2][18][32];
    // Sliding window of the last 16 matrixed vectors (64 each), newest first from `synthOffset`;
    // twice as long as needed so that it moves down and is copied up only every 16 slots.
    float synth[2][2048];
    int synthOffset[2];
};
