// The waveform view on a one-hour 8 kHz recording: the reader's time to draw it whole at 2,048
// columns (goal under 150 ms), and the longest the UI thread's event loop is held while the view
// scrolls through it (goal under 16 ms). Usage: bench_wave_view
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/files/LWaveWriter.h"
#include "audio/files/WaveReaders.h"
#include "controls/LWaveView.h"
#include "controls/LWaveViewReader.h"
#include "controls/LWaveWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int32_t kRate = 8000;
constexpr std::int32_t kHourFrames = 3600 * kRate;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// A tone whose loudness swells and fades every few seconds, so the columns differ.
void WriteHour(const std::string& path) {
    LWaveWriter writer(path, kRate, 0, 2, 1);
    writer.flushHeaders = false;
    std::vector<std::int32_t> block(kWaveBlockFrames);
    for (std::int32_t done = 0; done < kHourFrames; done += kWaveBlockFrames) {
        for (std::int32_t i = 0; i < kWaveBlockFrames; ++i) {
            double t = static_cast<double>(done + i) / kRate;
            block[static_cast<std::size_t>(i)] = static_cast<std::int32_t>(
                400000 * std::sin(t * 0.7) * std::sin(t * 2 * M_PI * 440));
        }
        writer.Write(block.data(), std::min(kWaveBlockFrames, kHourFrames - done));
    }
}

// Delivers events until the reader is idle; returns the longest single pass of the loop.
Clock::duration PumpUntilIdle(const LWaveViewReader& reader) {
    Clock::duration longest{};
    bool idle = false;
    while (!idle) {
        idle = reader.IsIdle();
        auto start = Clock::now();
        QCoreApplication::processEvents();
        longest = std::max(longest, Clock::now() - start);
    }
    return longest;
}

}  // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    std::string folder = (std::filesystem::temp_directory_path() / "quillon-bench-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string path = folder + "/hour.wav";
    WriteHour(path);

    LWaveView view;
    LWaveWindow window;
    window.resize(LWaveViewState::kMaxColumns, 120);
    window.Attach(&view);
    window.show();
    view.SetEndFrame(kHourFrames - 1);
    LWaveViewReader reader;
    reader.Start(OpenWaveFile(path), &view);

    auto start = Clock::now();
    reader.Request(0, kHourFrames);
    reader.AwaitIdle();
    double whole = Milliseconds(Clock::now() - start);
    PumpUntilIdle(reader);

    // Scrolling: four minutes across, 16 columns (16 s) a step, from the start to the end.
    constexpr std::int32_t kAcross = 2048 * 1000;
    constexpr std::int32_t kStep = 16 * 1000;
    Clock::duration stall{};
    int steps = 0;
    for (std::int32_t viewStart = 0; viewStart + kAcross <= kHourFrames; viewStart += kStep) {
        reader.Request(viewStart, kAcross);
        view.SetCursor(viewStart + kAcross / 2, 0);
        stall = std::max(stall, PumpUntilIdle(reader));
        ++steps;
    }
    reader.Stop();
    std::filesystem::remove_all(folder);

    std::printf("reader, one hour at 2048 columns: %.1f ms (goal < 150 ms)\n", whole);
    std::printf("longest UI event-loop pass over %d scroll steps: %.2f ms (goal < 16 ms)\n", steps,
                Milliseconds(stall));
    return 0;
}
