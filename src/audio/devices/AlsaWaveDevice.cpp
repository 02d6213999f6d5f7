// Sound card devices through ALSA.
#include "audio/devices/AlsaWaveDevice.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace {

// ALSA prints its configuration complaints (no card, unknown plug-in) to stderr; a failed open
// is reported by its result instead.
void QuietAlsaErrors(const char*, int, const char*, int, const char*, ...) {}

void SilenceAlsaOnce() {
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(QuietAlsaErrors); });
}

// Leaves out plug-ins that only make sense inside other configurations, and the multi-channel
// layouts: a telephone recorder plays and records mono or stereo.
bool IsUserDevice(std::string_view name) {
    static constexpr std::string_view kPlugins[] = {
        "null",  "default",  "dmix",      "dsnoop", "lavrate", "samplerate", "speexrate",
        "upmix", "vdownmix", "usbstream", "jack",   "oss",     "iec958",
    };
    std::string_view base = name.substr(0, name.find(':'));
    return base.substr(0, 8) != "surround" &&
           std::find(std::begin(kPlugins), std::end(kPlugins), base) == std::end(kPlugins);
}

// A hint's description is two lines ("card, device" and "use"); shown as one.
std::string OneLine(const char* description, const char* fallback) {
    std::string text = description ? description : fallback;
    std::replace(text.begin(), text.end(), '\n', ' ');
    return text;
}

struct HintText {
    char* text;
    explicit HintText(char* value) : text(value) {}
    ~HintText() { std::free(text); }
    HintText(const HintText&) = delete;
    HintText& operator=(const HintText&) = delete;
};

snd_pcm_t* OpenPcm(const std::string& name, snd_pcm_stream_t stream, const WavePcmFormat& format,
                   bool mapped) {
    SilenceAlsaOnce();
    if (format.bitsPerSample != 16 || format.channels == 0 || format.sampleRate <= 0) {
        return nullptr;
    }
    snd_pcm_t* pcm = nullptr;
    if (snd_pcm_open(&pcm, name.c_str(), stream, SND_PCM_NONBLOCK) < 0) {
        return nullptr;
    }
    // 200 ms of device buffer: enough against scheduling hiccups, short enough that "done"
    // stays close to "played".
    if (snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                           format.channels, static_cast<unsigned>(format.sampleRate),
                           mapped ? 1 : 0, 200000) < 0) {
        snd_pcm_close(pcm);
        return nullptr;
    }
    return pcm;
}

// Frames moved per ALSA call: 20 ms, so pause, reset and stop are seen within that.
snd_pcm_uframes_t ChunkFrames(const WavePcmFormat& format) {
    return static_cast<snd_pcm_uframes_t>(std::max(format.sampleRate / 50, 1));
}

// Waits for the device at most 50 ms; a hung device must not keep the thread from its flags.
void WaitForDevice(snd_pcm_t* pcm) {
    if (snd_pcm_wait(pcm, 50) < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// The PCM of an open sound card device and the thread that serves it. The thread's loop runs
// until Finish, looking at `quit` under `mutex` and waiting on `changed`.
struct AlsaStream {
    void Start(snd_pcm_t* device, std::function<void()> loop) {
        pcm = device;
        thread = std::thread(std::move(loop));
    }
    void Finish() {
        {
            std::lock_guard lock(mutex);
            quit = true;
        }
        changed.notify_all();
        thread.join();
        snd_pcm_close(pcm);
    }

    snd_pcm_t* pcm = nullptr;
    std::mutex mutex;
    std::condition_variable changed;
    bool quit = false;
    std::thread thread;
};

class AlsaWaveOut : public WaveOut {
public:
    AlsaWaveOut(snd_pcm_t* device, const WavePcmFormat& pcmFormat)
        : WaveOut(SystemDeviceClock()), format(pcmFormat) {
        stream.Start(device, [this] { Loop(); });
    }
    ~AlsaWaveOut() override {
        Reset();
        stream.Finish();
    }

    void Write(WaveHeader* header) override {
        header->MarkQueued();
        {
            std::lock_guard lock(stream.mutex);
            if (queue.empty()) {
                headOffset = 0;
                loopsLeft = header->loops;
            }
            queue.push_back(header);
        }
        stream.changed.notify_all();
    }
    void Pause() override {
        std::lock_guard lock(stream.mutex);
        paused = true;
    }
    void Restart() override {
        {
            std::lock_guard lock(stream.mutex);
            paused = false;
        }
        stream.changed.notify_all();
    }
    void BreakLoop() override {
        std::lock_guard lock(stream.mutex);
        breakLoop = true;
    }
    void Reset() override {
        std::vector<WaveHeader*> all;
        {
            std::unique_lock lock(stream.mutex);
            all.assign(queue.begin(), queue.end());
            queue.clear();
            breakLoop = false;
            // The thread drops what the device holds and lets go of the buffer it was writing
            // before the buffers are handed back.
            resetPending = true;
            stream.changed.notify_all();
            stream.changed.wait(lock, [this] { return !resetPending; });
        }
        for (WaveHeader* header : all) {
            MarkDone(header);
        }
    }

private:
    void Loop() {
        std::unique_lock lock(stream.mutex);
        while (!stream.quit) {
            if (resetPending) {
                snd_pcm_drop(stream.pcm);
                snd_pcm_prepare(stream.pcm);
                resetPending = false;
                stream.changed.notify_all();
                continue;
            }
            if (paused || queue.empty()) {
                stream.changed.wait(lock);
                continue;
            }
            WaveHeader* head = queue.front();
            std::uint32_t frameBytes = static_cast<std::uint32_t>(format.BlockAlign());
            snd_pcm_uframes_t frames = std::min<snd_pcm_uframes_t>(
                (head->bufferLength - headOffset) / frameBytes, ChunkFrames(format));
            const char* data = head->data + headOffset;
            lock.unlock();
            snd_pcm_sframes_t written = frames ? snd_pcm_writei(stream.pcm, data, frames) : 0;
            if (written == -EAGAIN) {
                WaitForDevice(stream.pcm);
            } else if (written < 0 &&
                       snd_pcm_recover(stream.pcm, static_cast<int>(written), 1) < 0) {
                WaitForDevice(stream.pcm);  // the device is gone: stall, the player gives up on us
            }
            lock.lock();
            if (resetPending || queue.empty() || queue.front() != head) {
                continue;
            }
            if (written > 0) {
                headOffset += static_cast<std::uint32_t>(written) * frameBytes;
            }
            if (head->bufferLength - headOffset < frameBytes) {
                Finished(head);
            }
        }
    }

    // The head buffer has played once.
    void Finished(WaveHeader* head) {
        bool looping = (head->flags.load() & kWaveHeaderBeginLoop) &&
                       (head->flags.load() & kWaveHeaderEndLoop);
        headOffset = 0;
        if (looping && !breakLoop && loopsLeft > 1) {
            --loopsLeft;
            return;
        }
        breakLoop = false;
        queue.pop_front();
        if (!queue.empty()) {
            loopsLeft = queue.front()->loops;
        }
        MarkDone(head);
    }

    AlsaStream stream;
    const WavePcmFormat format;
    std::deque<WaveHeader*> queue;
    std::uint32_t headOffset = 0;
    std::uint32_t loopsLeft = 0;
    bool paused = false;
    bool breakLoop = false;
    bool resetPending = false;
};

class AlsaWaveIn : public WaveIn {
public:
    AlsaWaveIn(snd_pcm_t* device, const WavePcmFormat& pcmFormat, DataCallback dataCallback)
        : format(pcmFormat),
          callback(std::move(dataCallback)),
          scratch(ChunkFrames(pcmFormat) * static_cast<std::size_t>(pcmFormat.BlockAlign())) {
        stream.Start(device, [this] { Loop(); });
    }
    ~AlsaWaveIn() override {
        Reset();
        stream.Finish();
    }

    void AddBuffer(WaveHeader* header) override {
        header->MarkQueued();
        header->bytesRecorded = 0;
        {
            std::lock_guard lock(stream.mutex);
            if (queue.empty()) {
                headOffset = 0;
            }
            queue.push_back(header);
        }
        stream.changed.notify_all();
    }
    void Start() override { Want(true); }
    void Stop() override { Want(false); }
    void Reset() override {
        std::vector<WaveHeader*> all;
        std::uint32_t partial = 0;
        {
            std::unique_lock lock(stream.mutex);
            wantRunning = false;
            all.assign(queue.begin(), queue.end());
            queue.clear();
            partial = std::exchange(headOffset, 0);
            stream.changed.notify_all();
            stream.changed.wait(lock, [this] { return !running; });
        }
        for (std::size_t i = 0; i < all.size(); ++i) {
            Complete(all[i], i == 0 ? partial : 0, callback);
        }
    }

private:
    void Want(bool run) {
        {
            std::lock_guard lock(stream.mutex);
            wantRunning = run;
        }
        stream.changed.notify_all();
    }

    void Loop() {
        std::unique_lock lock(stream.mutex);
        while (!stream.quit) {
            if (running != wantRunning) {
                if (wantRunning) {
                    snd_pcm_prepare(stream.pcm);
                    snd_pcm_start(stream.pcm);
                } else {
                    snd_pcm_drop(stream.pcm);
                }
                running = wantRunning;
                stream.changed.notify_all();
                continue;
            }
            if (!running) {
                stream.changed.wait(lock);
                continue;
            }
            // With no buffer queued the audio still has to be taken from the device: it is lost.
            WaveHeader* head = queue.empty() ? nullptr : queue.front();
            std::uint32_t frameBytes = static_cast<std::uint32_t>(format.BlockAlign());
            char* data = head ? head->data + headOffset : scratch.data();
            std::uint32_t room =
                head ? head->bufferLength - headOffset : static_cast<std::uint32_t>(scratch.size());
            snd_pcm_uframes_t frames =
                std::min<snd_pcm_uframes_t>(room / frameBytes, ChunkFrames(format));
            lock.unlock();
            snd_pcm_sframes_t read = frames ? snd_pcm_readi(stream.pcm, data, frames) : 0;
            if (read == -EAGAIN) {
                WaitForDevice(stream.pcm);
            } else if (read < 0) {
                if (snd_pcm_recover(stream.pcm, static_cast<int>(read), 1) < 0) {
                    WaitForDevice(stream.pcm);
                } else {
                    snd_pcm_start(stream.pcm);
                }
            }
            lock.lock();
            if (!head || !running || !wantRunning || queue.empty() || queue.front() != head) {
                continue;
            }
            if (read > 0) {
                headOffset += static_cast<std::uint32_t>(read) * frameBytes;
            }
            if (head->bufferLength - headOffset < frameBytes) {
                queue.pop_front();
                std::uint32_t bytes = std::exchange(headOffset, 0);
                lock.unlock();
                Complete(head, bytes, callback);
                lock.lock();
            }
        }
    }

    AlsaStream stream;
    const WavePcmFormat format;
    const DataCallback callback;
    std::vector<char> scratch;
    std::deque<WaveHeader*> queue;
    std::uint32_t headOffset = 0;
    bool wantRunning = false;
    bool running = false;
};

}  // namespace

std::vector<AlsaDeviceInfo> ListAlsaDevices(WaveDirection direction) {
    SilenceAlsaOnce();
    std::vector<AlsaDeviceInfo> devices{{"default", "Default sound device"}};
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0) {
        return devices;
    }
    const char* wanted = direction == WaveDirection::Output ? "Output" : "Input";
    for (void** hint = hints; *hint; ++hint) {
        HintText name(snd_device_name_get_hint(*hint, "NAME"));
        HintText description(snd_device_name_get_hint(*hint, "DESC"));
        HintText io(snd_device_name_get_hint(*hint, "IOID"));
        if (!name.text || (io.text && std::string_view(io.text) != wanted)) {
            continue;
        }
        if (std::string_view(name.text) == "default") {
            devices[0].description = OneLine(description.text, "Default sound device");
        } else if (IsUserDevice(name.text)) {
            devices.push_back({name.text, OneLine(description.text, name.text)});
        }
    }
    snd_device_name_free_hint(hints);
    return devices;
}

std::unique_ptr<WaveOut> OpenAlsaWaveOut(const std::string& pcmName, const WavePcmFormat& format,
                                         bool mapped) {
    snd_pcm_t* pcm = OpenPcm(pcmName, SND_PCM_STREAM_PLAYBACK, format, mapped);
    return pcm ? std::make_unique<AlsaWaveOut>(pcm, format) : nullptr;
}

std::unique_ptr<WaveIn> OpenAlsaWaveIn(const std::string& pcmName, const WavePcmFormat& format,
                                       bool mapped, WaveIn::DataCallback callback) {
    snd_pcm_t* pcm = OpenPcm(pcmName, SND_PCM_STREAM_CAPTURE, format, mapped);
    return pcm ? std::make_unique<AlsaWaveIn>(pcm, format, std::move(callback)) : nullptr;
}
