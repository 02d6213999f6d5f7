// Test sources and sinks over sample vectors, signals and measurements of them.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <utility>
#include <vector>

#include "audio/dsp/LSoundSink.h"
#include "audio/dsp/LSoundSource.h"

// Plays `samples` (interleaved) from frame 0; before the start and past the end it delivers
// silence, as a file reader does. `alive`, when given, counts the instances that exist.
class VectorSource : public LSoundSource {
public:
    VectorSource(std::vector<std::int32_t> samples, std::int32_t rate, std::uint8_t channelCount,
                 int* alive = nullptr)
        : samples(std::move(samples)), alive(alive) {
        sampleRate = rate;
        channels = channelCount;
        if (alive != nullptr) {
            ++*alive;
        }
    }
    ~VectorSource() override {
        if (alive != nullptr) {
            --*alive;
        }
    }

    void Read(std::int32_t* buffer, std::int32_t frames) override {
        const std::int64_t total = static_cast<std::int64_t>(samples.size()) / channels;
        for (std::int32_t f = 0; f < frames; ++f, ++position) {
            for (int c = 0; c < channels; ++c) {
                buffer[f * channels + c] =
                    position >= 0 && position < total ? samples[position * channels + c] : 0;
            }
        }
        ++reads;
    }
    void Seek(std::int32_t frame) override { position = frame; }
    std::int32_t GetPosition() override { return static_cast<std::int32_t>(position); }
    std::int32_t GetLength() override {
        return static_cast<std::int32_t>(samples.size() / channels);
    }

    std::vector<std::int32_t> samples;
    std::int64_t position = 0;
    int reads = 0;

private:
    int* alive;
};

inline LSoundSourcePtr MakeVectorSource(std::vector<std::int32_t> samples, std::int32_t rate,
                                        std::uint8_t channels = 1, int* alive = nullptr) {
    return MakeCounted<VectorSource>(std::move(samples), rate, channels, alive);
}

// Keeps what it is given, and the size of every write.
class TestSink : public LSoundSink {
public:
    explicit TestSink(std::int32_t rate = 8000, std::uint8_t channelCount = 1) {
        sampleRate = rate;
        channels = channelCount;
    }
    void Write(const std::int32_t* buffer, std::int32_t frames) override {
        samples.insert(samples.end(), buffer, buffer + static_cast<std::size_t>(frames) * channels);
        writes.push_back(frames);
        position += frames;
    }
    void Truncate(std::int32_t frames) override {
        position = std::min(position, frames);
        samples.resize(static_cast<std::size_t>(position) * channels);
    }

    std::vector<std::int32_t> samples;
    std::vector<std::int32_t> writes;
};

// `frames` frames of a sine of `frequency` Hz with peak `amplitude`, the same on every channel.
inline std::vector<std::int32_t> Sine(double frequency, std::int32_t rate, std::int32_t frames,
                                      double amplitude, int channels = 1) {
    std::vector<std::int32_t> out(static_cast<std::size_t>(frames) * channels);
    for (std::int32_t f = 0; f < frames; ++f) {
        const double v = amplitude * std::sin(2 * std::numbers::pi * frequency * f / rate);
        std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(f) * channels, channels,
                    static_cast<std::int32_t>(std::lround(v)));
    }
    return out;
}

// Deterministic noise of peak about `amplitude` (a linear congruential generator).
inline std::vector<std::int32_t> Noise(std::int32_t frames, std::int32_t amplitude,
                                       int channels = 1, std::uint32_t seed = 1) {
    std::vector<std::int32_t> out(static_cast<std::size_t>(frames) * channels);
    for (std::int32_t& x : out) {
        seed = seed * 1664525u + 1013904223u;
        x = static_cast<std::int32_t>((static_cast<std::int64_t>(seed >> 8) * 2 - 0xFFFFFF) *
                                      amplitude / 0xFFFFFF);
    }
    return out;
}

// Two mono signals of one length as the channels of a stereo one.
inline std::vector<std::int32_t> Stereo(const std::vector<std::int32_t>& left,
                                        const std::vector<std::int32_t>& right) {
    std::vector<std::int32_t> out;
    for (std::size_t f = 0; f < left.size(); ++f) {
        out.insert(out.end(), {left[f], right[f]});
    }
    return out;
}

// Amplitude of the `frequency` component of frames [first, end) of one channel, by projection
// on a sine and a cosine (exact for whole periods).
inline double ToneAmplitude(const std::vector<std::int32_t>& samples, double frequency,
                            std::int32_t rate, std::size_t first, std::size_t end, int channels = 1,
                            int channel = 0) {
    double re = 0;
    double im = 0;
    for (std::size_t f = first; f < end; ++f) {
        const double a = 2 * std::numbers::pi * frequency * static_cast<double>(f) / rate;
        const double x = samples[f * channels + channel];
        re += x * std::cos(a);
        im += x * std::sin(a);
    }
    return 2 * std::hypot(re, im) / static_cast<double>(end - first);
}

// Root mean square of samples [first, end) of a mono signal.
inline double Rms(const std::vector<std::int32_t>& samples, std::size_t first, std::size_t end) {
    double sum = 0;
    for (std::size_t i = first; i < end; ++i) {
        sum += static_cast<double>(samples[i]) * samples[i];
    }
    return std::sqrt(sum / static_cast<double>(end - first));
}

// Reads `frames` frames from `source` in pieces of at most `piece` frames.
inline std::vector<std::int32_t> ReadAll(LSoundSource& source, std::int32_t frames,
                                         std::int32_t piece = 4096) {
    std::vector<std::int32_t> out(static_cast<std::size_t>(frames) * source.channels);
    for (std::int32_t done = 0; done < frames;) {
        const std::int32_t n = std::min(piece, frames - done);
        source.Read(out.data() + static_cast<std::ptrdiff_t>(done) * source.channels, n);
        done += n;
    }
    return out;
}
