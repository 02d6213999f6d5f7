// Records 16-bit PCM from a wave input device into a sink, with levels and voice operation.
#include "audio/devices/LSoundRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "audio/devices/WaveDevices.h"
#include "audio/dsp/SoundLevel.h"

namespace {

constexpr int kBufferCount = 30;
// Voice operation keeps this much of a silence when it cuts it out (1/10,000 s).
constexpr std::int32_t kKeptSilence = 4500;
// Stop keeps this much after the last sound (1/10,000 s).
constexpr std::int32_t kKeptTail = 500;

}  // namespace

LSoundRecorder::LSoundRecorder() : inbox(std::make_unique<QObject>()) {}

LSoundRecorder::~LSoundRecorder() {
    Stop();
}

std::int8_t LSoundRecorder::PeakLevel(std::int32_t peak) {
    if (peak <= 0) {
        return -127;
    }
    // 2^17 is 0 dB; half a dB rounds away from zero.
    double db = 20.0 * std::log10(static_cast<double>(peak) / 131072.0);
    int level = static_cast<int>(peak >= 131072 ? db + 0.5 : db - 0.5);
    return static_cast<std::int8_t>(std::clamp(level, -127, 127));
}

std::int32_t LSoundRecorder::SinkLength() const {
    return sink ? FramesToTime(sink->position, sink->sampleRate) : 0;
}

void LSoundRecorder::WriteToSink(const std::int32_t* samples, std::int32_t frames) {
    if (frames > 0) {
        sink->Write(samples, frames);
    }
}

bool LSoundRecorder::Start(const LSoundSinkPtr& newSink, std::uint16_t options,
                           std::int32_t newSilenceLimit, std::int8_t newThreshold,
                           std::int32_t newMaximumLength) {
    if (state != kIdle) {
        Stop();
    }
    if (!newSink || newSink->IsInvalid() || newSink->HasFailed()) {
        return false;
    }
    blockFrames = std::clamp(newSink->sampleRate / 10, 20, 8192);
    blockValues = newSink->channels * blockFrames;
    WavePcmFormat format{newSink->sampleRate, newSink->channels, 16};

    ++generation;
    std::uint32_t startGeneration = generation;
    auto deliver = [this, receiver = inbox.get(), startGeneration](WaveHeader* header) {
        QMetaObject::invokeMethod(
            receiver, [this, header, startGeneration] { OnBlock(header, startGeneration); },
            Qt::QueuedConnection);
    };
    waveIn = OpenWaveIn(device, format, false, deliver);
    if (!waveIn) {
        waveIn = OpenWaveIn(device, format, true, deliver);
    }
    if (!waveIn) {
        return false;
    }
    if (options & kRecorderOpenStopped) {
        waveIn->Stop();
    } else {
        waveIn->Start();
    }
    work.assign(static_cast<std::size_t>(blockValues), 0);
    previousBlock.assign(static_cast<std::size_t>(blockValues), 0);
    havePrevious = false;
    buffers.clear();
    for (int i = 0; i < kBufferCount; ++i) {
        auto buffer = std::make_unique<Buffer>();
        buffer->memory.assign(static_cast<std::size_t>(blockValues), 0);
        buffer->header.data = reinterpret_cast<char*>(buffer->memory.data());
        buffer->header.bufferLength = static_cast<std::uint32_t>(blockValues) * 2;
        waveIn->AddBuffer(&buffer->header);
        buffers.push_back(std::move(buffer));
    }
    state = (options & kRecorderStartWriting) ? kWriting : kWaiting;
    sink = newSink;
    maximumLength = newMaximumLength;
    threshold = newThreshold;
    lowThreshold = static_cast<std::int8_t>(std::clamp(newThreshold - 5, -127, 127));
    silenceLimit = newSilenceLimit;
    lastSoundPosition = SinkLength();
    if (target) {
        if (state == kWriting) {
            target->OnRecorderWriting(cookie);
        } else {
            target->OnRecorderWaiting(cookie);
        }
        target->OnRecorderPosition(cookie, lastSoundPosition);
    }
    return true;
}

std::int8_t LSoundRecorder::MeasureLevels(std::int32_t frames) {
    std::uint8_t channels = sink ? sink->channels : 1;
    levelReport.channels = channels;
    for (std::uint8_t c = 0; c < channels; ++c) {
        std::int32_t peak = 0;
        for (std::int32_t f = 0; f < frames; ++f) {
            std::int32_t x = work[static_cast<std::size_t>(f * channels + c)];
            peak = std::max(peak, x < 0 ? -x : x);
        }
        levelReport.level[c] = PeakLevel(peak);
    }
    return levelReport.Single();
}

void LSoundRecorder::OnBlock(WaveHeader* header, std::uint32_t blockGeneration) {
    if (blockGeneration != generation || state == kIdle || !header->IsDone()) {
        return;
    }
    header->flags.fetch_and(~kWaveHeaderDone);
    const auto* samples = reinterpret_cast<const std::int16_t*>(header->data);
    for (std::int32_t i = 0; i < blockValues; ++i) {
        work[static_cast<std::size_t>(i)] = samples[i] * 16;
    }
    waveIn->AddBuffer(header);

    std::int8_t level = MeasureLevels(blockFrames);
    std::uint8_t channels = sink->channels;
    if (state == kWaiting) {
        if (level >= threshold) {
            // Sound from the start of this block: keep the end of the previous block too, so the
            // first syllable is not clipped.
            std::int8_t firstHalf = MeasureLevels(blockFrames / 2);
            if (firstHalf >= threshold && havePrevious) {
                std::int32_t half = blockFrames / 2;
                WriteToSink(previousBlock.data() + half * channels, blockFrames - half);
            }
            WriteToSink(work.data(), blockFrames);
            if (sink->HasFailed()) {
                Stop();
                return;
            }
            state = kWriting;
            if (target) {
                target->OnRecorderWriting(cookie);
                target->OnRecorderPosition(cookie, SinkLength());
            }
        } else {
            previousBlock = work;
            havePrevious = true;
            if (target) {
                target->OnRecorderLevels(levelReport, cookie);
            }
        }
        return;
    }

    WriteToSink(work.data(), blockFrames);
    if (sink->HasFailed()) {
        Stop();  // the sink takes nothing more: the recording ends with what it holds
        return;
    }
    std::int32_t position = SinkLength();
    if (level < lowThreshold && position - lastSoundPosition > silenceLimit) {
        sink->Truncate(TimeToFrames(lastSoundPosition + kKeptSilence, sink->sampleRate));
        state = kWaiting;
        previousBlock = work;
        havePrevious = true;
        if (target) {
            target->OnRecorderWaiting(cookie);
            target->OnRecorderPosition(cookie, SinkLength());
        }
        return;
    }
    if (level >= lowThreshold) {
        lastSoundPosition = position;
    }
    if (target) {
        target->OnRecorderPosition(cookie, position);
        target->OnRecorderLevels(levelReport, cookie);
    }
    if (maximumLength > 0 && maximumLength < position) {
        Stop();
    }
}

void LSoundRecorder::Stop() {
    if (state == kIdle) {
        return;
    }
    waveIn->Reset();
    waveIn.reset();
    buffers.clear();
    lastSoundPosition += kKeptTail;
    if (SinkLength() > lastSoundPosition) {
        sink->Truncate(TimeToFrames(lastSoundPosition, sink->sampleRate));
    }
    work.clear();
    previousBlock.clear();
    sink.Release();
    state = kIdle;
    if (target) {
        target->OnRecorderStopped(cookie);
    }
}

void LSoundRecorder::StartInput() {
    if (waveIn) {
        waveIn->Start();
    }
}

void LSoundRecorder::Restart() {
    if (state == kIdle) {
        return;
    }
    sink->Truncate(0);
    if (state != kWaiting) {
        state = kWaiting;
        lastSoundPosition = 0;
        if (target) {
            target->OnRecorderWaiting(cookie);
            target->OnRecorderPosition(cookie, 0);
        }
    }
    std::fill(previousBlock.begin(), previousBlock.end(), 0);
    havePrevious = false;
}
