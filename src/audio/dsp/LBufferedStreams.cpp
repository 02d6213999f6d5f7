// Large-block buffering around sources and sinks.
#include "audio/dsp/LBufferedStreams.h"

#include <algorithm>

LReadAheadFilter::LReadAheadFilter(const LSoundSourcePtr& upstream, std::int32_t blockFrames)
    : LSoundFilter(upstream),
      blockFrames(std::max(blockFrames, 1)),
      block(static_cast<std::size_t>(this->blockFrames) * channels) {}

void LReadAheadFilter::Read(std::int32_t* buffer, std::int32_t frames) {
    while (frames > 0) {
        if (held == 0) {
            ReadUpstream(block.data(), blockFrames);
            held = blockFrames;
        }
        const std::int32_t n = std::min(frames, held);
        const std::size_t from = static_cast<std::size_t>(blockFrames - held) * channels;
        const std::size_t count = static_cast<std::size_t>(n) * channels;
        std::copy_n(block.begin() + static_cast<std::ptrdiff_t>(from), count, buffer);
        buffer += count;
        frames -= n;
        held -= n;
    }
}

void LReadAheadFilter::Seek(std::int32_t frame) {
    LSoundFilter::Seek(frame);
    held = 0;
}

std::int32_t LReadAheadFilter::GetPosition() {
    return LSoundFilter::GetPosition() - held;
}

LWriteBehindSink::LWriteBehindSink(const LSoundSinkPtr& downstream, std::int32_t blockFrames)
    : LSoundSinkFilter(downstream),
      blockFrames(std::max(blockFrames, 1)),
      block(static_cast<std::size_t>(this->blockFrames) * channels) {}

LWriteBehindSink::~LWriteBehindSink() {
    Pass();
}

void LWriteBehindSink::Write(const std::int32_t* buffer, std::int32_t frames) {
    if (frames <= 0) {
        return;
    }
    position += frames;
    while (frames > 0) {
        const std::int32_t n = std::min(frames, blockFrames - held);
        const std::size_t count = static_cast<std::size_t>(n) * channels;
        std::copy_n(buffer, count, block.begin() + static_cast<std::ptrdiff_t>(held) * channels);
        buffer += count;
        frames -= n;
        held += n;
        if (held == blockFrames) {
            Pass();
        }
    }
}

void LWriteBehindSink::Truncate(std::int32_t frames) {
    Pass();
    LSoundSinkFilter::Truncate(frames);
}

void LWriteBehindSink::Pass() {
    if (held > 0 && downstream) {
        downstream->Write(block.data(), held);
    }
    held = 0;
}
