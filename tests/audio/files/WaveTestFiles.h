// Hand-built WAV file bytes for the reader and writer tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

inline std::string Le16(std::uint16_t v) {
    return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

inline std::string Le32(std::uint32_t v) {
    return Le16(v & 0xFFFF) + Le16(v >> 16);
}

inline std::uint32_t Le32At(const std::string& bytes, std::size_t offset) {
    auto b = [&](std::size_t i) { return std::uint32_t(std::uint8_t(bytes.at(offset + i))); };
    return b(0) | b(1) << 8 | b(2) << 16 | b(3) << 24;
}

inline std::uint16_t Le16At(const std::string& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(std::uint8_t(bytes.at(offset)) |
                                      std::uint8_t(bytes.at(offset + 1)) << 8);
}

// A chunk: tag, size and body, with the pad byte when the body is odd.
inline std::string Chunk(const std::string& tag, const std::string& body) {
    return tag + Le32(static_cast<std::uint32_t>(body.size())) + body +
           std::string(body.size() % 2, '\0');
}

// A format record of `size` bytes (14, 16, 18 or more; zeros beyond the extra size field).
inline std::string FormatBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                              std::uint16_t bits, std::size_t size = 16) {
    std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
    std::string body = Le16(tag) + Le16(channels) + Le32(rate) + Le32(rate * blockAlign) +
                       Le16(blockAlign) + Le16(bits);
    body.resize(size, '\0');
    return body;
}

// A WAVE_FORMAT_EXTENSIBLE record (40 bytes) whose sub-format is `tag`, all bits valid.
inline std::string ExtensibleFormatBody(std::uint16_t tag, std::uint16_t channels,
                                        std::uint32_t rate, std::uint16_t bits) {
    return FormatBody(0xFFFE, channels, rate, bits) + Le16(22) + Le16(bits) + Le32(0) + Le16(tag) +
           std::string("\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 14);
}

// RIFF WAVE around the given chunks.
inline std::string RiffWave(const std::string& chunks) {
    return "RIFF" + Le32(static_cast<std::uint32_t>(4 + chunks.size())) + "WAVE" + chunks;
}

// A 16-bit PCM file holding `samples`.
inline std::string Pcm16File(std::uint16_t channels, std::uint32_t rate,
                             const std::vector<std::int16_t>& samples) {
    std::string data;
    for (std::int16_t s : samples) {
        data += Le16(static_cast<std::uint16_t>(s));
    }
    return RiffWave(Chunk("fmt ", FormatBody(1, channels, rate, 16)) + Chunk("data", data));
}
