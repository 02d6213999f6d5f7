// MPEG audio Layer III file reader.
#include "audio/files/LMp3Reader.h"

#include <algorithm>
#include <cstring>

#include "audio/files/WaveFormat.h"

namespace {

// An ID3v1 tag at the end of the file: "TAG" and 125 bytes of text.
constexpr std::int64_t kTagBytes = 128;
// Bytes searched for a header before the stream is taken to have ended.
constexpr int kHeaderSearchBytes = 1024;
// Headers analysed at opening.
constexpr int kAnalysedHeaders = 8;
// Headers in a row that may differ from the first frame before decoding ends.
constexpr int kAcceptAttempts = 11;
// MPEG frames decoded ahead of a seek target to fill the filterbank history.
constexpr int kPrimingFrames = 4;

std::int32_t ClampFrames(std::int64_t frames) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(frames, 0, INT32_MAX));
}

}  // namespace

LMp3Reader::LMp3Reader(const std::string& fileName) {
    sampleRate = kDefaultSampleRate;
    peakBound = kDefaultPeakBound;
    channels = 1;
    file = WaveFileHandle::OpenForReading(fileName);
    if (file.IsOpen()) {
        // An ID3v1 tag takes the last 128 bytes; without one they are audio like the rest (most
        // encoders write no tag, and the last frame would be lost).
        dataSize = std::max<std::int64_t>(file.Size(), 0);
        char tag[3] = {};
        if (dataSize >= kTagBytes &&
            file.ReadAt(dataSize - kTagBytes, tag, sizeof tag) == sizeof tag &&
            std::memcmp(tag, "TAG", 3) == 0) {
            dataSize -= kTagBytes;
        }
    }
    decoder.Reset();
    if (!file.IsOpen() || !AnalyseStart()) {
        flags |= kSoundInvalid;
        return;
    }
    MoveTo(0);
    length = ClampFrames(std::int64_t{samplesPerFrame} * EstimateFrames(dataSize));
}

bool LMp3Reader::AnalyseStart() {
    MoveTo(0);
    std::int64_t bitrateSum = 0;
    Mp3Header header;
    for (int i = 0; i < kAnalysedHeaders; ++i) {
        if (!FindHeader(header)) {
            return false;
        }
        bitrateSum += header.bitrate;
        const std::int64_t headerStart = dataSize - unread - 4 - (header.crc ? 2 : 0);
        if (i == 0) {
            firstFrameOffset = headerStart;
        }
        // On to where the next header belongs: the end of this frame.
        MoveTo(headerStart + header.FrameBytes());
    }
    first = header;
    sampleRate = header.SampleRate();
    stereo = !header.Mono();
    channels = static_cast<std::uint8_t>(header.Channels());
    samplesPerFrame = header.SamplesPerFrame();
    const std::int64_t averageBitrate = bitrateSum / kAnalysedHeaders;
    averageFrameBytes =
        (header.version == 0 ? 144.0 : 72.0) * static_cast<double>(averageBitrate) / sampleRate;
    return true;
}

std::int32_t LMp3Reader::EstimateFrames(std::int64_t bytes) const {
    return ClampFrames(
        static_cast<std::int64_t>(static_cast<double>(bytes) / averageFrameBytes + 0.9));
}

void LMp3Reader::MoveTo(std::int64_t offset) {
    offset = std::clamp<std::int64_t>(offset, 0, dataSize);
    file.Seek(offset);
    unread = dataSize - offset;
    inputPos = inputFill = 0;
}

int LMp3Reader::Take(std::uint8_t* out, int size) {
    int taken = 0;
    while (taken < size && unread > 0) {
        if (inputPos == inputFill) {
            inputPos = 0;
            inputFill = static_cast<int>(file.Read(input, sizeof input));
            if (inputFill == 0) {
                unread = 0;  // the file shrank
                break;
            }
        }
        const int n =
            static_cast<int>(std::min<std::int64_t>({size - taken, inputFill - inputPos, unread}));
        std::memcpy(out + taken, input + inputPos, n);
        inputPos += n;
        taken += n;
        unread -= n;
    }
    return taken;
}

bool LMp3Reader::FindHeader(Mp3Header& header) {
    std::uint8_t bytes[4];
    if (Take(bytes, 4) < 4) {
        return false;
    }
    for (int shift = 0; !ParseMp3Header(bytes, header); ++shift) {
        if (shift == kHeaderSearchBytes) {
            return false;
        }
        std::memmove(bytes, bytes + 1, 3);
        if (Take(bytes + 3, 1) < 1) {
            return false;
        }
    }
    if (header.crc) {
        std::uint8_t crc[2];
        return Take(crc, 2) == 2;
    }
    return true;
}

bool LMp3Reader::AcceptFrame(Mp3Header& header, int& bodySize) {
    for (int attempt = 0; attempt < kAcceptAttempts; ++attempt) {
        if (!FindHeader(header)) {
            return false;
        }
        if (header.version == first.version && header.sampleIndex == first.sampleIndex &&
            header.Mono() == !stereo) {
            // A frame cut short by the end of the file is not decoded.
            bodySize = header.BodyBytes();
            return Take(body, bodySize) == bodySize;
        }
    }
    return false;
}

LMp3Reader::FrameResult LMp3Reader::NextFrame(std::int32_t* out) {
    Mp3Header header;
    int bodySize = 0;
    if (ended || !AcceptFrame(header, bodySize)) {
        ended = true;
        length = std::min(length, streamFrame);
        return FrameResult::ended;
    }
    return decoder.Decode(header, body, bodySize, out) ? FrameResult::decoded
                                                       : FrameResult::dropped;
}

void LMp3Reader::Advance() {
    streamFrame = ClampFrames(std::int64_t{streamFrame} + samplesPerFrame);
    length = ClampFrames(std::int64_t{streamFrame} +
                         std::int64_t{samplesPerFrame} * EstimateFrames(unread));
}

bool LMp3Reader::DecodeFrame(std::int32_t* out) {
    for (;;) {
        switch (NextFrame(out)) {
            case FrameResult::decoded:
                Advance();
                return true;
            case FrameResult::dropped:
                continue;
            case FrameResult::ended:
                return false;
        }
    }
}

void LMp3Reader::CopyDecoded(std::int32_t*& out, std::int32_t& frames) {
    const std::int32_t n = std::min(frames, decodedFrames - readOffset);
    std::copy_n(decoded + std::size_t(readOffset) * channels, std::size_t(n) * channels, out);
    readOffset += n;
    out += std::size_t(n) * channels;
    frames -= n;
}

void LMp3Reader::Read(std::int32_t* buffer, std::int32_t frames) {
    if (frames <= 0) {
        return;
    }
    const std::int32_t start = position;
    position = AdvanceFrames(position, frames);
    if (IsInvalid() || position <= 0) {
        FillSilence(buffer, frames);
        return;
    }
    const std::int32_t lead = std::max(0, -start);
    FillSilence(buffer, lead);
    std::int32_t* out = buffer + std::size_t(lead) * channels;
    std::int32_t needed = frames - lead;
    CopyDecoded(out, needed);
    while (needed > 0) {
        if (needed >= samplesPerFrame) {
            // A whole MPEG frame fits: straight into the caller's buffer.
            if (!DecodeFrame(out)) {
                break;
            }
            out += std::size_t(samplesPerFrame) * channels;
            needed -= samplesPerFrame;
        } else {
            if (!DecodeFrame(decoded)) {
                break;
            }
            decodedFrames = samplesPerFrame;
            readOffset = 0;
            CopyDecoded(out, needed);
        }
    }
    FillSilence(out, needed);
}

void LMp3Reader::Seek(std::int32_t frame) {
    position = frame;
    if (IsInvalid()) {
        return;
    }
    const std::int32_t target = std::clamp(frame, 0, length);
    const std::int32_t mpegFrame = target / samplesPerFrame;
    const std::int32_t priming = std::min(mpegFrame, kPrimingFrames);
    const std::int32_t startFrame = mpegFrame - priming;
    // The estimate starts from the first frame (after any tag before it) and half a frame early,
    // so that rounding and padding never put it inside the frame wanted, which would decode the
    // frame after it instead.
    const double estimate = firstFrameOffset + (startFrame - 0.5) * averageFrameBytes;
    MoveTo(startFrame > 0 ? static_cast<std::int64_t>(estimate) : 0);
    ended = false;
    streamFrame = startFrame * samplesPerFrame;
    decoder.ResetFilterbank();
    decodedFrames = readOffset = 0;
    // A priming frame counts whether it decodes or not: the first ones after the move usually
    // reach back into main data that was not read.
    for (std::int32_t i = 0; i < priming; ++i) {
        if (NextFrame(decoded) == FrameResult::ended) {
            return;
        }
        Advance();
    }
    if (DecodeFrame(decoded)) {
        decodedFrames = samplesPerFrame;
        readOffset = target - mpegFrame * samplesPerFrame;
    }
}

std::int32_t LMp3Reader::GetPosition() {
    return position;
}

std::int32_t LMp3Reader::GetLength() {
    return length;
}

LSoundSourcePtr OpenMp3File(const std::string& fileName) {
    return MakeCounted<LMp3Reader>(fileName);
}
