// Our audio compression manager: opening a codec stream, buffer sizing and block conversion.
#include "audio/files/AcmStream.h"

#include <algorithm>
#include <limits>

#include "audio/files/G711.h"
#include "audio/files/ImaAdpcm.h"

namespace {

std::uint32_t ToSize(std::uint64_t bytes) {
    return bytes > std::numeric_limits<std::uint32_t>::max() ? 0
                                                             : static_cast<std::uint32_t>(bytes);
}

}  // namespace

std::unique_ptr<AcmStream> AcmStream::Open(const WaveFormatRecord& source,
                                           const WaveFormatRecord& destination) {
    const bool encode = source.formatTag == kWaveFormatPcm;
    const WaveFormatRecord& pcm = encode ? source : destination;
    const WaveFormatRecord& coded = encode ? destination : source;
    if (pcm.formatTag != kWaveFormatPcm || pcm.bitsPerSample != 16 || coded.channels == 0 ||
        pcm.channels != coded.channels || pcm.sampleRate != coded.sampleRate) {
        return nullptr;
    }
    switch (coded.formatTag) {
        case kWaveFormatAlaw:
        case kWaveFormatMulaw:
            return MakeG711Stream(coded.formatTag, encode, coded.channels);
        case kWaveFormatImaAdpcm:
            if (ImaSamplesPerBlock(coded) == 0) {
                return nullptr;
            }
            return MakeImaAdpcmStream(encode, coded.channels, coded.blockAlign);
        default:
            return nullptr;
    }
}

std::uint32_t AcmStream::DestinationSizeFor(std::uint32_t sourceBytes) const {
    if (sourceBytes < sourceBlock) {
        return 0;
    }
    std::uint64_t blocks = (std::uint64_t{sourceBytes} + sourceBlock - 1) / sourceBlock;
    return ToSize(blocks * destinationBlock);
}

std::uint32_t AcmStream::SourceSizeFor(std::uint32_t destinationBytes) const {
    return ToSize(std::uint64_t{destinationBytes / destinationBlock} * sourceBlock);
}

void AcmStream::Convert(AcmStreamHeader& header, unsigned flags) {
    if (flags & kAcmConvertStart) {
        Restart();
    }
    const std::uint32_t blocks =
        std::min(header.sourceLength / sourceBlock, header.destinationLength / destinationBlock);
    if (blocks > 0) {
        ConvertBlocks(header.source, blocks, header.destination);
    }
    std::uint32_t used = blocks * sourceBlock;
    std::uint32_t produced = blocks * destinationBlock;
    const std::uint32_t rest = header.sourceLength - used;
    if ((flags & kAcmConvertEnd) && rest > 0 && rest < sourceBlock &&
        header.destinationLength - produced >= destinationBlock) {
        produced += ConvertTail(header.source + used, rest, header.destination + produced);
        used = header.sourceLength;
    }
    header.sourceLengthUsed = used;
    header.destinationLengthUsed = produced;
}
