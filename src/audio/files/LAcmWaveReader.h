// Compressed WAV file reader: the data chunk decoded to 16-bit PCM through a codec stream.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/dsp/LSoundSource.h"
#include "audio/files/AcmStream.h"
#include "audio/files/WaveFileHandle.h"
#include "audio/files/WaveFormat.h"

// Decodes any format our codec layer reads. The length starts as an estimate from the data size
// and the byte rate, is refined as decoding goes on and becomes exact at the end of the data.
// Seeking lands on the codec block that holds the frame and decodes and drops the frames before
// it. A format that cannot be decoded makes the reader invalid: it reads silence.
class LAcmWaveReader : public LSoundSource {
public:
    // `file` is positioned at the first data byte of a data chunk of `dataSize` bytes.
    LAcmWaveReader(WaveFileHandle file, const WaveFormatRecord& format, std::uint32_t dataSize);

    // Any number of frames, always fully written.
    void Read(std::int32_t* buffer, std::int32_t frames) override;
    void Seek(std::int32_t frame) override;
    std::int32_t GetPosition() override;
    std::int32_t GetLength() override;

private:
    // Frames for `bytes` of compressed data at the file's byte rate (bytes themselves when the
    // rate is 0), at most the largest frame count.
    std::int32_t FramesFor(std::uint64_t bytes) const;

    WaveFileHandle file;
    std::uint32_t dataSize;
    std::uint32_t compressedRead = 0;
    std::int64_t dataStart = 0;
    std::unique_ptr<AcmStream> stream;
    std::vector<std::uint8_t> source;
    std::vector<std::uint8_t> destination;
    std::uint32_t sourceCapacity = 0;
    std::uint32_t destinationCapacity = 0;
    std::uint32_t sourceFill = 0;
    // Decoded bytes in the destination buffer, and how many of them have been handed out.
    std::uint32_t produced = 0;
    std::uint32_t taken = 0;
    std::uint32_t bytesPerSecond;
    std::uint8_t endFlag = 0;
    std::int32_t position = 0;
    std::int32_t length = 0;
};
