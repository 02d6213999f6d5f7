// Audio for line tests: generated sources and a sink that keeps what it is given.
#pragma once

#include <cmath>
#include <functional>
#include <numbers>
#include <vector>

#include "audio/dsp/LSoundSink.h"
#include "audio/dsp/LSoundSource.h"

// `length` frames of `value(frame, channel)` (16-bit values) at `rate`; silence after.
class GeneratedSource : public LSoundSource {
public:
    GeneratedSource(std::int32_t rate, std::uint8_t channelCount, std::int32_t length,
                    std::function<std::int32_t(std::int32_t, int)> value)
        : length(length), value(std::move(value)) {
        sampleRate = rate;
        channels = channelCount;
        peakBound = 0x7FFF0;
    }
    void Read(std::int32_t* buffer, std::int32_t frames) override {
        for (std::int32_t f = 0; f < frames; ++f, ++position) {
            for (int c = 0; c < channels; ++c) {
                *buffer++ = position < length ? value(position, c) * 16 : 0;
            }
        }
    }
    void Seek(std::int32_t frame) override { position = frame; }
    std::int32_t GetPosition() override { return position; }
    std::int32_t GetLength() override { return length; }

private:
    std::int32_t length;
    std::function<std::int32_t(std::int32_t, int)> value;
    std::int32_t position = 0;
};

// Deterministic noise, loud enough to count as speech.
inline std::int32_t Noise(std::int32_t frame) {
    std::uint32_t x = static_cast<std::uint32_t>(frame) * 2654435761u;
    x ^= x >> 15;
    x *= 2246822519u;
    x ^= x >> 13;
    return static_cast<std::int32_t>(x % 16001) - 8000;
}

// A sine tone of `frequency` at 8 kHz that sounds `onMs` of every `periodMs`.
inline std::int32_t CadencedTone(std::int32_t frame, double frequency, int onMs, int periodMs) {
    if ((frame % (periodMs * 8)) >= onMs * 8) {
        return 0;
    }
    return static_cast<std::int32_t>(8000 *
                                     std::sin(2 * std::numbers::pi * frequency * frame / 8000));
}

class MemorySink : public LSoundSink {
public:
    explicit MemorySink(std::int32_t rate = 8000) { sampleRate = rate; }
    void Write(const std::int32_t* buffer, std::int32_t frames) override {
        samples.insert(samples.end(), buffer, buffer + frames * channels);
        position += frames;
    }
    void Truncate(std::int32_t frames) override {
        if (frames < position) {
            samples.resize(static_cast<std::size_t>(frames) * channels);
            position = frames;
        }
    }
    std::vector<std::int32_t> samples;
};

// Frames of `samples` (16-bit) louder than `floor`, from the first to the last.
inline std::size_t AudibleSpan(const std::vector<std::int16_t>& samples, int floor = 100) {
    auto loud = [floor](std::int16_t s) { return std::abs(s) > floor; };
    auto first = std::find_if(samples.begin(), samples.end(), loud);
    if (first == samples.end()) {
        return 0;
    }
    auto last = std::find_if(samples.rbegin(), samples.rend(), loud);
    return static_cast<std::size_t>(samples.rend() - last - (first - samples.begin()));
}
