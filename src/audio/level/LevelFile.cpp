// Levelling one WAV file and putting the result in place safely.
#include "audio/level/LevelFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <optional>

#include "audio/dsp/LBufferedStreams.h"
#include "audio/dsp/LChannelsProcess.h"
#include "audio/dsp/SoundLevel.h"
#include "audio/dsp/TelephoneFormat.h"
#include "audio/files/LWaveWriter.h"
#include "audio/files/RecordingInfo.h"
#include "audio/files/WaveReaders.h"
#include "audio/level/LAutoLevelProcessor.h"
#include "base/AtomicFile.h"
#include "base/PosixFile.h"
#include "base/UniqueFd.h"

namespace {

constexpr std::int32_t kOutputBytes = kLineBits / 8;  // mono
constexpr auto kLockRetry = std::chrono::milliseconds(500);
// Blocks processed between looks at the stop event (about 5 s of audio at 8,000 Hz).
constexpr int kStepsBetweenStopChecks = 256;
// The files are read and written in blocks of this many frames, not the processor's 20 ms.
constexpr std::int32_t kFileBlockFrames = 8192;

// Mean square of samples on the block level scale, accumulated over a whole file.
struct PowerSum {
    // Four sums side by side, which the compiler turns into vector arithmetic; doubles hold
    // each square exactly, and an hour's sum to far better than 0.01 dB.
    double lanes[4] = {};
    double count = 0;

    void Add(const std::int32_t* samples, std::size_t n) {
        std::size_t i = 0;
        for (; i + 4 <= n; i += 4) {
            for (std::size_t lane = 0; lane < 4; ++lane) {
                const double x = samples[i + lane] >> 5;
                lanes[lane] += x * x;
            }
        }
        for (; i < n; ++i) {
            const double x = samples[i] >> 5;
            lanes[0] += x * x;
        }
        count += static_cast<double>(n);
    }
    double Level() const {
        const double sum = (lanes[0] + lanes[1]) + (lanes[2] + lanes[3]);
        if (count == 0 || sum == 0) {
            return kSilentLevel;
        }
        return std::fmax(10 * std::log10(sum / count / kZeroDBMeanSquare), kSilentLevel);
    }
};

// Passes its upstream on and measures the frames within the upstream's length.
class MeteringSource : public LSoundFilter {
public:
    MeteringSource(const LSoundSourcePtr& upstream, PowerSum& power)
        : LSoundFilter(upstream), power(power) {}

    void Read(std::int32_t* buffer, std::int32_t frames) override {
        const std::int32_t start = GetPosition();
        ReadUpstream(buffer, frames);
        const std::int64_t inside = std::min<std::int64_t>(frames, GetLength() - start);
        if (inside > 0) {
            power.Add(buffer, static_cast<std::size_t>(inside) * channels);
        }
    }

private:
    PowerSum& power;
};

// Measures what is written and passes it on.
class MeteringSink : public LSoundSinkFilter {
public:
    MeteringSink(const LSoundSinkPtr& downstream, PowerSum& power)
        : LSoundSinkFilter(downstream), power(power) {}

    void Write(const std::int32_t* buffer, std::int32_t frames) override {
        power.Add(buffer, static_cast<std::size_t>(std::max(frames, 0)) * channels);
        LSoundSinkFilter::Write(buffer, frames);
    }

private:
    PowerSum& power;
};

bool Unchanged(const struct stat& before, const struct stat& now) {
    return SameFile(before, now) && before.st_size == now.st_size &&
           before.st_mtim.tv_sec == now.st_mtim.tv_sec &&
           before.st_mtim.tv_nsec == now.st_mtim.tv_nsec;
}

// Takes the exclusive lock that no reader or writer of the file may hold; waits on `stop`
// between tries. False when the stop event came first.
bool LockExclusively(int fd, const LStopEvent& stop) {
    // A file system that keeps no such locks (Failed) has nobody holding one either.
    while (TryLockExclusive(fd) == LockTry::Busy) {
        if (stop.Wait(kLockRetry)) {
            return false;
        }
    }
    return true;
}

// Runs the processor over the whole input; false when it did not write the whole output.
bool Process(LSoundSourcePtr source, LSoundSinkPtr sink, const LStopEvent& stop, bool& stopped) {
    LAutoLevelProcessor processor(source, sink, kLevelQueueParams);
    source.Release();
    sink.Release();
    for (int steps = 1; processor.Step(); ++steps) {
        if (steps % kStepsBetweenStopChecks == 0 && stop.IsSet()) {
            stopped = true;
            return false;
        }
    }
    return processor.State() == LAutoLevelState::Writing;
}

}  // namespace

LevelResult LevelWaveFile(const std::string& input, const std::string& output,
                          const LStopEvent& stop, LevelReadings* readings) {
    UniqueFd inputFd = OpenRegularFile(input);
    struct stat inputBefore {};
    if (!inputFd || ::fstat(inputFd.Get(), &inputBefore) != 0) {
        return LevelResult::NotAudio;
    }
    LSoundSourcePtr source = OpenWaveFile(input);
    if (!source || source->IsInvalid()) {
        return LevelResult::NotAudio;
    }
    // The call's story goes with the audio into the result.
    const RecordingInfo info = ReadRecordingInfo(input).value_or(RecordingInfo());
    LChannelsProcess(1).Create(source, source);

    // Hidden while it is being written.
    AtomicFile temp(output, "level");
    if (!temp.IsOpen()) {
        return LevelResult::Failed;
    }
    auto writer = MakeCounted<LWaveWriter>(temp.TempName(), kLineRate, 0, kOutputBytes, 1);
    if (!writer || writer->IsInvalid()) {
        return LevelResult::Failed;
    }
    // The output is synced once, when it is complete.
    writer->flushHeaders = false;
    PowerSum inputPower;
    PowerSum outputPower;
    LSoundSinkPtr sink = writer;
    if (readings != nullptr) {
        source = MakeCounted<MeteringSource>(source, inputPower);
        sink = MakeCounted<MeteringSink>(sink, outputPower);
    }
    source = MakeCounted<LReadAheadFilter>(source, kFileBlockFrames);
    sink = MakeCounted<LWriteBehindSink>(sink, kFileBlockFrames);
    bool stopped = false;
    const bool complete = Process(std::move(source), std::move(sink), stop, stopped);
    // Releasing the writer finishes the file: the final header goes out with it.
    const std::int64_t frames = writer->position;
    const bool writeFailed = writer->HasFailed();
    writer.Release();
    if (stopped) {
        return LevelResult::Stopped;
    }
    struct stat written {};
    if (!complete || writeFailed || ::fstat(temp.Fd(), &written) != 0 ||
        written.st_size != kWaveHeaderSize + frames * kOutputBytes ||
        (!info.Empty() && !WriteRecordingInfo(temp.TempName(), info.ScaledTo(kLineRate)).empty())) {
        return LevelResult::Failed;
    }
    struct stat target {};
    const bool targetExists = ::stat(output.c_str(), &target) == 0;
    // A file that takes another's place keeps its permissions, and must be on the disk before
    // the rename, or a crash could leave neither. A new file risks nothing.
    if (targetExists && !temp.Sync(target.st_mode & 07777)) {
        return LevelResult::Failed;
    }
    // Levelling in place replaces the very file that was read, or nothing: not a file that
    // took its name meanwhile, nor one deleted meanwhile.
    const bool inPlace = input == output || (targetExists && SameFile(target, inputBefore));
    UniqueFd otherTargetFd;
    if (targetExists && !inPlace) {
        otherTargetFd.Reset(::open(output.c_str(), O_RDONLY | O_CLOEXEC));
    }
    const int lockFd = inPlace ? inputFd.Get() : otherTargetFd.Get();
    if (lockFd >= 0 && !LockExclusively(lockFd, stop)) {
        return LevelResult::Stopped;
    }
    if (inPlace) {
        struct stat inputNow {};
        struct stat pathNow {};
        if (::fstat(inputFd.Get(), &inputNow) != 0 || !Unchanged(inputBefore, inputNow) ||
            ::stat(output.c_str(), &pathNow) != 0 || !SameFile(pathNow, inputBefore)) {
            return LevelResult::Changed;
        }
    }
    if (!temp.Replace()) {
        return LevelResult::Failed;
    }
    if (readings != nullptr) {
        readings->input = inputPower.Level();
        readings->output = outputPower.Level();
    }
    return LevelResult::Levelled;
}
