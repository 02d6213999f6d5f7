// The voice sample formats a modem offers (its answer to AT+VSM=?), the choice among them, and
// their samples converted to and from the line's 16-bit audio.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// How a format codes a sample, in the order of preference: G.711 keeps more dynamic range than
// 8-bit linear at 8 bits a sample.
enum class VoiceCoding {
    Mulaw,      // G.711 mu-law
    Alaw,       // G.711 A-law
    Linear16,   // 16-bit signed, little-endian
    Unsigned8,  // 8-bit linear offset by 128
    Signed8,    // 8-bit linear, two's complement
    Unusable,   // ADPCM, 14-bit and anything else
};

// A default format is the one voice modems take when they list none: `AT+VSM=1,8000`, unsigned
// 8-bit.
struct VoiceFormat {
    int cml = 1;  // the number AT+VSM chooses it by
    std::string name = "UNSIGNED PCM";
    int bits = 8;  // a sample
    VoiceCoding coding = VoiceCoding::Unsigned8;
    bool lineRate = true;  // offered at the line's rate (assumed when no rates are listed)
    bool operator==(const VoiceFormat&) const = default;
};

// The formats in the answer to AT+VSM=?, one a line: `cml,"NAME",bits,tm,(rates),(sds),(sel)`,
// with or without a "+VSM:" in front and parentheses round the rates, the name in any case.
// Other lines are passed over.
std::vector<VoiceFormat> ParseVoiceFormats(const std::vector<std::string>& lines);

// The format to use: the most preferred usable one offered at the line rate (the first listed of
// equals), else the default.
VoiceFormat ChooseVoiceFormat(std::span<const VoiceFormat> offered);

// "131 G.711U", as reports list a format.
std::string Describe(const VoiceFormat& format);

// Samples of a format with a usable coding read as 16-bit audio.
class VoiceDecoder {
public:
    explicit VoiceDecoder(const VoiceFormat& format) : coding(format.coding) {}

    // Appends the samples in `bytes` to `samples`. The first byte of a 16-bit sample that the
    // read split is kept until the second comes.
    void Decode(std::span<const std::uint8_t> bytes, std::vector<std::int16_t>& samples);

private:
    VoiceCoding coding;
    std::optional<std::uint8_t> heldByte;
};

// 16-bit audio written as samples of a format with a usable coding.
class VoiceEncoder {
public:
    explicit VoiceEncoder(const VoiceFormat& format) : coding(format.coding) {}

    // Appends `samples` to `bytes`.
    void Encode(std::span<const std::int16_t> samples, std::vector<std::uint8_t>& bytes) const;
    // Appends `count` silent samples to `bytes`.
    void AppendSilence(std::size_t count, std::vector<std::uint8_t>& bytes) const;

private:
    VoiceCoding coding;
};
