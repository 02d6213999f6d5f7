// The waveform reader: a worker thread that fills a waveform view's columns from a source, so
// that the view never waits for the file.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "audio/dsp/LSoundSource.h"
#include "base/LWorkerThread.h"

class LWaveView;

// Frames read at once while a column is measured.
inline constexpr std::int32_t kWaveReadFrames = 8192;

// The stored value of a column whose largest magnitude is `peak`: 1,024 per step, at most 255.
std::uint8_t WaveColumnPeak(std::int32_t peak);

class LWaveViewReader : public LWorkerThread {
public:
    LWaveViewReader() = default;
    ~LWaveViewReader() override;

    // Stops any earlier run, keeps a reference to `source`, enables the view's window and starts
    // the thread at the lowest priority. `view` must outlive the run.
    void Start(const LSoundSourcePtr& source, LWaveView* view);
    // Asks for the view of `frames` frames from `start`; the latest request wins.
    void Request(std::int32_t start, std::int32_t frames);
    // Has the columns from `frame` on read again, for a file that changed there (a recording
    // that grew or was cut back). Refreshes asked for before the thread came to them add up.
    void Refresh(std::int32_t frame);
    // Stops the thread (waiting up to kStopThreadTimeoutMs), releases the source and the buffer
    // and disables the window.
    void Stop();

    // Whether the thread has finished the latest request and waits for the next.
    bool IsIdle() const;
    // Returns once IsIdle holds: a hand-off for tests and measurements.
    void AwaitIdle() const;

protected:
    void Run(const LStopEvent& stop) override;

private:
    struct ViewRequest {
        std::int32_t start = 0;
        std::int32_t frames = 0;
        bool operator==(const ViewRequest&) const = default;
    };
    struct Job {
        ViewRequest view;
        std::optional<std::int32_t> refreshFrom;
    };
    // Waits for a request that differs from the last one completed, or for a refresh; empty
    // when stopping.
    std::optional<Job> NextJob();
    // Moves the view and refills the columns it uncovered and those refreshed; false when
    // stopped halfway.
    bool Fill(const Job& job, const LStopEvent& stop);
    // Largest magnitude of the source's frames up to `end`, read in pieces.
    std::int32_t ReadPeak(std::int32_t end);
    bool IsIdleLocked() const;

    LSoundSourcePtr source;
    LWaveView* view = nullptr;
    std::vector<std::int32_t> buffer;

    mutable std::mutex requestLock;
    mutable std::condition_variable requestSignal;  // the request event, and idle for watchers
    std::optional<ViewRequest> requested;
    bool requestSet = false;
    std::optional<ViewRequest> completed;
    std::optional<std::int32_t> refreshFrom;
    bool waiting = false;
    bool stopping = false;
};
