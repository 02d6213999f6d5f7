// Compressed WAV file writer: block-aligned conversion in 8,192-frame source buffers.
#include "audio/files/LAcmWaveWriter.h"

#include <algorithm>
#include <cstring>

#include "audio/files/LWaveWriter.h"

LAcmWaveWriter::LAcmWaveWriter(const std::string& fileName, const WaveFormatRecord& format)
    : format(format) {
    sampleRate = static_cast<std::int32_t>(format.sampleRate);
    channels = static_cast<std::uint8_t>(std::max<std::uint16_t>(format.channels, 1));
    peakBound = kPeakBound16Bit;
    file = WaveFileHandle::OpenForWriting(fileName, true);
    if (!file.IsOpen()) {
        SetError(LastFileError());
        flags |= kSoundInvalid;
        return;
    }
    const WaveFormatRecord pcm =
        Pcm16Format(format.sampleRate, std::max<std::uint16_t>(format.channels, 1));
    if (format.channels <= 255 && format.sampleRate >= 1 && format.sampleRate <= 0x7FFFFFFF) {
        stream = AcmStream::Open(pcm, format);
    }
    if (stream) {
        sourceCapacity = static_cast<std::uint32_t>(pcm.blockAlign) * kWaveBlockFrames;
        destinationCapacity = stream->DestinationSizeFor(sourceCapacity);
    }
    if (destinationCapacity == 0) {
        stream.reset();
        flags |= kSoundInvalid;
    } else {
        source.resize(sourceCapacity);
        destination.resize(destinationCapacity);
    }
    WriteHeader();
}

LAcmWaveWriter::~LAcmWaveWriter() {
    if (stream && !HasFailed()) {
        ConvertAndWrite(kAcmConvertEnd);
    }
    if (file.IsOpen()) {
        WriteHeader();
    }
}

void LAcmWaveWriter::Write(const std::int32_t* buffer, std::int32_t frames) {
    if (frames <= 0) {
        return;
    }
    if (IsInvalid()) {
        position = AdvanceFrames(position, frames);
        return;
    }
    if (HasFailed()) {
        return;
    }
    position = AdvanceFrames(position, frames);
    std::size_t remaining = static_cast<std::size_t>(frames) * channels;
    while (remaining > 0 && !HasFailed()) {
        const std::size_t n = std::min<std::size_t>(remaining, (sourceCapacity - sourceFill) / 2);
        std::uint8_t* out = source.data() + sourceFill;
        for (std::size_t i = 0; i < n; ++i) {
            auto x = static_cast<std::int32_t>(static_cast<std::uint32_t>(buffer[i]) + 8);
            StoreLe16(out + 2 * i, static_cast<std::uint16_t>(x >> 4));
        }
        buffer += n;
        remaining -= n;
        sourceFill += static_cast<std::uint32_t>(2 * n);
        ConvertAndWrite(kAcmConvertBlockAlign);
    }
}

void LAcmWaveWriter::ConvertAndWrite(unsigned convertFlags) {
    streamHeader = {source.data(), sourceFill, 0, destination.data(), destinationCapacity, 0};
    stream->Convert(streamHeader, convertFlags);
    if (streamHeader.destinationLengthUsed > 0) {
        if (!file.Write(destination.data(), streamHeader.destinationLengthUsed)) {
            StopAtFailedWrite();
            return;
        }
        compressedBytes += streamHeader.destinationLengthUsed;
    }
    sourceFill -= streamHeader.sourceLengthUsed;
    std::memmove(source.data(), source.data() + streamHeader.sourceLengthUsed, sourceFill);
}

void LAcmWaveWriter::StopAtFailedWrite() {
    SetError(LastFileError());
    // The file position has moved on by what reached the file; a part of a block is cut off.
    const std::int64_t written = std::max<std::int64_t>(file.Tell() - DataOffset(), 0);
    const std::int64_t blocks = written / stream->DestinationBlockBytes();
    compressedBytes = static_cast<std::uint32_t>(blocks * stream->DestinationBlockBytes());
    position = static_cast<std::int32_t>(
        std::min<std::int64_t>(blocks * stream->SourceBlockBytes() / (2 * channels), INT32_MAX));
    sourceFill = 0;
    file.EndAt(DataOffset() + compressedBytes);
    WriteHeader();
}

std::int64_t LAcmWaveWriter::DataOffset() const {
    return kWaveHeaderSize + static_cast<std::int64_t>(format.extra.size());
}

void LAcmWaveWriter::WriteHeader() {
    const std::vector<std::uint8_t> record = format.Serialize();
    const auto recordSize = static_cast<std::uint32_t>(record.size());
    std::vector<std::uint8_t> header(20 + record.size() + 8);
    std::copy_n("RIFF", 4, header.data());
    StoreLe32(&header[4], 38 + static_cast<std::uint32_t>(format.extra.size()) + compressedBytes);
    std::copy_n("WAVEfmt ", 8, &header[8]);
    StoreLe32(&header[16], recordSize);
    std::copy(record.begin(), record.end(), header.begin() + 20);
    std::copy_n("data", 4, &header[20 + recordSize]);
    StoreLe32(&header[24 + recordSize], compressedBytes);
    if (!file.WriteAt(0, header.data(), header.size())) {
        SetError(LastFileError());
    }
    if (file.Tell() < static_cast<std::int64_t>(header.size())) {
        file.Seek(static_cast<std::int64_t>(header.size()));
    }
}
