// Pull-model audio sources, the filter base and their counted reference.
//
// Contract shared by every source and sink
// - Samples are signed 32-bit integers; a 16-bit file sample s is s * 16, so 16-bit full scale
//   is +-524,288. Frames are interleaved: frame 0 channel 0, frame 0 channel 1, ...
// - Read(buffer, frames) produces exactly frames * channels samples into the caller's buffer
//   and moves the position on by `frames` (source frames, at the source's own rate). A source
//   never returns fewer frames: past its end it delivers silence, and the caller decides when to
//   stop by comparing the position with GetLength().
// - A filter consumes whatever its upstream must give to produce that output (a resampler more
//   or fewer frames, a block filter whole blocks ahead). Filters that read ahead hold that audio
//   inside; GetPosition() subtracts it, so the position is always the frame that the next Read
//   delivers first, and Seek(GetPosition()) continues seamlessly.
// - Seek(frame) moves to an absolute frame; filters with history forward the seek upstream and
//   then clear or re-prime their state. A negative frame is left to the upstream (a file clamps
//   it to its start).
// - An invalid source (flag bit 0) could not be set up: its Read writes silence (zeros) for the
//   whole request, and the processes pass it through untouched, so a chain on a missing file
//   plays silence.
// - Sinks take the same frames in Write(buffer, frames), frames * channels samples each time.
// - Sources and sinks live on the heap and are shared through counted references; creating
//   one returns a reference already counted once; releasing the last reference deletes it, and
//   releasing the head of a chain releases every upstream in turn.
// - A chain is used by one thread at a time.
#pragma once

#include <cstdint>

#include "audio/dsp/LCountedPtr.h"

// Flag bit 0 of sources and sinks: the object could not be set up and delivers silence.
inline constexpr std::uint8_t kSoundInvalid = 0x01;
// The peak bound of a source that cannot tell its largest magnitude.
inline constexpr std::int32_t kDefaultPeakBound = 0x200000;
// What a source without a usable upstream assumes.
inline constexpr std::int32_t kDefaultSampleRate = 44100;

class LSoundSource {
public:
    LSoundSource() = default;
    LSoundSource(const LSoundSource&) = delete;
    LSoundSource& operator=(const LSoundSource&) = delete;
    virtual ~LSoundSource() = default;

    // Fills frames * channels samples; the base delivers silence.
    virtual void Read(std::int32_t* buffer, std::int32_t frames);
    // Moves to an absolute frame; the base does nothing.
    virtual void Seek(std::int32_t frame);
    // The frame that the next Read delivers first; 0 in the base.
    virtual std::int32_t GetPosition();
    // Length in frames (refreshed for growing files); 0 in the base.
    virtual std::int32_t GetLength();

    bool IsInvalid() const { return (flags & kSoundInvalid) != 0; }

    std::int32_t sampleRate = kDefaultSampleRate;  // Hz
    std::int32_t peakBound = kDefaultPeakBound;    // largest magnitude the source can deliver
    std::uint8_t channels = 1;
    std::uint8_t flags = 0;  // bit 0: invalid
    std::uint16_t refCount = 0;

protected:
    // Writes silence for `frames` frames of this source's channel count.
    void FillSilence(std::int32_t* buffer, std::int32_t frames) const;
};

using LSoundSourcePtr = LCountedPtr<LSoundSource>;

// A source that pulls from one upstream source. Construction copies the rate, peak bound and
// channels of the upstream (44,100 Hz, 0x200000 and 1 channel without one); a rate below 1
// becomes 44,100 and a channel count of 0 becomes 1, both marking the filter invalid, as does
// a missing or invalid upstream. The filter holds one reference on its upstream.
class LSoundFilter : public LSoundSource {
public:
    explicit LSoundFilter(const LSoundSourcePtr& upstream);

    // Passes the upstream's audio on.
    void Read(std::int32_t* buffer, std::int32_t frames) override;
    void Seek(std::int32_t frame) override;
    std::int32_t GetPosition() override;
    std::int32_t GetLength() override;

    LSoundSourcePtr upstream;

protected:
    // Reads from the upstream, or writes silence when the filter is invalid.
    void ReadUpstream(std::int32_t* buffer, std::int32_t frames);
};
