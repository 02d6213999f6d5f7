// IMA ADPCM: the step and index tables, per-sample coding and the WAV block codec streams.
#include "audio/files/ImaAdpcm.h"

#include <algorithm>
#include <vector>

#include "audio/files/AcmStream.h"

namespace {

constexpr std::int32_t kStepTable[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,   21,    23,
    25,    28,    31,    34,    37,    41,    45,    50,    55,    60,    66,   73,    80,
    88,    97,    107,   118,   130,   143,   157,   173,   190,   209,   230,  253,   279,
    307,   337,   371,   408,   449,   494,   544,   598,   658,   724,   796,  876,   963,
    1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,  2272,  2499,  2749, 3024,  3327,
    3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,  9493, 10442, 11487,
    12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::int32_t kIndexTable[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

constexpr std::int32_t kMaxStepIndex = 88;

// Moves the state by the code's difference from the current step.
void Apply(ImaAdpcmState& state, unsigned nibble, std::int32_t difference) {
    state.predictor += (nibble & 8) ? -difference : difference;
    state.predictor = std::clamp(state.predictor, -32768, 32767);
    state.stepIndex = std::clamp(state.stepIndex + kIndexTable[nibble & 7], 0, kMaxStepIndex);
}

class ImaAdpcmStream : public AcmStream {
public:
    ImaAdpcmStream(bool encode, std::uint16_t channels, std::uint32_t blockAlign)
        : AcmStream(encode ? PcmBlockBytes(channels, blockAlign) : blockAlign,
                    encode ? blockAlign : PcmBlockBytes(channels, blockAlign)),
          encode(encode),
          channels(channels),
          blockAlign(blockAlign),
          samplesPerBlock(ImaSamplesPerBlock(blockAlign, channels)),
          states(channels) {}

protected:
    void ConvertBlocks(const std::uint8_t* in, std::uint32_t count, std::uint8_t* out) override {
        const std::uint32_t pcmBytes = samplesPerBlock * 2 * channels;
        for (std::uint32_t i = 0; i < count; ++i) {
            if (encode) {
                EncodeBlock(in + i * pcmBytes, samplesPerBlock, out + i * blockAlign);
            } else {
                DecodeBlock(in + i * blockAlign, samplesPerBlock, out + i * pcmBytes);
            }
        }
    }

    std::uint32_t ConvertTail(const std::uint8_t* in, std::uint32_t bytes,
                              std::uint8_t* out) override {
        const std::uint32_t headerBytes = 4 * channels;
        if (encode) {
            // A short last block: the header and as many 8-sample groups as the frames need.
            std::uint32_t frames = bytes / (2 * channels);
            if (frames == 0) {
                return 0;
            }
            std::uint32_t groups = (frames - 1 + 7) / 8;
            EncodeBlock(in, frames, out);
            return headerBytes + groups * 4 * channels;
        }
        if (bytes < headerBytes) {
            return 0;
        }
        std::uint32_t frames = 1 + (bytes - headerBytes) / (4 * channels) * 8;
        DecodeBlock(in, frames, out);
        return frames * 2 * channels;
    }

    void Restart() override { std::fill(states.begin(), states.end(), ImaAdpcmState{}); }

private:
    static std::uint32_t PcmBlockBytes(std::uint16_t channels, std::uint32_t blockAlign) {
        return ImaSamplesPerBlock(blockAlign, channels) * 2 * channels;
    }

    // Decodes the first `frames` frames of a block (frames = 1 + a multiple of 8).
    void DecodeBlock(const std::uint8_t* in, std::uint32_t frames, std::uint8_t* out) const {
        const std::uint32_t stride = 2 * channels;
        for (std::uint32_t c = 0; c < channels; ++c) {
            ImaAdpcmState state;
            state.predictor = static_cast<std::int16_t>(LoadLe16(in + 4 * c));
            state.stepIndex = std::min<std::int32_t>(in[4 * c + 2], kMaxStepIndex);
            std::uint8_t* sample = out + 2 * c;
            StoreLe16(sample, static_cast<std::uint16_t>(state.predictor));
            sample += stride;
            const std::uint8_t* group = in + 4 * channels + 4 * c;
            for (std::uint32_t done = 1; done < frames; done += 8, group += 4 * channels) {
                for (std::uint32_t k = 0; k < 8; ++k) {
                    unsigned nibble = (group[k / 2] >> (4 * (k % 2))) & 0x0F;
                    StoreLe16(sample, static_cast<std::uint16_t>(ImaDecodeNibble(state, nibble)));
                    sample += stride;
                }
            }
        }
    }

    // Encodes `frames` frames into one block; a short block is padded to whole 8-sample groups
    // by repeating its last frame.
    void EncodeBlock(const std::uint8_t* in, std::uint32_t frames, std::uint8_t* out) {
        const std::uint32_t stride = 2 * channels;
        for (std::uint32_t c = 0; c < channels; ++c) {
            ImaAdpcmState& state = states[c];
            const std::uint8_t* first = in + 2 * c;
            state.predictor = static_cast<std::int16_t>(LoadLe16(first));
            StoreLe16(out + 4 * c, static_cast<std::uint16_t>(state.predictor));
            out[4 * c + 2] = static_cast<std::uint8_t>(state.stepIndex);
            out[4 * c + 3] = 0;
            std::uint8_t* group = out + 4 * channels + 4 * c;
            for (std::uint32_t done = 1; done < frames; done += 8, group += 4 * channels) {
                for (std::uint32_t k = 0; k < 8; ++k) {
                    std::uint32_t frame = std::min(done + k, frames - 1);
                    auto sample = static_cast<std::int16_t>(LoadLe16(first + frame * stride));
                    unsigned nibble = ImaEncodeSample(state, sample);
                    if (k % 2 == 0) {
                        group[k / 2] = static_cast<std::uint8_t>(nibble);
                    } else {
                        group[k / 2] |= static_cast<std::uint8_t>(nibble << 4);
                    }
                }
            }
        }
    }

    bool encode;
    std::uint16_t channels;
    std::uint32_t blockAlign;
    std::uint32_t samplesPerBlock;
    // The encoder carries each channel's step index from block to block.
    std::vector<ImaAdpcmState> states;
};

}  // namespace

std::uint32_t ImaSamplesPerBlock(std::uint32_t blockAlign, std::uint32_t channels) {
    if (channels == 0 || blockAlign < 4 * channels || blockAlign % (4 * channels) != 0) {
        return 0;
    }
    return (blockAlign - 4 * channels) * 2 / channels + 1;
}

std::uint32_t ImaSamplesPerBlock(const WaveFormatRecord& record) {
    std::uint32_t samples = ImaSamplesPerBlock(record.blockAlign, record.channels);
    if (record.bitsPerSample != 4 ||
        (record.extra.size() >= 2 && LoadLe16(record.extra.data()) != samples)) {
        return 0;
    }
    return samples;
}

std::int16_t ImaDecodeNibble(ImaAdpcmState& state, unsigned nibble) {
    std::int32_t step = kStepTable[state.stepIndex];
    std::int32_t difference = step >> 3;
    if (nibble & 4) {
        difference += step;
    }
    if (nibble & 2) {
        difference += step >> 1;
    }
    if (nibble & 1) {
        difference += step >> 2;
    }
    Apply(state, nibble, difference);
    return static_cast<std::int16_t>(state.predictor);
}

unsigned ImaEncodeSample(ImaAdpcmState& state, std::int16_t sample) {
    std::int32_t delta = sample - state.predictor;
    unsigned nibble = 0;
    if (delta < 0) {
        nibble = 8;
        delta = -delta;
    }
    std::int32_t step = kStepTable[state.stepIndex];
    std::int32_t difference = step >> 3;
    for (unsigned bit = 4; bit != 0; bit >>= 1, step >>= 1) {
        if (delta >= step) {
            nibble |= bit;
            delta -= step;
            difference += step;
        }
    }
    Apply(state, nibble, difference);
    return nibble;
}

std::unique_ptr<AcmStream> MakeImaAdpcmStream(bool encode, std::uint16_t channels,
                                              std::uint32_t blockAlign) {
    return std::make_unique<ImaAdpcmStream>(encode, channels, blockAlign);
}
