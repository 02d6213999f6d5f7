// G.711 A-law and mu-law companding (the ITU segment tables) and their codec streams.
#include "audio/files/G711.h"

#include <algorithm>
#include <array>
#include <bit>

#include "audio/files/AcmStream.h"

namespace {

constexpr int kMulawBias = 0x84;
constexpr int kMulawClip = 32635;

constexpr std::int16_t DecodeMulaw(std::uint8_t code) {
    int u = ~code & 0xFF;
    int exponent = (u >> 4) & 7;
    int magnitude = ((((u & 0x0F) << 3) + kMulawBias) << exponent) - kMulawBias;
    return static_cast<std::int16_t>((u & 0x80) ? -magnitude : magnitude);
}

constexpr std::int16_t DecodeAlaw(std::uint8_t code) {
    int a = code ^ 0x55;
    int segment = (a & 0x70) >> 4;
    int magnitude = (a & 0x0F) << 4;
    magnitude += segment == 0 ? 8 : 0x108;
    if (segment > 1) {
        magnitude <<= segment - 1;
    }
    return static_cast<std::int16_t>((a & 0x80) ? magnitude : -magnitude);
}

template <std::int16_t (*Decode)(std::uint8_t)>
constexpr std::array<std::int16_t, 256> MakeTable() {
    std::array<std::int16_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        table[i] = Decode(static_cast<std::uint8_t>(i));
    }
    return table;
}

constexpr std::array<std::int16_t, 256> kMulawTable = MakeTable<DecodeMulaw>();
constexpr std::array<std::int16_t, 256> kAlawTable = MakeTable<DecodeAlaw>();

// Frames of 16-bit PCM to and from one byte per sample; a block is one frame.
class G711Stream : public AcmStream {
public:
    G711Stream(bool encode, bool mulaw, std::uint16_t channels)
        : AcmStream(encode ? 2u * channels : channels, encode ? channels : 2u * channels),
          encode(encode),
          mulaw(mulaw),
          channels(channels) {}

protected:
    void ConvertBlocks(const std::uint8_t* in, std::uint32_t count, std::uint8_t* out) override {
        std::uint32_t samples = count * channels;
        if (encode) {
            auto compand = mulaw ? LinearToMulaw : LinearToAlaw;
            for (std::uint32_t i = 0; i < samples; ++i) {
                out[i] = compand(static_cast<std::int16_t>(LoadLe16(in + 2 * i)));
            }
        } else {
            const std::int16_t* table = mulaw ? kMulawTable.data() : kAlawTable.data();
            for (std::uint32_t i = 0; i < samples; ++i) {
                StoreLe16(out + 2 * i, static_cast<std::uint16_t>(table[in[i]]));
            }
        }
    }

    // A partial frame carries no whole sample set: it is dropped.
    std::uint32_t ConvertTail(const std::uint8_t*, std::uint32_t, std::uint8_t*) override {
        return 0;
    }

private:
    bool encode;
    bool mulaw;
    std::uint16_t channels;
};

}  // namespace

std::uint8_t LinearToMulaw(std::int16_t sample) {
    int pcm = sample;
    int sign = 0;
    if (pcm < 0) {
        sign = 0x80;
        pcm = -pcm;
    }
    pcm = std::min(pcm, kMulawClip) + kMulawBias;
    int exponent =
        std::max(static_cast<int>(std::bit_width(static_cast<unsigned>(pcm >> 7))) - 1, 0);
    int mantissa = (pcm >> (exponent + 3)) & 0x0F;
    return static_cast<std::uint8_t>(~(sign | (exponent << 4) | mantissa));
}

std::int16_t MulawToLinear(std::uint8_t code) {
    return kMulawTable[code];
}

std::uint8_t LinearToAlaw(std::int16_t sample) {
    int pcm = sample >> 3;  // 13 significant bits
    int mask = 0xD5;
    if (pcm < 0) {
        mask = 0x55;
        pcm = -pcm - 1;
    }
    // Segment = how far the magnitude reaches beyond the first 32 steps, in powers of two.
    int segment = std::max(static_cast<int>(std::bit_width(static_cast<unsigned>(pcm))) - 5, 0);
    int code = (segment << 4) | ((pcm >> (segment < 2 ? 1 : segment)) & 0x0F);
    return static_cast<std::uint8_t>(code ^ mask);
}

std::int16_t AlawToLinear(std::uint8_t code) {
    return kAlawTable[code];
}

std::unique_ptr<AcmStream> MakeG711Stream(std::uint16_t formatTag, bool encode,
                                          std::uint16_t channels) {
    return std::make_unique<G711Stream>(encode, formatTag == kWaveFormatMulaw, channels);
}
