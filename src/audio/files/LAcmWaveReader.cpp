// Compressed WAV file reader: block-aligned decoding with the end flag at the end of the data,
// the length estimate, and seeking by codec blocks.
#include "audio/files/LAcmWaveReader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <utility>

#include "audio/files/LWaveWriter.h"

LAcmWaveReader::LAcmWaveReader(WaveFileHandle file, const WaveFormatRecord& format,
                               std::uint32_t dataSize)
    : file(std::move(file)), dataSize(dataSize), bytesPerSecond(format.bytesPerSecond) {
    sampleRate = static_cast<std::int32_t>(format.sampleRate);
    channels = static_cast<std::uint8_t>(format.channels);
    peakBound = kPeakBound16Bit;
    const WaveFormatRecord pcm = Pcm16Format(format.sampleRate, format.channels);
    stream = AcmStream::Open(format, pcm);
    if (stream) {
        destinationCapacity = static_cast<std::uint32_t>(pcm.blockAlign) * kWaveBlockFrames;
        sourceCapacity = stream->SourceSizeFor(destinationCapacity);
    }
    if (sourceCapacity == 0) {
        stream.reset();
        flags |= kSoundInvalid;
        return;
    }
    source.resize(sourceCapacity);
    destination.resize(destinationCapacity);
    length = FramesFor(dataSize);
    dataStart = this->file.Tell();
}

void LAcmWaveReader::Read(std::int32_t* buffer, std::int32_t frames) {
    if (frames <= 0) {
        return;
    }
    const std::int32_t first = position;
    position = AdvanceFrames(position, frames);
    if (IsInvalid() || position <= 0) {
        FillSilence(buffer, frames);
        return;
    }
    const std::int32_t frameBytes = 2 * channels;
    // Frames before 0 are silence.
    const std::int32_t lead = std::max(0, -first);
    FillSilence(buffer, lead);
    std::int32_t* out = buffer + std::size_t(lead) * channels;
    std::int64_t needed = std::int64_t{frames - lead} * frameBytes;
    for (;;) {
        const auto take =
            static_cast<std::uint32_t>(std::min<std::int64_t>(produced - taken, needed));
        for (std::uint32_t i = 0; i < take / 2; ++i) {
            out[i] = static_cast<std::int16_t>(LoadLe16(&destination[taken + 2 * i])) * 16;
        }
        out += take / 2;
        taken += take;
        needed -= take;
        if (needed < 2) {
            break;
        }
        produced = taken = 0;
        if (endFlag) {
            std::fill_n(out, needed / 2, 0);
            break;
        }
        const std::uint32_t want = std::min(sourceCapacity - sourceFill, dataSize - compressedRead);
        const auto got = static_cast<std::uint32_t>(file.Read(&source[sourceFill], want));
        sourceFill += got;
        compressedRead += got;
        length = static_cast<std::int32_t>(
            std::clamp<std::int64_t>(std::int64_t{position} - needed / frameBytes +
                                         FramesFor(dataSize - (compressedRead - sourceFill)),
                                     0, std::numeric_limits<std::int32_t>::max()));
        const bool full = sourceFill == sourceCapacity;
        AcmStreamHeader header{source.data(),      sourceFill,          0,
                               destination.data(), destinationCapacity, 0};
        stream->Convert(header, full ? kAcmConvertBlockAlign : kAcmConvertEnd);
        produced = header.destinationLengthUsed;
        if (!full && produced < needed && produced < destinationCapacity) {
            endFlag = 1;
            length = static_cast<std::int32_t>(
                std::max<std::int64_t>(position - (needed - produced) / frameBytes, 0));
        }
        sourceFill -= header.sourceLengthUsed;
        std::memmove(source.data(), source.data() + header.sourceLengthUsed, sourceFill);
    }
}

void LAcmWaveReader::Seek(std::int32_t frame) {
    if (IsInvalid()) {
        return;
    }
    AcmStreamHeader reset{source.data(), 0, 0, destination.data(), 0, 0};
    stream->Convert(reset, kAcmConvertStart);
    sourceFill = produced = taken = 0;
    compressedRead = 0;
    endFlag = 0;
    // Codec blocks decode independently: start at the block that holds the frame.
    const std::uint32_t blockBytes = stream->SourceBlockBytes();
    const std::int32_t blockFrames =
        static_cast<std::int32_t>(stream->DestinationBlockBytes() / (2u * channels));
    if (frame <= 0) {
        file.Seek(dataStart);
    } else {
        const std::int32_t target = std::min(frame, length);
        const std::int64_t block = target / blockFrames;
        const auto offset =
            static_cast<std::uint32_t>(std::min<std::int64_t>(block * blockBytes, dataSize));
        file.Seek(dataStart + offset);
        compressedRead = offset;
        if (frame < length) {
            // At most one block of frames, which the destination buffer holds.
            const std::int32_t residual = frame - static_cast<std::int32_t>(block * blockFrames);
            if (residual > 0) {
                std::vector<std::int32_t> scratch(std::size_t(residual) * channels);
                position = frame - residual;
                Read(scratch.data(), residual);
            }
        } else {
            endFlag = 1;
        }
    }
    position = frame;
}

std::int32_t LAcmWaveReader::GetPosition() {
    return position;
}

std::int32_t LAcmWaveReader::GetLength() {
    return length;
}

std::int32_t LAcmWaveReader::FramesFor(std::uint64_t bytes) const {
    const std::uint64_t frames =
        bytesPerSecond == 0
            ? bytes
            : bytes / bytesPerSecond * static_cast<std::uint64_t>(sampleRate) +
                  bytes % bytesPerSecond * static_cast<std::uint64_t>(sampleRate) / bytesPerSecond;
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(frames, std::numeric_limits<std::int32_t>::max()));
}
