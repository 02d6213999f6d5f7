// The voice sample formats a modem offers (its answer to AT+VSM=?), the choice among them, and
// their samples converted to and from the line's 16-bit audio.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
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

struct VoiceFormat {
    int cml = 0;  // the number AT+VSM chooses it by
    std::string name;
    int bits = 0;  // a sample
    VoiceCoding coding = VoiceCoding::Unusable;
    bool lineRate = false;  // offered at the line's rate (assumed when no rates are listed)
    bool operator==(const VoiceFormat&) const = default;
};

// What voice modems take when they list no format: `AT+VSM=1,8000`, unsigned 8-bit.
extern const VoiceFormat kFallbackVoiceFormat;

// One line of the answer to AT+VSM=?: `cml,"NAME",bits,tm,(rates),(sds),(sel)`, with or without
// a "+VSM:" in front and parentheses round the rates, the name in any case; nothing for any
// other line.
std::optional<VoiceFormat> ParseVoiceFormat(std::string_view line);

// The format to use: the most preferred usable one offered at the line rate (the first listed of
// equals), else the fallback.
VoiceFormat ChooseVoiceFormat(std::span<const VoiceFormat> offered);

// "131 G.711U", as reports list a format.
std::string Describe(const VoiceFormat& format);

// Samples of a usable coding read as 16-bit audio.
class VoiceDecoder {
public:
    explicit VoiceDecoder(VoiceCoding coding) : coding(coding) {}

    // Appends the samples in `bytes` to `samples`. The first byte of a 16-bit sample that the
    // read split is kept until the second comes.
    void Decode(std::span<const std::uint8_t> bytes, std::vector<std::int16_t>& samples);

private:
    VoiceCoding coding;
    std::optional<std::uint8_t> heldByte;
};

// Appends `samples` in a usable `coding` to `bytes`.
void EncodeVoice(VoiceCoding coding, std::span<const std::int16_t> samples,
                 std::vector<std::uint8_t>& bytes);
// Appends `count` silent samples in a usable `coding` to `bytes`.
void AppendVoiceSilence(VoiceCoding coding, std::size_t count, std::vector<std::uint8_t>& bytes);
