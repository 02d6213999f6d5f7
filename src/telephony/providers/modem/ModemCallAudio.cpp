// The audio of a modem line.
#include "telephony/providers/modem/ModemCallAudio.h"

#include <algorithm>

#include "telephony/providers/modem/ModemShielding.h"

namespace {

std::int16_t Saturate(std::int32_t value) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(value, INT16_MIN, INT16_MAX));
}

}  // namespace

ModemCallAudio::ModemCallAudio(const std::string& name, DeviceClock& clock)
    : clock(clock), device(std::make_shared<VirtualWaveDevice>(name, clock)), registration(device) {
    device->SetInputGenerator([this](std::int16_t* samples, std::int32_t frames,
                                     const WavePcmFormat& format,
                                     std::int64_t) { GenerateInput(samples, frames, format); });
}

ModemCallAudio::~ModemCallAudio() {
    device->SetInputGenerator(nullptr);
}

void ModemCallAudio::Begin(const VoiceFormat& format) {
    device->TakePlayed();  // what was played before the stream is not sent
    std::lock_guard lock(mutex);
    streaming = true;
    decoder = std::make_unique<VoiceDecoder>(format);
    encoder = std::make_unique<VoiceEncoder>(format);
    received.clear();
    primed = false;
    transmitFrame = LineFrameAt(clock.Now());
    pending.clear();
    tones.clear();
}

void ModemCallAudio::End() {
    std::lock_guard lock(mutex);
    streaming = false;
    received.clear();
    pending.clear();
    tones.clear();
}

void ModemCallAudio::Received(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(mutex);
    if (!streaming) {
        return;
    }
    decoded.clear();
    decoder->Decode(bytes, decoded);
    received.insert(received.end(), decoded.begin(), decoded.end());
    // A modem clock a little faster than ours must not make the delay grow without end.
    if (received.size() > static_cast<std::size_t>(kReceiveLatencyFrames + kReceiveSlackFrames)) {
        received.erase(received.begin(),
                       received.end() - static_cast<std::ptrdiff_t>(kReceiveLatencyFrames));
    }
}

void ModemCallAudio::GenerateInput(std::int16_t* samples, std::int32_t frames,
                                   const WavePcmFormat& format) {
    std::int32_t channels = std::max<std::int32_t>(format.channels, 1);
    std::lock_guard lock(mutex);
    if (!primed && received.size() >= static_cast<std::size_t>(kReceiveLatencyFrames)) {
        primed = true;
    }
    for (std::int32_t f = 0; f < frames; ++f) {
        std::int16_t value = 0;
        if (primed && !received.empty()) {
            value = received.front();
            received.pop_front();
        }
        std::fill_n(samples + static_cast<std::ptrdiff_t>(f) * channels, channels, value);
    }
    // Run dry: wait for the latency to build up again rather than stutter.
    primed = primed && !received.empty();
}

std::int64_t ModemCallAudio::AddTone(const LineTone& toneAtZero) {
    std::int64_t now = clock.Now();
    std::lock_guard lock(mutex);
    LineTone tone = toneAtZero;
    std::int64_t start = std::max(LineFrameAt(now), transmitFrame);
    tone.start += start;
    tone.end += start;
    tones.push_back(tone);
    return now + (tone.end - LineFrameAt(now)) * (1'000'000'000 / kLineRate);
}

void ModemCallAudio::CutTones() {
    std::lock_guard lock(mutex);
    for (LineTone& tone : tones) {
        tone.end = std::min(tone.end, std::max(tone.start, transmitFrame));
    }
}

void ModemCallAudio::CollectPlayed(const std::vector<VirtualWaveDevice::PlayedAudio>& played) {
    for (const VirtualWaveDevice::PlayedAudio& stretch : played) {
        // The line carries 8 kHz mono: other formats are not the line's and are not sent.
        if (stretch.format.sampleRate != kLineRate || stretch.format.channels < 1) {
            continue;
        }
        std::int64_t first = LineFrameAt(stretch.start);
        std::size_t channels = static_cast<std::size_t>(stretch.format.channels);
        std::size_t frames = stretch.samples.size() / channels;
        for (std::size_t i = 0; i < frames; ++i) {
            std::int64_t at = first + static_cast<std::int64_t>(i) - transmitFrame;
            if (at < 0) {
                continue;  // came too late to be sent
            }
            if (static_cast<std::size_t>(at) >= pending.size()) {
                pending.resize(static_cast<std::size_t>(at) + 1, 0);
            }
            pending[static_cast<std::size_t>(at)] += stretch.samples[i * channels];
        }
    }
}

bool ModemCallAudio::HasTransmit() {
    std::int64_t upTo = LineFrameAt(clock.Now());
    // Taken before the lock: the device holds its own lock while it asks for input.
    std::vector<VirtualWaveDevice::PlayedAudio> played = device->TakePlayed();
    std::lock_guard lock(mutex);
    if (!streaming) {
        return false;
    }
    CollectPlayed(played);
    return !pending.empty() || std::any_of(tones.begin(), tones.end(), [&](const LineTone& tone) {
        return tone.end > transmitFrame && tone.start <= upTo;
    });
}

std::vector<std::uint8_t> ModemCallAudio::TakeTransmit() {
    std::int64_t upTo = LineFrameAt(clock.Now() - kTransmitDelayNs);
    std::vector<VirtualWaveDevice::PlayedAudio> played = device->TakePlayed();
    std::lock_guard lock(mutex);
    std::vector<std::uint8_t> shielded;
    if (!streaming) {
        return shielded;
    }
    CollectPlayed(played);
    if (upTo <= transmitFrame) {
        return shielded;
    }
    auto count = static_cast<std::size_t>(upTo - transmitFrame);
    std::vector<std::int32_t> mix(count, 0);
    std::copy_n(pending.begin(), std::min(count, pending.size()), mix.begin());
    pending.erase(pending.begin(),
                  pending.begin() + static_cast<std::ptrdiff_t>(std::min(count, pending.size())));
    for (const LineTone& tone : tones) {
        tone.MixInto(mix.data(), transmitFrame, static_cast<std::int32_t>(count));
    }
    std::erase_if(tones, [upTo](const LineTone& tone) { return tone.end <= upTo; });
    transmitFrame = upTo;
    outgoing.resize(count);
    std::transform(mix.begin(), mix.end(), outgoing.begin(), Saturate);
    encoded.clear();
    encoder->Encode(outgoing, encoded);
    AppendShielded(shielded, encoded);
    return shielded;
}
