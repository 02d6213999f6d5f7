// Default behaviour of sources and of the filter base.
#include "audio/dsp/LSoundSource.h"

#include <algorithm>
#include <cstddef>

void LSoundSource::Read(std::int32_t* buffer, std::int32_t frames) {
    FillSilence(buffer, frames);
}

void LSoundSource::Seek(std::int32_t) {}

std::int32_t LSoundSource::GetPosition() {
    return 0;
}

std::int32_t LSoundSource::GetLength() {
    return 0;
}

void LSoundSource::FillSilence(std::int32_t* buffer, std::int32_t frames) const {
    if (frames > 0) {
        std::fill_n(buffer, static_cast<std::size_t>(frames) * channels, 0);
    }
}

LSoundFilter::LSoundFilter(const LSoundSourcePtr& upstream) : upstream(upstream) {
    if (upstream) {
        sampleRate = upstream->sampleRate;
        peakBound = upstream->peakBound;
        channels = upstream->channels;
    }
    if (!upstream || upstream->IsInvalid()) {
        flags |= kSoundInvalid;
    }
    if (sampleRate < 1) {
        sampleRate = kDefaultSampleRate;
        flags |= kSoundInvalid;
    }
    if (channels == 0) {
        channels = 1;
        flags |= kSoundInvalid;
    }
}

void LSoundFilter::Read(std::int32_t* buffer, std::int32_t frames) {
    ReadUpstream(buffer, frames);
}

void LSoundFilter::Seek(std::int32_t frame) {
    if (upstream) {
        upstream->Seek(frame);
    }
}

std::int32_t LSoundFilter::GetPosition() {
    return upstream ? upstream->GetPosition() : 0;
}

std::int32_t LSoundFilter::GetLength() {
    return upstream ? upstream->GetLength() : 0;
}

void LSoundFilter::ReadUpstream(std::int32_t* buffer, std::int32_t frames) {
    // A valid filter always has a valid upstream with its own channel count.
    if (!IsInvalid()) {
        upstream->Read(buffer, frames);
    } else {
        FillSilence(buffer, frames);
    }
}
