// Big-endian bit reader over main data that is followed by at least kMp3BitPadding zero bytes,
// so that reads past the end of a corrupt granule stay inside the buffer.
#pragma once

#include <cstdint>

// Zero bytes after the data that a reader may touch: one 8-byte load beyond the furthest position
// a decoder can reach. It stops before a code word once past its end (a code word with linbits
// and signs is at most 48 bits), but the scalefactors of a corrupt granule that starts at the
// end of the data can take up to 180 bits.
inline constexpr int kMp3BitPadding = 64;

class Mp3BitReader {
public:
    Mp3BitReader(const std::uint8_t* bytes, int bitPosition) : data(bytes), pos(bitPosition) {}

    // The next 32 bits, first bit in the top bit, without consuming them.
    std::uint32_t Peek() const {
        const std::uint8_t* p = data + (pos >> 3);
        std::uint64_t v = (std::uint64_t{p[0]} << 56) | (std::uint64_t{p[1]} << 48) |
                          (std::uint64_t{p[2]} << 40) | (std::uint64_t{p[3]} << 32) |
                          (std::uint64_t{p[4]} << 24) | (std::uint64_t{p[5]} << 16) |
                          (std::uint64_t{p[6]} << 8) | std::uint64_t{p[7]};
        return static_cast<std::uint32_t>((v << (pos & 7)) >> 32);
    }
    void Skip(int bits) { pos += bits; }
    // Reads 0..24 bits.
    std::uint32_t Read(int bits) {
        if (bits == 0) {
            return 0;
        }
        std::uint32_t value = Peek() >> (32 - bits);
        pos += bits;
        return value;
    }
    int Position() const { return pos; }

private:
    const std::uint8_t* data;
    int pos;
};
