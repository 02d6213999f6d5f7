// Voice sample formats: read from a modem's list, chosen, and converted to and from 16-bit audio.
#include "telephony/providers/modem/ModemVoiceFormat.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

#include "audio/dsp/TelephoneFormat.h"
#include "audio/files/G711.h"
#include "audio/files/WaveFormat.h"
#include "base/AsciiText.h"

namespace {

constexpr std::string_view kAnswerPrefix = "+VSM:";

// The comma-separated fields of `text`, trimmed; commas within parentheses or quotes are kept.
std::vector<std::string_view> Fields(std::string_view text) {
    std::vector<std::string_view> fields;
    int depth = 0;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : ',';
        if (c == ',' && depth == 0 && !quoted) {
            fields.push_back(TrimSpace(text.substr(start, i - start)));
            start = i + 1;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == '(' || c == ')')) {
            depth = std::max(depth + (c == '(' ? 1 : -1), 0);
        }
    }
    return fields;
}

std::optional<int> Number(std::string_view text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 0) {
        return std::nullopt;
    }
    return value;
}

// Whether a rates field ("(8000)", "8000", "(7200,8000,11025)", "(4800-11025)") takes in the
// line's rate.
bool CoversLineRate(std::string_view rates) {
    if (rates.size() >= 2 && rates.front() == '(' && rates.back() == ')') {
        rates = rates.substr(1, rates.size() - 2);
    }
    return std::ranges::any_of(Fields(rates), [](std::string_view item) {
        const std::size_t dash = item.find('-');
        const std::optional<int> low = Number(TrimSpace(item.substr(0, dash)));
        const std::optional<int> high =
            dash == std::string_view::npos ? low : Number(TrimSpace(item.substr(dash + 1)));
        return low && high && *low <= kLineRate && kLineRate <= *high;
    });
}

// Names vary in case and punctuation ("G.711U", "g.711 ulaw", "U-LAW"); "8-bit linear" and
// plain "PCM" are unsigned, as is every 8-bit linear format not named signed.
VoiceCoding CodingOf(std::string_view name, int bits) {
    std::string key;  // letters (lower case) and digits only: "g711ulaw"
    for (const char c : name) {
        const char lower = AsciiLower(c);
        if ((lower >= 'a' && lower <= 'z') || (c >= '0' && c <= '9')) {
            key += lower;
        }
    }
    const auto has = [&key](std::string_view part) { return key.find(part) != std::string::npos; };
    if (bits == 8 && (has("ulaw") || has("711u"))) {
        return VoiceCoding::Mulaw;
    }
    if (bits == 8 && (has("alaw") || has("711a"))) {
        return VoiceCoding::Alaw;
    }
    if (has("adpcm") || !(has("pcm") || has("linear"))) {
        return VoiceCoding::Unusable;
    }
    const bool isUnsigned = has("unsigned");
    if (bits == 8) {
        return !isUnsigned && has("signed") ? VoiceCoding::Signed8 : VoiceCoding::Unsigned8;
    }
    return bits == 16 && !isUnsigned ? VoiceCoding::Linear16 : VoiceCoding::Unusable;
}

// A 16-bit sample to 8 bits, rounded to the nearest step.
int To8Bits(std::int16_t sample) {
    return std::min((sample + 128) >> 8, 127);
}

// One sample of an 8-bit coding as 16-bit audio; one of no use reads as silence.
std::int16_t DecodeByte(VoiceCoding coding, std::uint8_t byte) {
    switch (coding) {
        case VoiceCoding::Mulaw:
            return MulawToLinear(byte);
        case VoiceCoding::Alaw:
            return AlawToLinear(byte);
        case VoiceCoding::Unsigned8:
            return static_cast<std::int16_t>((byte - 128) * 256);
        case VoiceCoding::Signed8:
            return static_cast<std::int16_t>(static_cast<std::int8_t>(byte) * 256);
        case VoiceCoding::Linear16:
        case VoiceCoding::Unusable:
            break;
    }
    return 0;
}

// One line of the answer to AT+VSM=?, or nothing.
std::optional<VoiceFormat> ParseVoiceFormat(std::string_view line) {
    line = TrimSpace(line);
    if (line.size() >= kAnswerPrefix.size() &&
        EqualsNoCase(line.substr(0, kAnswerPrefix.size()), kAnswerPrefix)) {
        line.remove_prefix(kAnswerPrefix.size());
    }
    const std::vector<std::string_view> fields = Fields(line);
    if (fields.size() < 3) {
        return std::nullopt;
    }
    const std::optional<int> cml = Number(fields[0]);
    const std::string_view quoted = fields[1];
    const std::optional<int> bits = Number(fields[2]);
    if (!cml || !bits || quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') {
        return std::nullopt;
    }
    const std::string_view name = quoted.substr(1, quoted.size() - 2);
    constexpr std::size_t kRates = 4;
    return VoiceFormat{*cml, std::string(name), *bits, CodingOf(name, *bits),
                       fields.size() <= kRates || CoversLineRate(fields[kRates])};
}

}  // namespace

std::vector<VoiceFormat> ParseVoiceFormats(const std::vector<std::string>& lines) {
    std::vector<VoiceFormat> formats;
    for (const std::string& line : lines) {
        if (std::optional<VoiceFormat> format = ParseVoiceFormat(line)) {
            formats.push_back(std::move(*format));
        }
    }
    return formats;
}

VoiceFormat ChooseVoiceFormat(std::span<const VoiceFormat> offered) {
    const VoiceFormat* best = nullptr;
    for (const VoiceFormat& format : offered) {
        if (format.lineRate && format.coding != VoiceCoding::Unusable &&
            (best == nullptr || format.coding < best->coding)) {
            best = &format;
        }
    }
    return best != nullptr ? *best : VoiceFormat{};
}

std::string Describe(const VoiceFormat& format) {
    return std::to_string(format.cml) + " " + format.name;
}

void VoiceDecoder::Decode(std::span<const std::uint8_t> bytes, std::vector<std::int16_t>& samples) {
    if (coding != VoiceCoding::Linear16) {
        for (const std::uint8_t byte : bytes) {
            samples.push_back(DecodeByte(coding, byte));
        }
        return;
    }
    for (const std::uint8_t byte : bytes) {
        if (!heldByte) {
            heldByte = byte;
            continue;
        }
        const std::uint8_t pair[2] = {*heldByte, byte};
        samples.push_back(static_cast<std::int16_t>(LoadLe16(pair)));
        heldByte.reset();
    }
}

void VoiceEncoder::Encode(std::span<const std::int16_t> samples,
                          std::vector<std::uint8_t>& bytes) const {
    for (const std::int16_t sample : samples) {
        switch (coding) {
            case VoiceCoding::Mulaw:
                bytes.push_back(LinearToMulaw(sample));
                break;
            case VoiceCoding::Alaw:
                bytes.push_back(LinearToAlaw(sample));
                break;
            case VoiceCoding::Linear16: {
                std::uint8_t pair[2];
                StoreLe16(pair, static_cast<std::uint16_t>(sample));
                bytes.insert(bytes.end(), pair, pair + 2);
                break;
            }
            case VoiceCoding::Unsigned8:
                bytes.push_back(static_cast<std::uint8_t>(To8Bits(sample) + 128));
                break;
            case VoiceCoding::Signed8:
                bytes.push_back(static_cast<std::uint8_t>(To8Bits(sample)));
                break;
            case VoiceCoding::Unusable:
                break;
        }
    }
}

void VoiceEncoder::AppendSilence(std::size_t count, std::vector<std::uint8_t>& bytes) const {
    Encode(std::vector<std::int16_t>(count), bytes);
}
