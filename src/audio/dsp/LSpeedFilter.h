// Play-speed filter for winding: plays the upstream faster or slower, forwards or backwards,
// by overlap-adding short windows taken where the waveform continues best. Also the process
// that creates it.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/dsp/LSoundProcess.h"
#include "audio/dsp/LSoundSource.h"

// Windows of W = rate / 80 frames (20..2,730) cross-fade from one stretch of the upstream to the
// next; each new stretch starts about `speed` windows further on (negative: further back), at
// the point within half a window of there whose sample and slope best continue the stretch
// that fades out. The speed glides from the start speed to the end speed over the ramp time.
class LSpeedFilter : public LSoundFilter {
public:
    // `rampTime` in 1/10,000 s; speeds are multiples of normal speed, negative for backwards.
    // Playing starts at the upstream's present position.
    LSpeedFilter(const LSoundSourcePtr& upstream, std::int32_t rampTime, double startSpeed,
                 double endSpeed);

    void Read(std::int32_t* buffer, std::int32_t frames) override;
    // Starts again at `frame`; the speed ramp carries on where it was.
    void Seek(std::int32_t frame) override;
    // The upstream frame being faded in.
    std::int32_t GetPosition() override;
    // The upstream length; once winding backwards has passed the start, a length below the
    // position so that the player sees the end.
    std::int32_t GetLength() override;

    std::int32_t windowFrames = 0;  // W

private:
    void Prime(std::int64_t start);
    void StartWindow();
    // Makes the buffer hold upstream frames [first, end).
    void Cover(std::int64_t first, std::int64_t end);
    void Fill(std::int64_t newStart);
    // Sum of the channels of an upstream frame held in the buffer.
    std::int64_t FrameSum(std::int64_t frame) const;
    const std::int32_t* FrameAt(std::int64_t frame) const;

    std::int32_t quarter = 0;        // Q = W / 4
    std::vector<std::int32_t> fade;  // W entries falling from unity to 0
    std::int32_t bufferFrames = 0;
    std::vector<std::int32_t> buffer;
    std::int64_t bufferStart = 0;  // upstream frame of buffer frame 0; upstream is at its end
    std::int64_t fadeOut = 0;      // upstream frames under the two faders
    std::int64_t fadeIn = 0;
    std::int64_t nominal = 0;  // where the speed alone would have taken the next window
    std::int32_t windowIndex = 0;
    std::int32_t step = 0;        // frames per window now
    std::int32_t targetStep = 0;  // frames per window at the end of the ramp
    std::int32_t rampLeft = 0;    // frames of the ramp still to go
};

// Parameters: ramp time in 1/10,000 s, start and end speed. It always creates a filter.
class LSpeedProcess : public LSoundProcess {
public:
    LSpeedProcess(std::int32_t rampTime, double startSpeed, double endSpeed)
        : rampTime(rampTime), startSpeed(startSpeed), endSpeed(endSpeed) {}
    void Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const override;

    std::int32_t rampTime;
    double startSpeed;
    double endSpeed;
};
