// Plays an audio source on a wave output device from a feeding thread.
#include "audio/devices/LSoundPlayer.h"

#include <unistd.h>

#include <algorithm>

#include "audio/devices/WaveDevices.h"
#include "audio/dsp/LPeakLimiter.h"
#include "audio/dsp/SoundLevel.h"

namespace {

constexpr int kRecordCount = 70;
constexpr std::uint8_t kPrefillRecords = 42;
// A record that holds nothing to report.
constexpr std::uintptr_t kEmpty = 0x80000000u;
// Waits without a finished buffer after which the device counts as stalled (about 28 s).
constexpr int kStallWaits = 280;
constexpr int kWaitMs = 100;
constexpr std::uint16_t kReportPosition = 0x01;
constexpr std::uint16_t kReportLevels = 0x02;
constexpr std::uint16_t kReportFinished = 0x04;

std::int16_t To16Bits(std::int32_t sample) {
    return static_cast<std::int16_t>((sample + 8) >> 4);
}

}  // namespace

LSoundPlayer::LSoundPlayer() : inbox(std::make_unique<QObject>()) {}

LSoundPlayer::~LSoundPlayer() {
    Stop();
}

bool LSoundPlayer::IsActive() const {
    std::lock_guard guard(lock);
    return modeFlags != 0;
}

std::int32_t LSoundPlayer::GetPositionFrames() const {
    std::lock_guard guard(lock);
    return position;
}

std::int32_t LSoundPlayer::ToUnits(std::int32_t frames) const {
    return FramesToTime(frames, source ? source->sampleRate : kDefaultSampleRate);
}

void LSoundPlayer::PostReport() {
    QMetaObject::invokeMethod(
        inbox.get(), [this] { OnReport(); }, Qt::QueuedConnection);
}

bool LSoundPlayer::Start(const LSoundSourcePtr& newSource, std::uint16_t options) {
    Stop();
    if (!newSource || newSource->IsInvalid()) {
        return false;
    }
    LSoundSourcePtr head = newSource;
    if (head->peakBound > kPlayerPeakLimit) {
        LPeakLimiterProcess(kPlayerPeakLimit).Create(head, head);
        if (!head || head->IsInvalid()) {
            return false;
        }
    }
    WavePcmFormat format{head->sampleRate, head->channels, 16};
    std::unique_ptr<WaveOut> out = OpenWaveOut(device, format, false);
    if (!out) {
        out = OpenWaveOut(device, format, true);
    }
    if (!out) {
        return false;
    }

    blockFrames = std::clamp(head->sampleRate / 10, 20, 8192);
    channels = head->channels;
    std::size_t values = static_cast<std::size_t>(blockFrames) * channels;
    work.assign(values, 0);
    channelScratch.assign(static_cast<std::size_t>(blockFrames), 0);
    records.clear();
    for (int i = 0; i < kRecordCount; ++i) {
        auto record = std::make_unique<Record>();
        record->memory.assign(values, 0);
        record->header.data = reinterpret_cast<char*>(record->memory.data());
        record->header.bufferLength = static_cast<std::uint32_t>(values * 2);
        record->header.flags = kWaveHeaderDone;  // free
        record->header.user = kEmpty;
        records.push_back(std::move(record));
    }

    std::uint16_t flags = kActive | kRaisePriority;
    if (options & kPlayerStartPaused) {
        out->Pause();
        flags |= kPaused;
    } else if (options & kPlayerPrefill) {
        out->Pause();
        flags |= kRestartAt42 | kComplete;
    }
    {
        std::lock_guard guard(lock);
        source = head;
        waveOut = std::move(out);
        modeFlags = flags;
        reportFlags = 0;
        nextBuffer = 0;
        position = source->GetPosition();
    }
    stopping = false;
    StartThread(kThreadPriorityLowest);
    if (target) {
        if (options & kPlayerStartPaused) {
            target->OnPlayerPaused(cookie);
        } else {
            target->OnPlayerPlaying(cookie);
        }
        target->OnPlayerPosition(cookie, ToUnits(position));
    }
    return true;
}

void LSoundPlayer::MeasureLevels(const std::int32_t* samples, std::int32_t frames,
                                 LLevelReport& report) {
    report.channels = channels;
    for (std::uint8_t c = 0; c < channels; ++c) {
        for (std::int32_t f = 0; f < frames; ++f) {
            channelScratch[static_cast<std::size_t>(f)] =
                samples[static_cast<std::size_t>(f) * channels + c];
        }
        report.level[c] = BlockLevel(channelScratch.data(), static_cast<std::size_t>(frames));
    }
}

void LSoundPlayer::OnThreadStart() {
    feederThreadId = static_cast<int>(::gettid());
}

void LSoundPlayer::SetFeederPriority(int priority) {
    if (int id = feederThreadId.load(); id != 0 && IsThreadRunning()) {
        SetThreadPriority(id, priority);
    }
}

void LSoundPlayer::Run(const LStopEvent& stop) {
    int waits = 0;
    while (!stop.IsSet() && !stopping) {
        waveOut->ResetEvent();
        std::unique_lock guard(lock);
        Record& record = *records[nextBuffer];
        if (!record.header.IsDone()) {
            if (modeFlags & kRaisePriority) {
                SetThreadPriority(0, kThreadPriorityHighest);
                modeFlags &= ~kRaisePriority;
            }
            if (!(modeFlags & kScrub) && ++waits == kStallWaits + 1) {
                reportFlags |= kReportFinished;
                PostReport();
            }
            guard.unlock();
            waveOut->WaitEvent(kWaitMs);
            continue;
        }
        waits = 0;
        if (record.header.user != kEmpty) {
            position = static_cast<std::int32_t>(record.header.user);
            reportFlags |= kReportPosition;
            if (reportLevels) {
                levelReport = record.levels;
                reportFlags |= kReportLevels;
            }
            record.header.user = kEmpty;
            PostReport();
        }
        std::int32_t remaining = source->GetLength() - source->GetPosition();
        bool write = true;
        if (remaining < 16 * blockFrames) {
            if (remaining <= 0) {
                write = false;
                if (std::all_of(records.begin(), records.end(),
                                [](const auto& r) { return r->header.IsDone(); })) {
                    reportFlags |= kReportFinished;
                    PostReport();
                    return;
                }
            } else if (!(modeFlags & kComplete)) {
                // A source that may still grow: stay only a few buffers ahead of its end.
                auto queued = std::count_if(records.begin(), records.end(),
                                            [](const auto& r) { return !r->header.IsDone(); });
                if (queued > 3) {
                    write = false;
                } else if (queued <= 1 && remaining > 64) {
                    remaining /= 2;
                }
            }
        }
        if (write) {
            std::int32_t frames = std::min(remaining, blockFrames);
            source->Read(work.data(), frames);
            std::size_t values = static_cast<std::size_t>(frames) * channels;
            for (std::size_t i = 0; i < values; ++i) {
                record.memory[i] = To16Bits(work[i]);
            }
            record.header.bufferLength =
                static_cast<std::uint32_t>(std::min(values * 2, record.memory.size() * 2));
            record.header.flags.fetch_and(
                ~(kWaveHeaderDone | kWaveHeaderBeginLoop | kWaveHeaderEndLoop));
            record.header.user = static_cast<std::uintptr_t>(source->GetPosition());
            if (reportLevels) {
                MeasureLevels(work.data(), frames, record.levels);
            }
            waveOut->Write(&record.header);
        }
        nextBuffer = static_cast<std::uint8_t>((nextBuffer + 1) % kRecordCount);
        if (nextBuffer == kPrefillRecords && (modeFlags & kRestartAt42)) {
            waveOut->Restart();
            modeFlags &= ~kRestartAt42;
        }
    }
    waveOut->Reset();
}

void LSoundPlayer::OnReport() {
    std::unique_lock guard(lock);
    if (modeFlags == 0) {
        return;  // a report that was on its way when the player stopped
    }
    if (reportFlags & kReportFinished) {
        std::int32_t end = ToUnits(source->GetLength());
        guard.unlock();
        if (target) {
            target->OnPlayerPosition(cookie, end);
        }
        Stop();
        return;
    }
    bool sendPosition = (reportFlags & kReportPosition) != 0;
    bool sendLevels = (reportFlags & kReportLevels) != 0 && reportLevels;
    reportFlags &= ~(kReportPosition | kReportLevels);
    std::int32_t units = ToUnits(position);
    LLevelReport levels = levelReport;
    guard.unlock();
    if (target && sendPosition) {
        target->OnPlayerPosition(cookie, units);
    }
    if (target && sendLevels) {
        target->OnPlayerLevels(levels, cookie);
    }
}

void LSoundPlayer::Stop() {
    if (!IsActive()) {
        return;
    }
    stopping = true;
    waveOut->SetEvent();
    StopThread(kStopThreadTimeoutMs);
    waveOut->Reset();
    {
        std::lock_guard guard(lock);
        records.clear();
        work.clear();
        source.Release();
        waveOut.reset();
        position = 0;
        modeFlags = 0;
        reportFlags = 0;
    }
    stopping = false;
    feederThreadId = 0;
    if (target) {
        target->OnPlayerStopped(cookie);
    }
}

void LSoundPlayer::MarkAllEmpty() {
    for (auto& record : records) {
        record->header.flags.fetch_or(kWaveHeaderDone);
        record->header.user = kEmpty;
    }
}

void LSoundPlayer::WriteSnippet() {
    Record& record = *records[0];
    std::int32_t quarter = (blockFrames + 3) / 4;
    source->Read(work.data(), quarter);
    std::size_t snippetValues = static_cast<std::size_t>(quarter) * channels;
    for (std::size_t i = 0; i < record.memory.size(); ++i) {
        record.memory[i] = To16Bits(work[i % snippetValues]);
    }
    record.header.bufferLength = static_cast<std::uint32_t>(record.memory.size() * 2);
    record.header.user = static_cast<std::uintptr_t>(position);
    record.header.flags = kWaveHeaderBeginLoop | kWaveHeaderEndLoop;
    record.header.loops = 0x7FFFFFFF;
    waveOut->Write(&record.header);
    nextBuffer = 1;
    if (reportLevels) {
        MeasureLevels(work.data(), quarter, levelReport);
    }
}

void LSoundPlayer::Seek(std::int32_t frame) {
    std::int32_t units = 0;
    LLevelReport levels;
    bool scrub = false;
    {
        std::lock_guard guard(lock);
        if (modeFlags == 0) {
            return;
        }
        waveOut->Reset();
        MarkAllEmpty();
        source->Seek(frame);
        position = source->GetPosition();
        if (modeFlags & kPaused) {
            waveOut->Pause();
        }
        scrub = (modeFlags & kScrub) != 0;
        if (scrub) {
            WriteSnippet();
            levels = levelReport;
        } else {
            nextBuffer = 0;
        }
        SetFeederPriority(kThreadPriorityLowest);
        modeFlags |= kRaisePriority;
        reportFlags = 0;
        units = ToUnits(position);
    }
    if (target && scrub && reportLevels) {
        target->OnPlayerLevels(levels, cookie);
    }
    if (target) {
        target->OnPlayerPosition(cookie, units);
    }
}

void LSoundPlayer::StartScrub() {
    std::int32_t units = 0;
    LLevelReport levels;
    {
        std::lock_guard guard(lock);
        if (modeFlags == 0) {
            return;
        }
        if ((modeFlags & kScrub) && (modeFlags & kPaused)) {
            waveOut->Restart();
            modeFlags &= ~kPaused;
            return;
        }
        waveOut->Reset();
        MarkAllEmpty();
        source->Seek(position);
        position = source->GetPosition();
        // The snippet must sound even when the player was paused.
        waveOut->Restart();
        WriteSnippet();
        levels = levelReport;
        modeFlags = kActive | kScrub | kRaisePriority;
        SetFeederPriority(kThreadPriorityLowest);
        reportFlags = 0;
        units = ToUnits(position);
    }
    if (target) {
        if (reportLevels) {
            target->OnPlayerLevels(levels, cookie);
        }
        target->OnPlayerScrubbing(cookie);
        target->OnPlayerPosition(cookie, units);
    }
}

void LSoundPlayer::Resume() {
    {
        std::lock_guard guard(lock);
        if (modeFlags == 0) {
            return;
        }
        if (modeFlags & kScrub) {
            waveOut->BreakLoop();
            SetFeederPriority(kThreadPriorityHighest);
            modeFlags &= ~(kScrub | kRaisePriority);
        }
        if (modeFlags & kPaused) {
            waveOut->Restart();
            modeFlags &= ~kPaused;
        }
    }
    if (target) {
        target->OnPlayerPlaying(cookie);
    }
}
