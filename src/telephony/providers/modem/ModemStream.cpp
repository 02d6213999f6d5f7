// Reading a voice modem's byte stream: lines, caller ID fields, shielded audio and DLE events.
#include "telephony/providers/modem/ModemStream.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <utility>

#include "base/AsciiText.h"
#include "telephony/providers/modem/ModemShielding.h"

namespace {

constexpr std::uint8_t kCr = '\r';
constexpr std::uint8_t kLf = '\n';

struct ResultText {
    std::string_view text;
    ModemResult result;
};

// CONNECT may carry a rate after it; the others stand alone.
constexpr std::array kResults{
    ResultText{"OK", ModemResult::Ok},
    ResultText{"ERROR", ModemResult::Error},
    ResultText{"VCON", ModemResult::Vcon},
    ResultText{"RING", ModemResult::Ring},
    ResultText{"NO CARRIER", ModemResult::NoCarrier},
    ResultText{"BUSY", ModemResult::Busy},
    ResultText{"NO DIALTONE", ModemResult::NoDialtone},
    ResultText{"NO DIAL TONE", ModemResult::NoDialtone},
};
constexpr std::string_view kConnect = "CONNECT";

std::optional<ModemResult> ResultOf(std::string_view text) {
    for (const ResultText& known : kResults) {
        if (text == known.text) {
            return known.result;
        }
    }
    if (text.substr(0, kConnect.size()) == kConnect &&
        (text.size() == kConnect.size() || text[kConnect.size()] == ' ')) {
        return ModemResult::Connect;
    }
    return std::nullopt;
}

// A command the modem echoes back (with echo on, or before ATE0 has taken effect).
bool IsEcho(std::string_view text) {
    return text.size() >= 2 && EqualsNoCase(text.substr(0, 2), "AT");
}

bool IsTagChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// A caller ID field: an upper-case tag starting with a letter, "=", a value.
std::optional<CallerIdField> CallerIdOf(std::string_view text) {
    constexpr std::size_t kMaxTag = 8;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view tag = TrimSpace(text.substr(0, equals));
    if (tag.empty() || tag.size() > kMaxTag || tag.front() < 'A' || tag.front() > 'Z' ||
        !std::all_of(tag.begin(), tag.end(), IsTagChar)) {
        return std::nullopt;
    }
    CallerIdField field{std::string(tag), std::string(TrimSpace(text.substr(equals + 1)))};
    if (field.tag == "NMBR" && field.value == "P") {
        field.number = CallerNumber::Withheld;
    } else if (field.tag == "NMBR" && field.value == "O") {
        field.number = CallerNumber::Unavailable;
    }
    return field;
}

ModemSignal SignalOf(std::uint8_t code) {
    if ((code >= '0' && code <= '9') || code == '*' || code == '#' ||
        (code >= 'A' && code <= 'D')) {
        return ModemSignal::Digit;
    }
    switch (code) {
        case 'b':
        case 'K':
            return ModemSignal::Busy;
        case 'd':
        case 'i':
            return ModemSignal::DialTone;
        case 's':
            return ModemSignal::Silence;
        case 'q':
            return ModemSignal::Quiet;
        case 'l':
            return ModemSignal::LoopBreak;
        case 'c':
        case 'm':
            return ModemSignal::FaxCalling;
        case 'e':
            return ModemSignal::DataCalling;
        case 'R':
            return ModemSignal::Ring;
        case kEtx:
            return ModemSignal::EndOfStream;
        default:
            return ModemSignal::Unknown;
    }
}

void AppendAudio(std::vector<ModemEvent>& events, std::uint8_t byte, std::size_t count = 1) {
    if (events.empty() || !std::holds_alternative<ModemAudio>(events.back())) {
        events.emplace_back(ModemAudio{});
    }
    std::get<ModemAudio>(events.back())
        .bytes.insert(std::get<ModemAudio>(events.back()).bytes.end(), count, byte);
}

}  // namespace

void ModemStream::SetMode(Mode newMode) {
    mode = newMode;
}

std::vector<ModemEvent> ModemStream::Feed(std::span<const std::uint8_t> bytes) {
    std::vector<ModemEvent> events;
    for (const std::uint8_t byte : bytes) {
        // The LF of the CR LF that ends CONNECT belongs to the line, not to the audio after it.
        if (std::exchange(afterCr, false) && byte == kLf) {
            continue;
        }
        if (afterDle) {
            afterDle = false;
            ReadDleCode(byte, events);
        } else if (byte == kDle) {
            afterDle = true;
        } else if (mode == Mode::VoiceData) {
            AppendAudio(events, byte);
        } else {
            ReadLineByte(byte, events);
        }
    }
    return events;
}

void ModemStream::ReadDleCode(std::uint8_t code, std::vector<ModemEvent>& events) {
    if (code == kDle || code == kSub) {
        // Shielded audio bytes; outside the data state there is no audio to hold them.
        if (mode == Mode::VoiceData) {
            AppendAudio(events, kDle, code == kDle ? 1 : 2);
        }
        return;
    }
    const ModemSignal signal = SignalOf(code);
    events.emplace_back(DleEvent{signal, code});
    if (signal == ModemSignal::EndOfStream && mode == Mode::VoiceData) {
        SetMode(Mode::Command);
    }
}

void ModemStream::ReadLineByte(std::uint8_t byte, std::vector<ModemEvent>& events) {
    if (byte == kCr || byte == kLf) {
        afterCr = byte == kCr;
        EndLine(events);
    } else if (line.size() < kMaxLineLength) {
        line.push_back(static_cast<char>(byte));
    }
}

void ModemStream::EndLine(std::vector<ModemEvent>& events) {
    const std::string text = std::exchange(line, {});
    const std::string_view trimmed = TrimSpace(text);
    if (trimmed.empty() || IsEcho(trimmed)) {
        return;
    }
    if (const std::optional<ModemResult> result = ResultOf(trimmed)) {
        events.emplace_back(*result);
        if (mode == Mode::AwaitingConnect &&
            (*result == ModemResult::Connect || *result == ModemResult::Vcon)) {
            SetMode(Mode::VoiceData);
        }
    } else if (std::optional<CallerIdField> field = CallerIdOf(trimmed)) {
        events.emplace_back(std::move(*field));
    } else {
        events.emplace_back(ModemLine{std::string(trimmed)});
    }
}
