// CPU load of the sound player and recorder on virtual devices in real time, and the time from
// Stop to the stopped notification. Usage: bench_device_load [SECONDS] (default 60).
#include <sys/resource.h>
#include <QCoreApplication>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "audio/devices/LSoundPlayer.h"
#include "audio/devices/LSoundRecorder.h"
#include "audio/devices/WaveDevices.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A tone of a given length at 8 kHz.
class ToneSource : public LSoundSource {
public:
    explicit ToneSource(std::int32_t frames) : length(frames) {
        sampleRate = 8000;
        peakBound = 0x40000;
    }
    void Read(std::int32_t* buffer, std::int32_t frames) override {
        for (std::int32_t i = 0; i < frames; ++i, ++position) {
            buffer[i] = static_cast<std::int32_t>(0x40000 * std::sin(position * 0.3));
        }
    }
    void Seek(std::int32_t frame) override { position = frame; }
    std::int32_t GetPosition() override { return position; }
    std::int32_t GetLength() override { return length; }

private:
    std::int32_t length;
    std::int32_t position = 0;
};

class NullSink : public LSoundSink {
public:
    NullSink() { sampleRate = 8000; }
    void Write(const std::int32_t*, std::int32_t frames) override { position += frames; }
};

struct StopWatch : LSoundPlayerNotify {
    void OnPlayerStopped(std::uint32_t) override { stoppedAt = Clock::now(); }
    Clock::time_point stoppedAt;
};

// Runs the event loop for `seconds` of wall time and returns the CPU share of one core.
double LoadOver(double seconds) {
    double cpu = CpuSeconds();
    auto start = Clock::now();
    auto end = start + std::chrono::duration<double>(seconds);
    while (Clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    double wall = std::chrono::duration<double>(Clock::now() - start).count();
    return (CpuSeconds() - cpu) / wall;
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    QCoreApplication app(argc, argv);
    auto line = std::make_shared<VirtualWaveDevice>("bench line");
    WaveDeviceRegistration registration(line);

    double idle = LoadOver(2.0);

    LSoundPlayer player;
    player.device = static_cast<std::int8_t>(registration.OutputId());
    player.reportLevels = true;
    player.Start(MakeCounted<ToneSource>(static_cast<std::int32_t>(8000 * (seconds + 10))), 0);
    double playing = LoadOver(seconds);
    player.Stop();
    line->TakeCaptured();

    LSoundRecorder recorder;
    recorder.device = static_cast<std::int8_t>(registration.InputId());
    recorder.Start(MakeCounted<NullSink>(), kRecorderStartWriting, 0, -127, 0);
    double recording = LoadOver(seconds);
    recorder.Stop();

    StopWatch watch;
    player.target = &watch;
    double worst = 0;
    double total = 0;
    constexpr int kStops = 20;
    for (int i = 0; i < kStops; ++i) {
        player.Start(MakeCounted<ToneSource>(8000 * 60), 0);
        LoadOver(0.3);
        auto asked = Clock::now();
        player.Stop();
        double ms = std::chrono::duration<double, std::milli>(watch.stoppedAt - asked).count();
        worst = std::max(worst, ms);
        total += ms;
        line->TakeCaptured();
    }
    std::printf("idle event loop:        %.3f%% of one core\n", idle * 100);
    std::printf("playing 8 kHz mono:     %.3f%% of one core over %.0f s\n", playing * 100, seconds);
    std::printf("recording 8 kHz mono:   %.3f%% of one core over %.0f s\n", recording * 100,
                seconds);
    std::printf("Stop to stopped:        %.2f ms mean, %.2f ms worst of %d\n", total / kStops,
                worst, kStops);
    return 0;
}
