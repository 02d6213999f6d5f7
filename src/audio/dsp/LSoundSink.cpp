// Default behaviour of sinks and of the sink filter base.
#include "audio/dsp/LSoundSink.h"

#include <algorithm>

void LSoundSink::Truncate(std::int32_t) {}

void LSoundSink::SetError(int errorNumber) {
    if (error == 0) {
        error = errorNumber;
    }
}

LSoundSinkFilter::LSoundSinkFilter(const LSoundSinkPtr& downstream) : downstream(downstream) {
    if (downstream) {
        SetError(downstream->error);
    }
    if (downstream && !downstream->IsInvalid()) {
        sampleRate = downstream->sampleRate;
        peakBound = downstream->peakBound;
        channels = std::max<std::uint8_t>(downstream->channels, 1);
    } else {
        sampleRate = 8000;
    }
}

void LSoundSinkFilter::Write(const std::int32_t* buffer, std::int32_t frames) {
    if (frames <= 0 || HasFailed()) {
        return;
    }
    if (downstream) {
        downstream->Write(buffer, frames);
        if (downstream->HasFailed()) {
            SetError(downstream->error);
            position = downstream->position;
            return;
        }
    }
    position += frames;
}

void LSoundSinkFilter::Truncate(std::int32_t frames) {
    if (downstream) {
        downstream->Truncate(frames);
        position = downstream->position;
    } else {
        position = std::clamp(frames, 0, position);
    }
}
