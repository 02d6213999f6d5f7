// The waveform reader.
#include "controls/LWaveViewReader.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "audio/dsp/SoundLevel.h"
#include "controls/LWaveView.h"

std::uint8_t WaveColumnPeak(std::int32_t peak) {
    return static_cast<std::uint8_t>(std::min(peak >> 10, 255));
}

LWaveViewReader::~LWaveViewReader() {
    Stop();
}

void LWaveViewReader::Start(const LSoundSourcePtr& newSource, LWaveView* newView) {
    Stop();
    if (!newSource || newView == nullptr) {
        return;
    }
    buffer.assign(static_cast<std::size_t>(newSource->channels) * kWaveReadFrames, 0);
    source = newSource;
    view = newView;
    {
        std::lock_guard guard(requestLock);
        completed.reset();
        refreshFrom.reset();
        stopping = false;
    }
    view->EnableWindow(true);
    StartThread(kThreadPriorityLowest);
}

void LWaveViewReader::Request(std::int32_t start, std::int32_t frames) {
    {
        std::lock_guard guard(requestLock);
        requested = ViewRequest{start, frames};
        requestSet = true;
    }
    requestSignal.notify_all();
}

void LWaveViewReader::Refresh(std::int32_t frame) {
    {
        std::lock_guard guard(requestLock);
        refreshFrom = std::min(refreshFrom.value_or(frame), frame);
        requestSet = true;
    }
    requestSignal.notify_all();
}

void LWaveViewReader::Stop() {
    {
        std::lock_guard guard(requestLock);
        stopping = true;
    }
    requestSignal.notify_all();
    StopThread(kStopThreadTimeoutMs);
    source.Release();
    buffer = {};
    if (view != nullptr) {
        view->EnableWindow(false);
        view = nullptr;
    }
}

bool LWaveViewReader::IsIdle() const {
    std::lock_guard guard(requestLock);
    return IsIdleLocked();
}

void LWaveViewReader::AwaitIdle() const {
    std::unique_lock guard(requestLock);
    requestSignal.wait(guard, [this] { return IsIdleLocked(); });
}

bool LWaveViewReader::IsIdleLocked() const {
    return waiting && !requestSet;
}

std::optional<LWaveViewReader::Job> LWaveViewReader::NextJob() {
    std::unique_lock guard(requestLock);
    while (!stopping) {
        requestSet = false;
        if (requested && (requested != completed || refreshFrom)) {
            return Job{*requested, std::exchange(refreshFrom, std::nullopt)};
        }
        waiting = true;
        requestSignal.notify_all();
        requestSignal.wait(guard, [this] { return requestSet || stopping; });
        waiting = false;
    }
    return std::nullopt;
}

void LWaveViewReader::Run(const LStopEvent& stop) {
    while (!stop.IsSet()) {
        std::optional<Job> job = NextJob();
        if (!job || !Fill(*job, stop)) {
            return;
        }
        std::lock_guard guard(requestLock);
        completed = job->view;
    }
}

bool LWaveViewReader::Fill(const Job& job, const LStopEvent& stop) {
    const ViewRequest& request = job.view;
    LWaveColumnRange range = view->SetView(request.start, request.frames);
    if (job.refreshFrom) {
        // Left of the view counts as column -1, right of it as the width: the view's end.
        const int refreshed = view->FrameToColumn(*job.refreshFrom);
        const int width = view->FrameToColumn(static_cast<std::int32_t>(
            std::min<std::int64_t>(std::int64_t{request.start} + request.frames,
                                   std::numeric_limits<std::int32_t>::max())));
        range.first = range.first < range.last ? std::min(range.first, refreshed) : refreshed;
        range.last = std::max(range.last, width);
    }
    const int last = std::min(range.last, LWaveViewState::kMaxColumns);
    const int first = std::max(range.first, 0);
    if (first >= last) {
        return true;
    }
    source->Seek(view->ColumnToFrame(first));
    for (int column = first; column < last; ++column) {
        view->SetColumn(column, WaveColumnPeak(ReadPeak(view->ColumnToFrame(column + 1))));
        if (stop.IsSet()) {
            return false;
        }
    }
    return true;
}

std::int32_t LWaveViewReader::ReadPeak(std::int32_t end) {
    std::int32_t peak = 0;
    for (std::int32_t frames = end - source->GetPosition(); frames > 0;
         frames = end - source->GetPosition()) {
        std::int32_t piece = std::min(frames, kWaveReadFrames);
        source->Read(buffer.data(), piece);
        peak = std::max(peak, BlockPeak(buffer.data(), static_cast<std::size_t>(source->channels) *
                                                           static_cast<std::size_t>(piece)));
    }
    return peak;
}
