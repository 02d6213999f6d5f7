// Plays an audio source on a wave output device from a feeding thread.
#include "audio/devices/LSoundPlayer.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <vector>

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

struct LSoundPlayer::Play {
    struct Record {
        std::vector<std::int16_t> memory;
        WaveHeader header;
        LLevelReport levels;
    };

    // The feeding loop (the thread's whole work).
    void Feed(const LStopEvent& stop);
    // Posts a report to the owner's thread, unless the owner has let go of the play.
    void Post();
    void Disown();
    void MeasureLevels(const std::int32_t* samples, std::int32_t frames, LLevelReport& report);
    void MarkAllEmpty();
    void WriteSnippet();
    std::int32_t ToUnits(std::int32_t frames) const {
        return FramesToTime(frames, source->sampleRate);
    }

    // Set up by Start before the thread runs; the thread only reads them.
    LSoundSourcePtr source;
    std::unique_ptr<WaveOut> waveOut;
    std::int32_t blockFrames = 0;
    std::uint8_t channels = 0;
    bool reportLevels = false;
    DeviceClock::PacedThread pacing;  // the thread's, until it ends
    std::promise<void> taken;         // the thread holds its share

    std::mutex lock;  // the ring, the flags, the position and source reads
    std::vector<std::unique_ptr<Record>> records;
    std::vector<std::int32_t> work;
    std::vector<std::int32_t> channelScratch;
    std::uint8_t nextBuffer = 0;
    std::int32_t position = 0;
    std::uint16_t modeFlags = 0;
    std::uint16_t reportFlags = 0;
    LLevelReport levelReport;

    // Set by Stop before it stops the thread, which may be waiting on the buffer event.
    std::atomic<bool> stopping{false};
    std::atomic<int> feederThreadId{0};

    std::mutex postLock;           // held only while a report is posted
    std::function<void()> report;  // posts to the owner; empty once it let go
};

void LSoundPlayer::Play::Post() {
    std::lock_guard guard(postLock);
    if (report) {
        report();
    }
}

void LSoundPlayer::Play::Disown() {
    std::lock_guard guard(postLock);
    report = nullptr;
}

LSoundPlayer::LSoundPlayer() : inbox(std::make_unique<QObject>()) {}

LSoundPlayer::~LSoundPlayer() {
    Stop();
}

bool LSoundPlayer::IsActive() const {
    return play != nullptr;
}

std::int32_t LSoundPlayer::GetPositionFrames() const {
    if (!play) {
        return 0;
    }
    std::lock_guard guard(play->lock);
    return play->position;
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

    auto next = std::make_shared<Play>();
    next->blockFrames = std::clamp(head->sampleRate / 10, 20, 8192);
    next->channels = head->channels;
    next->reportLevels = reportLevels;
    std::size_t values = static_cast<std::size_t>(next->blockFrames) * next->channels;
    next->work.assign(values, 0);
    next->channelScratch.assign(static_cast<std::size_t>(next->blockFrames), 0);
    for (int i = 0; i < kRecordCount; ++i) {
        auto record = std::make_unique<Play::Record>();
        record->memory.assign(values, 0);
        record->header.data = reinterpret_cast<char*>(record->memory.data());
        record->header.bufferLength = static_cast<std::uint32_t>(values * 2);
        record->header.flags = kWaveHeaderDone;  // free
        record->header.user = kEmpty;
        next->records.push_back(std::move(record));
    }
    next->modeFlags = kActive | kRaisePriority;
    if (options & kPlayerStartPaused) {
        out->Pause();
        next->modeFlags |= kPaused;
    } else if (options & kPlayerPrefill) {
        out->Pause();
        next->modeFlags |= kRestartAt42 | kComplete;
    }
    next->position = head->GetPosition();
    next->source = std::move(head);
    next->pacing = out->Clock().PaceThread();
    next->waveOut = std::move(out);
    next->report = [this, weak = std::weak_ptr<Play>(next)] {
        QMetaObject::invokeMethod(
            inbox.get(),
            [this, weak] {
                if (std::shared_ptr<Play> from = weak.lock()) {
                    OnReport(from);
                }
            },
            Qt::QueuedConnection);
    };
    std::future<void> taken = next->taken.get_future();
    play = next;
    StartThread(kThreadPriorityLowest);
    // The new thread reads `play` once, before anything else; a thread that was not made never
    // waits on the clock.
    if (IsThreadRunning()) {
        taken.wait();
    } else {
        next->pacing.reset();
    }
    if (target) {
        if (options & kPlayerStartPaused) {
            target->OnPlayerPaused(cookie);
        } else {
            target->OnPlayerPlaying(cookie);
        }
        target->OnPlayerPosition(cookie, next->ToUnits(next->position));
    }
    return true;
}

void LSoundPlayer::Play::MeasureLevels(const std::int32_t* samples, std::int32_t frames,
                                       LLevelReport& into) {
    into.channels = channels;
    for (std::uint8_t c = 0; c < channels; ++c) {
        for (std::int32_t f = 0; f < frames; ++f) {
            channelScratch[static_cast<std::size_t>(f)] =
                samples[static_cast<std::size_t>(f) * channels + c];
        }
        into.level[c] = BlockLevel(channelScratch.data(), static_cast<std::size_t>(frames));
    }
}

void LSoundPlayer::SetFeederPriority(int priority) {
    if (int id = play->feederThreadId.load(); id != 0 && IsThreadRunning()) {
        SetThreadPriority(id, priority);
    }
}

void LSoundPlayer::Run(const LStopEvent& stop) {
    // The thread's share of the play, taken while Start waits for it: from here on the thread
    // never touches the player, which may be gone once Stop has given up on the thread.
    std::shared_ptr<Play> mine = play;
    mine->taken.set_value();
    mine->Feed(stop);
}

void LSoundPlayer::Play::Feed(const LStopEvent& stop) {
    DeviceClock::PacedThread paced = std::move(pacing);
    feederThreadId = static_cast<int>(::gettid());
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
                Post();
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
            Post();
        }
        std::int32_t remaining = source->GetLength() - source->GetPosition();
        bool write = true;
        if (remaining < 16 * blockFrames) {
            if (remaining <= 0) {
                write = false;
                if (std::all_of(records.begin(), records.end(),
                                [](const auto& r) { return r->header.IsDone(); })) {
                    reportFlags |= kReportFinished;
                    Post();
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

void LSoundPlayer::OnReport(const std::shared_ptr<Play>& from) {
    if (from != play) {
        return;  // a report that was on its way when its play stopped
    }
    std::unique_lock guard(from->lock);
    if (from->reportFlags & kReportFinished) {
        std::int32_t end = from->ToUnits(from->source->GetLength());
        guard.unlock();
        if (target) {
            target->OnPlayerPosition(cookie, end);
        }
        // Hearing of the end, the owner may have started the next play: that one goes on.
        if (play == from) {
            Stop();
        }
        return;
    }
    bool sendPosition = (from->reportFlags & kReportPosition) != 0;
    bool sendLevels = (from->reportFlags & kReportLevels) != 0 && reportLevels;
    from->reportFlags &= ~(kReportPosition | kReportLevels);
    std::int32_t units = from->ToUnits(from->position);
    LLevelReport levels = from->levelReport;
    guard.unlock();
    if (target && sendPosition) {
        target->OnPlayerPosition(cookie, units);
    }
    if (target && sendLevels) {
        target->OnPlayerLevels(levels, cookie);
    }
}

void LSoundPlayer::Stop() {
    if (!play) {
        return;
    }
    std::shared_ptr<Play> ending = play;
    ending->stopping = true;
    ending->waveOut->SetEvent();
    StopThread(kStopThreadTimeoutMs);
    play.reset();
    // The device is silenced now; a thread left behind may still hold the play, which then goes
    // when it ends. It reports nothing more.
    ending->waveOut->Reset();
    ending->Disown();
    if (target) {
        target->OnPlayerStopped(cookie);
    }
}

void LSoundPlayer::Play::MarkAllEmpty() {
    for (auto& record : records) {
        record->header.flags.fetch_or(kWaveHeaderDone);
        record->header.user = kEmpty;
    }
}

void LSoundPlayer::Play::WriteSnippet() {
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
    if (!play) {
        return;
    }
    std::int32_t units = 0;
    LLevelReport levels;
    bool scrub = false;
    {
        std::lock_guard guard(play->lock);
        play->waveOut->Reset();
        play->MarkAllEmpty();
        play->source->Seek(frame);
        play->position = play->source->GetPosition();
        if (play->modeFlags & kPaused) {
            play->waveOut->Pause();
        }
        scrub = (play->modeFlags & kScrub) != 0;
        if (scrub) {
            play->WriteSnippet();
            levels = play->levelReport;
        } else {
            play->nextBuffer = 0;
        }
        SetFeederPriority(kThreadPriorityLowest);
        play->modeFlags |= kRaisePriority;
        play->reportFlags = 0;
        units = play->ToUnits(play->position);
    }
    if (target && scrub && reportLevels) {
        target->OnPlayerLevels(levels, cookie);
    }
    if (target) {
        target->OnPlayerPosition(cookie, units);
    }
}

void LSoundPlayer::StartScrub() {
    if (!play) {
        return;
    }
    std::int32_t units = 0;
    LLevelReport levels;
    {
        std::lock_guard guard(play->lock);
        if ((play->modeFlags & kScrub) && (play->modeFlags & kPaused)) {
            play->waveOut->Restart();
            play->modeFlags &= ~kPaused;
            return;
        }
        play->waveOut->Reset();
        play->MarkAllEmpty();
        play->source->Seek(play->position);
        play->position = play->source->GetPosition();
        // The snippet must sound even when the player was paused.
        play->waveOut->Restart();
        play->WriteSnippet();
        levels = play->levelReport;
        play->modeFlags = kActive | kScrub | kRaisePriority;
        SetFeederPriority(kThreadPriorityLowest);
        play->reportFlags = 0;
        units = play->ToUnits(play->position);
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
    if (!play) {
        return;
    }
    {
        std::lock_guard guard(play->lock);
        if (play->modeFlags & kScrub) {
            play->waveOut->BreakLoop();
            SetFeederPriority(kThreadPriorityHighest);
            play->modeFlags &= ~(kScrub | kRaisePriority);
        }
        if (play->modeFlags & kPaused) {
            play->waveOut->Restart();
            play->modeFlags &= ~kPaused;
        }
    }
    if (target) {
        target->OnPlayerPlaying(cookie);
    }
}
