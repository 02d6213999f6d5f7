// The simulated line's audio: parties and tones into the input, the program's into the capture.
#include "telephony/providers/simulated/SimulatedLineAudio.h"

#include <algorithm>

#include "audio/dsp/LChannelsProcess.h"
#include "audio/dsp/LResampler.h"

namespace {

// Audio that arrives this close to where earlier audio ended continues it without a gap.
constexpr std::int64_t kGapFrames = kLineRate / 50;

std::int16_t Saturate(std::int32_t value) {
    return static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
}

// Line tones end at `frame` at the latest.
void CutTones(std::vector<LineTone>& tones, std::int64_t frame) {
    for (LineTone& tone : tones) {
        tone.end = std::min(tone.end, frame);
    }
}

}  // namespace

void SimulatedLineAudio::TimedAudio::Set(LSoundSourcePtr newSource, std::int64_t start) {
    if (newSource) {
        LChannelsProcess(1).Create(newSource, newSource);
        LSampleRateProcess(kLineRate).Create(newSource, newSource);
    }
    source = std::move(newSource);
    origin = -1;
    consumed = 0;
    active = false;
    Start(start);
}

void SimulatedLineAudio::TimedAudio::Start(std::int64_t frame) {
    if (source && origin < 0 && frame >= 0) {
        origin = frame;
        active = true;
    }
}

void SimulatedLineAudio::TimedAudio::Mix(std::int32_t* mix, std::int64_t from, std::int32_t count,
                                         std::vector<std::int32_t>& scratch) {
    if (!active) {
        return;
    }
    std::int64_t wanted = from - origin;
    std::int32_t lead = 0;
    if (wanted < 0) {
        lead = static_cast<std::int32_t>(std::min<std::int64_t>(count, -wanted));
    } else if (wanted > consumed + kGapFrames) {
        scratch.resize(kLineRate);
        while (consumed < wanted) {
            auto skip =
                static_cast<std::int32_t>(std::min<std::int64_t>(kLineRate, wanted - consumed));
            source->Read(scratch.data(), skip);
            consumed += skip;
        }
    }
    std::int32_t frames = count - lead;
    if (frames <= 0) {
        return;
    }
    scratch.resize(static_cast<std::size_t>(frames));
    source->Read(scratch.data(), frames);
    consumed += frames;
    for (std::int32_t i = 0; i < frames; ++i) {
        mix[lead + i] += (scratch[static_cast<std::size_t>(i)] + 8) >> 4;
    }
}

void SimulatedLineAudio::GoOffHook(std::int64_t frame) {
    if (offHook) {
        return;
    }
    offHook = true;
    capture.clear();
    captureStart = frame;
    captureTones.clear();
    nearParty.Start(frame);
}

void SimulatedLineAudio::GoOnHook(std::int64_t frame) {
    offHook = false;
    StopLineTones(frame);
    farParty.active = false;
    nearParty.active = false;
}

void SimulatedLineAudio::SetFarParty(LSoundSourcePtr source, std::int64_t start) {
    farParty.Set(std::move(source), start);
}

void SimulatedLineAudio::SetNearParty(LSoundSourcePtr source, std::int64_t start) {
    nearParty.Set(std::move(source), start);
}

void SimulatedLineAudio::FarPartyComesOn(std::int64_t frame) {
    farParty.Start(frame);
}

void SimulatedLineAudio::FarPartyLeaves(std::int64_t frame, const LineTone& exchangeTone) {
    farParty.active = false;
    StopLineTones(frame);
    inputTones.push_back(exchangeTone);
}

void SimulatedLineAudio::AddLineTone(const LineTone& tone) {
    inputTones.push_back(tone);
}

void SimulatedLineAudio::StopLineTones(std::int64_t frame) {
    CutTones(inputTones, frame);
}

void SimulatedLineAudio::ForgetOldLineTones(std::int64_t frame) {
    std::erase_if(inputTones,
                  [frame](const LineTone& tone) { return tone.end < frame - kLineRate; });
}

void SimulatedLineAudio::AddGeneratedTones(const std::vector<LineTone>& tones, std::int64_t now) {
    ExtendCapture(now);
    for (const LineTone& tone : tones) {
        AddCaptureTone(tone);
    }
}

void SimulatedLineAudio::CutGeneratedTones(std::int64_t frame) {
    CutTones(captureTones, frame);
}

void SimulatedLineAudio::AddPlayed(std::int64_t now,
                                   const std::vector<VirtualWaveDevice::PlayedAudio>& played) {
    if (!offHook) {
        return;  // on hook, what is played goes nowhere
    }
    ExtendCapture(now);
    // The device tells when each stretch began, so it lands where it sounded however late it
    // is collected. The line carries the first channel.
    for (const VirtualWaveDevice::PlayedAudio& stretch : played) {
        std::size_t channels = std::max<std::size_t>(stretch.format.channels, 1);
        std::vector<std::int32_t> values;
        values.reserve(stretch.samples.size() / channels);
        for (std::size_t i = 0; i < stretch.samples.size(); i += channels) {
            values.push_back(stretch.samples[i]);
        }
        std::int64_t start = LineFrameAt(stretch.start);
        ExtendCapture(start + static_cast<std::int64_t>(values.size()));
        MixIntoCapture(start, values.data(), static_cast<std::int32_t>(values.size()));
    }
}

std::vector<std::int16_t> SimulatedLineAudio::Capture(std::int64_t present) const {
    auto end = std::clamp<std::int64_t>(present - captureStart, 0,
                                        static_cast<std::int64_t>(capture.size()));
    auto begin = std::max<std::int64_t>(end - kCaptureFrames, 0);
    return {capture.begin() + static_cast<std::ptrdiff_t>(begin),
            capture.begin() + static_cast<std::ptrdiff_t>(end)};
}

std::vector<std::int16_t> SimulatedLineAudio::TakeCapture(std::int64_t present,
                                                          std::int64_t& from) {
    std::vector<std::int16_t> taken = Capture(present);
    auto end = std::clamp<std::int64_t>(present - captureStart, 0,
                                        static_cast<std::int64_t>(capture.size()));
    from = captureStart + end - static_cast<std::int64_t>(taken.size());
    capture.erase(capture.begin(), capture.begin() + static_cast<std::ptrdiff_t>(end));
    captureStart += end;
    return taken;
}

void SimulatedLineAudio::ExtendCapture(std::int64_t toFrame) {
    std::int64_t end = captureStart + static_cast<std::int64_t>(capture.size());
    if (toFrame <= end) {
        return;
    }
    auto count = static_cast<std::int32_t>(toFrame - end);
    std::vector<std::int32_t> tones(static_cast<std::size_t>(count), 0);
    for (const LineTone& tone : captureTones) {
        tone.MixInto(tones.data(), end, count);
    }
    for (std::int32_t value : tones) {
        capture.push_back(Saturate(value));
    }
    std::erase_if(captureTones, [toFrame](const LineTone& tone) { return tone.end <= toFrame; });
    // Older audio goes a window at a time, so that little is moved.
    if (static_cast<std::int64_t>(capture.size()) > 2 * kCaptureFrames) {
        capture.erase(capture.begin(), capture.begin() + kCaptureFrames);
        captureStart += kCaptureFrames;
    }
}

void SimulatedLineAudio::MixIntoCapture(std::int64_t from, const std::int32_t* values,
                                        std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        std::int64_t index = from + i - captureStart;
        if (index >= 0 && index < static_cast<std::int64_t>(capture.size())) {
            auto& sample = capture[static_cast<std::size_t>(index)];
            sample = Saturate(sample + values[i]);
        }
    }
}

void SimulatedLineAudio::AddCaptureTone(const LineTone& tone) {
    captureTones.push_back(tone);
    // The part of the tone that falls on capture already laid down.
    std::int64_t end = captureStart + static_cast<std::int64_t>(capture.size());
    std::int64_t first = std::max(tone.start, captureStart);
    std::int64_t last = std::min(tone.end, end);
    if (first < last) {
        std::vector<std::int32_t> values(static_cast<std::size_t>(last - first), 0);
        tone.MixInto(values.data(), first, static_cast<std::int32_t>(values.size()));
        MixIntoCapture(first, values.data(), static_cast<std::int32_t>(values.size()));
    }
}

void SimulatedLineAudio::FillInput(std::int16_t* samples, std::int32_t frames,
                                   const WavePcmFormat& format, std::int64_t from) {
    std::int32_t rate = std::max(format.sampleRate, 1);
    std::int32_t channels = std::max<std::int32_t>(format.channels, 1);
    // The buffer holds this many line frames.
    auto count = static_cast<std::int32_t>(
        (static_cast<std::int64_t>(frames) * kLineRate + rate - 1) / rate);
    inputMix.assign(static_cast<std::size_t>(count), 0);
    if (offHook) {
        farParty.Mix(inputMix.data(), from, count, sourceScratch);
        nearParty.Mix(inputMix.data(), from, count, sourceScratch);
        for (const LineTone& tone : inputTones) {
            tone.MixInto(inputMix.data(), from, count);
        }
    }
    for (std::int32_t f = 0; f < frames; ++f) {
        std::int16_t value = Saturate(
            inputMix[static_cast<std::size_t>(static_cast<std::int64_t>(f) * kLineRate / rate)]);
        std::fill_n(samples + static_cast<std::ptrdiff_t>(f) * channels, channels, value);
    }
}
