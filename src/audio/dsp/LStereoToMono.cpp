// Down-mix to one channel by keeping the first channel of every frame.
#include "audio/dsp/LStereoToMono.h"

#include <algorithm>

namespace {

constexpr std::int32_t kPieceFrames = 8192;

}  // namespace

LStereoToMono::LStereoToMono(const LSoundSourcePtr& upstream)
    : LSoundFilter(upstream), upstreamChannels(channels) {
    channels = 1;
    if (!IsInvalid()) {
        piece.resize(static_cast<std::size_t>(upstreamChannels) * kPieceFrames);
    }
}

void LStereoToMono::Read(std::int32_t* buffer, std::int32_t frames) {
    if (IsInvalid()) {
        FillSilence(buffer, frames);
        return;
    }
    // A request longer than the piece buffer is served piece by piece rather than overrunning it.
    while (frames > 0) {
        const std::int32_t n = std::min(frames, kPieceFrames);
        upstream->Read(piece.data(), n);
        const std::int32_t* in = piece.data();
        for (std::int32_t f = 0; f < n; ++f, in += upstreamChannels) {
            *buffer++ = *in;
        }
        frames -= n;
    }
}
