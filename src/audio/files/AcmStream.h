// Our audio compression manager: stream converters between 16-bit PCM and the compressed WAV
// formats (G.711 A-law and mu-law, IMA ADPCM), with the block semantics the WAV reader and the
// compressed writer rely on.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/files/WaveFormat.h"

// Conversion flags (may be combined).
// Only whole source blocks are converted; what is left stays for the next call.
inline constexpr unsigned kAcmConvertBlockAlign = 1;
// The source ends with this buffer: a partial block at its end is converted too.
inline constexpr unsigned kAcmConvertEnd = 2;
// The stream starts afresh (after a seek): state carried between blocks is reset.
inline constexpr unsigned kAcmConvertStart = 4;

// One conversion's buffers. Convert reads from the first sourceLength bytes of `source`,
// writes at most destinationLength bytes to `destination`, and reports what it used.
struct AcmStreamHeader {
    const std::uint8_t* source = nullptr;
    std::uint32_t sourceLength = 0;
    std::uint32_t sourceLengthUsed = 0;
    std::uint8_t* destination = nullptr;
    std::uint32_t destinationLength = 0;
    std::uint32_t destinationLengthUsed = 0;
};

// A conversion stream between two formats, working in whole blocks: a source block (e.g. one
// IMA ADPCM block, or one frame of PCM) becomes one destination block. Without kAcmConvertEnd
// only whole blocks are converted, never more than fit in the destination.
class AcmStream {
public:
    virtual ~AcmStream() = default;

    // A stream from `source` to `destination`, or null when the pair is not offered: one side
    // must be 16-bit PCM with the other side's rate and channels, the other a supported codec
    // with a valid record.
    static std::unique_ptr<AcmStream> Open(const WaveFormatRecord& source,
                                           const WaveFormatRecord& destination);

    // Destination bytes needed to convert `sourceBytes` completely (a partial last block
    // counted whole). 0 when `sourceBytes` does not hold one whole source block, since a
    // block-aligned conversion could then never begin.
    std::uint32_t DestinationSizeFor(std::uint32_t sourceBytes) const;

    // Source bytes whose conversion fills at most `destinationBytes`: whole blocks only. 0 when
    // not even one destination block fits.
    std::uint32_t SourceSizeFor(std::uint32_t destinationBytes) const;

    // Converts as described for the flags; sets header.sourceLengthUsed and
    // header.destinationLengthUsed. With kAcmConvertEnd, a trailing partial source block is
    // converted and consumed when the destination has room for a block (a partial sample or a
    // partial block too short to decode is consumed and produces nothing).
    void Convert(AcmStreamHeader& header, unsigned flags);

    // The whole blocks the stream converts: `SourceBlockBytes()` of the source become
    // `DestinationBlockBytes()` of the destination (an IMA ADPCM block and its samples, or one
    // frame).
    std::uint32_t SourceBlockBytes() const { return sourceBlock; }
    std::uint32_t DestinationBlockBytes() const { return destinationBlock; }

protected:
    AcmStream(std::uint32_t sourceBlockBytes, std::uint32_t destinationBlockBytes)
        : sourceBlock(sourceBlockBytes), destinationBlock(destinationBlockBytes) {}

    // Converts `count` whole source blocks.
    virtual void ConvertBlocks(const std::uint8_t* in, std::uint32_t count, std::uint8_t* out) = 0;
    // Converts a partial source block of `bytes` (less than a block); returns the bytes
    // produced, at most one destination block.
    virtual std::uint32_t ConvertTail(const std::uint8_t* in, std::uint32_t bytes,
                                      std::uint8_t* out) = 0;
    // Forgets state carried from block to block.
    virtual void Restart() {}

private:
    std::uint32_t sourceBlock;
    std::uint32_t destinationBlock;
};
