// Sample-rate converter (rational polyphase FIR), and the process that creates it.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/dsp/LResampleTable.h"
#include "audio/dsp/LSoundProcess.h"
#include "audio/dsp/LSoundSource.h"

// Delivers the upstream's audio at another rate, for mono and stereo sources. Input is read in
// blocks of 8,192 frames behind 63 frames of history, scaled down as much as needed to keep
// every product within 32 bits; each output frame is one 63-tap row of the table.
class LResampler : public LSoundFilter {
public:
    // A target below 1 is taken as 44,100 and marks the resampler invalid; so do more than two
    // channels and ratios the table cannot represent. An invalid resampler reads silence.
    LResampler(const LSoundSourcePtr& upstream, std::int32_t rate);

    void Read(std::int32_t* buffer, std::int32_t frames) override;
    // Seeks to an output frame: the upstream goes to the first input frame that the frame's
    // filter row covers, and the buffer is refilled from there.
    void Seek(std::int32_t frame) override;
    // The output frame that the next Read delivers first.
    std::int32_t GetPosition() override;
    // The upstream length in output frames.
    std::int32_t GetLength() override;

    LResampleTable table;

private:
    // Reads `frames` upstream frames into buffer frames [at, at + frames) of every channel.
    void ReadInput(std::int32_t at, std::int32_t frames);
    void Refill();
    std::int64_t ToOutputFrames(std::int64_t inputFrames, std::int64_t fraction) const;

    std::int32_t inputIndex = 0;  // buffer frame under the first tap of the next output frame
    std::int32_t phase = 0;       // table row of the next output frame (plus whole input frames)
    std::vector<std::int32_t> buffer;   // per channel: 63 frames of history, 8,192 new frames
    std::vector<std::int32_t> scratch;  // interleaved upstream frames of a stereo read
    int shift = 0;                      // down-scaling of the buffered input, 0..31
    int outShift = 0;  // 15 - shift; negative for input beyond 2^30, which is scaled back up
    std::int32_t bias = 0;
};

// Parameter: the rate wanted, Hz. Passes through a source that already has it.
class LSampleRateProcess : public LSoundProcess {
public:
    explicit LSampleRateProcess(std::int32_t rate) : rate(rate) {}
    void Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const override;

    std::int32_t rate;
};
