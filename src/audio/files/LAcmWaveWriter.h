// Compressed WAV file writer: 16-bit PCM passed through a codec stream.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/dsp/LSoundSink.h"
#include "audio/files/AcmStream.h"
#include "audio/files/WaveFileHandle.h"
#include "audio/files/WaveFormat.h"

// Writes any format our codec layer can produce from 16-bit PCM. The header (RIFF, the format
// record as given, "data") carries a data size of 0 until the last reference goes. A format
// that cannot be encoded makes the writer invalid: Write only counts frames and a header-only
// file remains. A write that fails (a full disk) ends the writing: the file keeps the whole
// blocks that reached it, `position` counts their frames, and the header states them at once.
class LAcmWaveWriter : public LSoundSink {
public:
    LAcmWaveWriter(const std::string& fileName, const WaveFormatRecord& format);
    // Converts what is left with the end flag, writes the final sizes and closes the file.
    ~LAcmWaveWriter() override;

    // Any number of frames.
    void Write(const std::int32_t* buffer, std::int32_t frames) override;

private:
    void WriteHeader();
    // Converts the source buffer with `flags`, writes what came out and keeps what was not
    // consumed at the front.
    void ConvertAndWrite(unsigned flags);
    // After a failed write: keeps the whole blocks that reached the file and states them.
    void StopAtFailedWrite();
    std::int64_t DataOffset() const;

    WaveFileHandle file;
    WaveFormatRecord format;
    std::unique_ptr<AcmStream> stream;
    AcmStreamHeader streamHeader;
    std::vector<std::uint8_t> source;
    std::vector<std::uint8_t> destination;
    std::uint32_t sourceCapacity = 0;
    std::uint32_t destinationCapacity = 0;
    std::uint32_t sourceFill = 0;
    std::uint32_t compressedBytes = 0;
};
