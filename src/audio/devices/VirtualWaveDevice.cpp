// An in-process wave device pair paced by a device clock.
#include "audio/devices/VirtualWaveDevice.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <utility>

namespace {

// Nanoseconds that `bytes` of audio last in `format`.
std::int64_t Duration(std::uint32_t bytes, const WavePcmFormat& format) {
    std::int64_t frames = bytes / std::max(format.BlockAlign(), 1);
    return frames * 1'000'000'000 / std::max(format.sampleRate, 1);
}

// Output: the buffer at the head of the queue plays for its duration, then is done.
class VirtualOutEngine : public ClockedDevice {
public:
    VirtualOutEngine(std::shared_ptr<VirtualWaveDevice> device, const WavePcmFormat& format,
                     std::function<void(WaveHeader*)> done)
        : device(std::move(device)), format(format), done(std::move(done)) {}

    void Write(WaveHeader* header) {
        {
            std::lock_guard lock(mutex);
            queue.push_back(header);
            if (queue.size() == 1) {
                lastTick = device->Clock().Now();
                StartHead(header);
            }
        }
        device->Clock().Wake();
    }

    void SetPaused(bool pause) {
        {
            std::lock_guard lock(mutex);
            if (paused == pause) {
                return;
            }
            paused = pause;
            lastTick = device->Clock().Now();
        }
        device->Clock().Wake();
    }

    std::vector<WaveHeader*> Reset() {
        std::lock_guard lock(mutex);
        std::vector<WaveHeader*> all(queue.begin(), queue.end());
        queue.clear();
        breakLoop = false;
        return all;
    }

    void BreakLoop() {
        std::lock_guard lock(mutex);
        breakLoop = true;
    }

    std::int64_t Tick(std::int64_t now) override {
        std::vector<WaveHeader*> finished;
        std::int64_t next = INT64_MAX;
        {
            std::lock_guard lock(mutex);
            std::int64_t budget = now - lastTick;
            std::int64_t played = lastTick;  // when the head buffer finishes, once known
            lastTick = now;
            if (paused || device->IsStalled()) {
                return INT64_MAX;
            }
            while (!queue.empty() && budget >= headLeft) {
                budget -= headLeft;
                played += headLeft;
                WaveHeader* head = queue.front();
                device->AppendCapture(reinterpret_cast<const std::int16_t*>(head->data),
                                      head->bufferLength / sizeof(std::int16_t),
                                      played - Duration(head->bufferLength, format), format);
                bool looping = (head->flags.load() & kWaveHeaderBeginLoop) &&
                               (head->flags.load() & kWaveHeaderEndLoop);
                if (looping && !breakLoop && loopsLeft > 1) {
                    --loopsLeft;
                    headLeft = std::max<std::int64_t>(Duration(head->bufferLength, format), 1);
                    continue;
                }
                breakLoop = false;
                queue.pop_front();
                finished.push_back(head);
                if (!queue.empty()) {
                    StartHead(queue.front());
                }
            }
            if (!queue.empty()) {
                headLeft -= budget;
                next = now + headLeft;
            }
        }
        for (WaveHeader* header : finished) {
            done(header);
        }
        return next;
    }

private:
    void StartHead(WaveHeader* header) {
        headLeft = std::max<std::int64_t>(Duration(header->bufferLength, format), 1);
        loopsLeft = header->loops;
    }

    std::shared_ptr<VirtualWaveDevice> device;
    const WavePcmFormat format;
    std::function<void(WaveHeader*)> done;
    std::mutex mutex;
    std::deque<WaveHeader*> queue;
    std::int64_t headLeft = 0;  // nanoseconds the head buffer still plays
    std::int64_t lastTick = 0;
    std::uint32_t loopsLeft = 0;
    bool paused = false;
    bool breakLoop = false;
};

class VirtualWaveOut : public WaveOut {
public:
    VirtualWaveOut(std::shared_ptr<VirtualWaveDevice> device, const WavePcmFormat& format)
        : WaveOut(device->Clock()),
          engine(std::make_shared<VirtualOutEngine>(
              device, format, [this](WaveHeader* header) { MarkDone(header); })) {
        Clock().Attach(engine);
    }
    ~VirtualWaveOut() override {
        Reset();
        Clock().Detach(engine.get());
    }

    void Write(WaveHeader* header) override {
        header->MarkQueued();
        engine->Write(header);
    }
    void Pause() override { engine->SetPaused(true); }
    void Restart() override { engine->SetPaused(false); }
    void Reset() override {
        for (WaveHeader* header : engine->Reset()) {
            MarkDone(header);
        }
    }
    void BreakLoop() override { engine->BreakLoop(); }

private:
    std::shared_ptr<VirtualOutEngine> engine;
};

// Input: once started, the buffer at the head of the queue fills over its duration.
class VirtualInEngine : public ClockedDevice {
public:
    VirtualInEngine(std::shared_ptr<VirtualWaveDevice> device, const WavePcmFormat& format,
                    WaveIn::DataCallback callback)
        : device(std::move(device)), format(format), callback(std::move(callback)) {}

    void Add(WaveHeader* header) {
        std::lock_guard lock(mutex);
        queue.push_back(header);
    }

    void SetStarted(bool start) {
        {
            std::lock_guard lock(mutex);
            if (started == start) {
                return;
            }
            started = start;
            filled = 0;
            lastTick = device->Clock().Now();
        }
        device->Clock().Wake();
    }

    std::vector<WaveHeader*> Reset() {
        std::lock_guard lock(mutex);
        started = false;
        std::vector<WaveHeader*> all(queue.begin(), queue.end());
        queue.clear();
        return all;
    }

    std::int64_t Tick(std::int64_t now) override {
        std::vector<WaveHeader*> full;
        std::int64_t next = INT64_MAX;
        {
            std::lock_guard lock(mutex);
            if (!started) {
                lastTick = now;
                return INT64_MAX;
            }
            filled += now - lastTick;
            lastTick = now;
            std::int64_t start = now - filled;  // when the head buffer began to fill
            while (!queue.empty() && filled >= Duration(queue.front()->bufferLength, format)) {
                WaveHeader* head = queue.front();
                std::int64_t duration = Duration(head->bufferLength, format);
                filled -= duration;
                device->Generate(reinterpret_cast<std::int16_t*>(head->data),
                                 static_cast<std::int32_t>(head->bufferLength /
                                                           std::max(format.BlockAlign(), 1)),
                                 format, start);
                start += duration;
                queue.pop_front();
                full.push_back(head);
            }
            if (queue.empty()) {
                filled = 0;  // nothing to record into: that audio is lost
            } else {
                next = now + Duration(queue.front()->bufferLength, format) - filled;
            }
        }
        for (WaveHeader* header : full) {
            Finish(header, header->bufferLength);
        }
        return next;
    }

    void Finish(WaveHeader* header, std::uint32_t bytes) {
        WaveIn::Complete(header, bytes, callback);
    }

private:
    std::shared_ptr<VirtualWaveDevice> device;
    const WavePcmFormat format;
    WaveIn::DataCallback callback;
    std::mutex mutex;
    std::deque<WaveHeader*> queue;
    std::int64_t filled = 0;  // nanoseconds of audio gathered for the head buffer
    std::int64_t lastTick = 0;
    bool started = false;
};

class VirtualWaveIn : public WaveIn {
public:
    VirtualWaveIn(std::shared_ptr<VirtualWaveDevice> device, const WavePcmFormat& format,
                  DataCallback callback)
        : clock(device->Clock()),
          engine(std::make_shared<VirtualInEngine>(device, format, std::move(callback))) {
        clock.Attach(engine);
    }
    ~VirtualWaveIn() override {
        Reset();
        clock.Detach(engine.get());
    }

    void AddBuffer(WaveHeader* header) override {
        header->MarkQueued();
        header->bytesRecorded = 0;
        engine->Add(header);
        clock.Wake();
    }
    void Start() override { engine->SetStarted(true); }
    void Stop() override { engine->SetStarted(false); }
    void Reset() override {
        for (WaveHeader* header : engine->Reset()) {
            engine->Finish(header, 0);
        }
    }

private:
    DeviceClock& clock;
    std::shared_ptr<VirtualInEngine> engine;
};

}  // namespace

VirtualWaveDevice::VirtualWaveDevice(std::string deviceName, DeviceClock& deviceClock)
    : name(std::move(deviceName)), clock(deviceClock) {}

namespace {

std::vector<std::int16_t> Flatten(const std::vector<VirtualWaveDevice::PlayedAudio>& played) {
    std::vector<std::int16_t> samples;
    for (const auto& stretch : played) {
        samples.insert(samples.end(), stretch.samples.begin(), stretch.samples.end());
    }
    return samples;
}

}  // namespace

std::vector<std::int16_t> VirtualWaveDevice::Captured() const {
    std::lock_guard lock(mutex);
    return Flatten(capture);
}

std::vector<std::int16_t> VirtualWaveDevice::TakeCaptured() {
    return Flatten(TakePlayed());
}

std::vector<VirtualWaveDevice::PlayedAudio> VirtualWaveDevice::TakePlayed() {
    std::lock_guard lock(mutex);
    return std::exchange(capture, {});
}

void VirtualWaveDevice::SetInputGenerator(InputGenerator newGenerator) {
    std::lock_guard lock(mutex);
    generator = std::move(newGenerator);
}

void VirtualWaveDevice::SetStalled(bool stall) {
    {
        std::lock_guard lock(mutex);
        stalled = stall;
    }
    clock.Wake();
}

bool VirtualWaveDevice::IsStalled() const {
    std::lock_guard lock(mutex);
    return stalled;
}

void VirtualWaveDevice::AppendCapture(const std::int16_t* samples, std::size_t count,
                                      std::int64_t start, const WavePcmFormat& format) {
    std::lock_guard lock(mutex);
    // A buffer that starts where the last one ended continues its stretch.
    if (!capture.empty()) {
        PlayedAudio& last = capture.back();
        auto lastBytes = static_cast<std::uint32_t>(last.samples.size() * sizeof(std::int16_t));
        if (last.format.sampleRate == format.sampleRate &&
            last.format.channels == format.channels &&
            std::llabs(last.start + Duration(lastBytes, format) - start) < 1'000'000) {
            last.samples.insert(last.samples.end(), samples, samples + count);
            return;
        }
    }
    capture.push_back({start, format, std::vector<std::int16_t>(samples, samples + count)});
}

void VirtualWaveDevice::Generate(std::int16_t* samples, std::int32_t frames,
                                 const WavePcmFormat& format, std::int64_t start) {
    std::lock_guard lock(mutex);
    if (generator) {
        generator(samples, frames, format, start);
    } else {
        std::memset(samples, 0, static_cast<std::size_t>(frames) * format.BlockAlign());
    }
}

std::unique_ptr<WaveOut> VirtualWaveDevice::OpenOut(const WavePcmFormat& format) {
    return std::make_unique<VirtualWaveOut>(shared_from_this(), format);
}

std::unique_ptr<WaveIn> VirtualWaveDevice::OpenIn(const WavePcmFormat& format,
                                                  WaveIn::DataCallback callback) {
    return std::make_unique<VirtualWaveIn>(shared_from_this(), format, std::move(callback));
}
