// A sink that keeps what it is given, for tests of the recorder.
#pragma once

#include <vector>

#include "audio/dsp/LSoundSink.h"

class TestSink : public LSoundSink {
public:
    TestSink(std::int32_t rate, std::uint8_t channelCount) {
        sampleRate = rate;
        channels = channelCount;
    }
    void Write(const std::int32_t* buffer, std::int32_t frames) override {
        samples.insert(samples.end(), buffer, buffer + static_cast<std::size_t>(frames) * channels);
        writes.push_back(frames);
        position += frames;
    }
    void Truncate(std::int32_t frames) override {
        if (frames < position) {
            samples.resize(static_cast<std::size_t>(frames) * channels);
            position = frames;
        }
        truncations.push_back(frames);
    }

    std::vector<std::int32_t> samples;
    std::vector<std::int32_t> writes;
    std::vector<std::int32_t> truncations;
};
