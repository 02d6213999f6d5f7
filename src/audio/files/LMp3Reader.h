// MPEG audio Layer III file reader: the stream layer (file, resynchronisation, length, seeking)
// over the frame decoder.
#pragma once

#include <cstdint>
#include <string>

#include "audio/dsp/LSoundSource.h"
#include "audio/files/Mp3FrameDecoder.h"
#include "audio/files/WaveFileHandle.h"

// Decodes an MPEG-1, MPEG-2 or MPEG-2.5 Layer III file to 1 channel (single-channel streams)
// or 2, at the stream's rate, 1.0 = 262,144. The reader is invalid when the file cannot be
// opened or 8 frame headers in a row cannot be found at its start (another layer, free format,
// no MPEG audio within the first 1,024 bytes). Every later frame must have the first frame's
// version, rate and channel mode; decoding ends after 11 headers in a row that do not, at a gap
// of more than 1,024 bytes without a header, at a frame cut short, or at the end of the file
// (before its ID3v1 tag if it has one). The length is an estimate from the average frame size,
// refined as decoding goes and exact once it reaches the end.
class LMp3Reader : public LSoundSource {
public:
    explicit LMp3Reader(const std::string& fileName);

    // Any number of frames, always fully written; zeros before frame 0 and after the end.
    void Read(std::int32_t* buffer, std::int32_t frames) override;
    // Decodes from a few MPEG frames before the target so that the filterbank has its history;
    // the position is exact within the estimate of where MPEG frames lie in the file.
    void Seek(std::int32_t frame) override;
    std::int32_t GetPosition() override;
    std::int32_t GetLength() override;

private:
    // Analyses the first 8 frame headers; false when they are not there.
    bool AnalyseStart();
    // Takes up to `size` of the data bytes still unread; returns how many it took.
    int Take(std::uint8_t* out, int size);
    // Moves to a byte offset within the data.
    void MoveTo(std::int64_t offset);
    // Finds the next header within 1,024 bytes and skips its CRC.
    bool FindHeader(Mp3Header& header);
    // Finds the next frame matching the first frame and reads its body.
    bool AcceptFrame(Mp3Header& header, int& bodySize);
    enum class FrameResult { decoded, dropped, ended };
    // Accepts the next frame and decodes it into `out`.
    FrameResult NextFrame(std::int32_t* out);
    // Counts one MPEG frame of audio and refines the length estimate.
    void Advance();
    // Decodes the next decodable frame into `out`; false when decoding has ended.
    bool DecodeFrame(std::int32_t* out);
    // Frames still expected from `unread` data bytes, rounded with the 0.9 bias.
    std::int32_t EstimateFrames(std::int64_t bytes) const;
    void CopyDecoded(std::int32_t*& out, std::int32_t& frames);

    std::int32_t position = 0;
    std::int32_t length = 0;
    bool stereo = false;
    WaveFileHandle file;
    std::int64_t dataSize = 0;
    std::int64_t unread = 0;
    Mp3Header first;  // the reference for the frames accepted
    std::int64_t firstFrameOffset = 0;
    double averageFrameBytes = 0.0;
    std::int32_t samplesPerFrame = 1152;
    // Sample frame where the audio of the next decoded MPEG frame starts.
    std::int32_t streamFrame = 0;
    bool ended = false;

    // The last MPEG frame decoded when a read needed only part of it.
    std::int32_t decoded[1152 * 2];
    std::int32_t decodedFrames = 0;
    std::int32_t readOffset = 0;

    Mp3FrameDecoder decoder;
    std::uint8_t body[kMp3MaxFrameBytes];
    // File bytes read ahead of the decoding.
    std::uint8_t input[4096];
    int inputPos = 0;
    int inputFill = 0;
};

// The MP3 file `fileName` as a source: always a reader (empty only when memory runs out),
// invalid when the file cannot be opened or its start is not Layer III audio.
LSoundSourcePtr OpenMp3File(const std::string& fileName);
