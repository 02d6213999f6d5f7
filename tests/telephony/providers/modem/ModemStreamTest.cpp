// The voice modem's byte streams: events read in any split, and audio shielded both ways.
#include "telephony/providers/modem/ModemStream.h"

#include <gtest/gtest.h>

#include <numeric>
#include <ostream>
#include <string>
#include <string_view>

#include "telephony/providers/modem/ModemShielding.h"

namespace {

using Mode = ModemStream::Mode;

std::span<const std::uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

ModemEvent Audio(std::string_view bytes) {
    return ModemAudio{{Bytes(bytes).begin(), Bytes(bytes).end()}};
}

ModemEvent Dle(ModemSignal signal, char code) {
    return DleEvent{signal, static_cast<std::uint8_t>(code)};
}

ModemEvent Field(std::string tag, std::string value, CallerNumber number = CallerNumber::Given) {
    return CallerIdField{std::move(tag), std::move(value), number};
}

// Adds `more` to `events`, joining audio that runs on from one read into the next.
void Append(std::vector<ModemEvent>& events, std::vector<ModemEvent> more) {
    for (ModemEvent& event : more) {
        if (!events.empty() && std::holds_alternative<ModemAudio>(events.back()) &&
            std::holds_alternative<ModemAudio>(event)) {
            auto& bytes = std::get<ModemAudio>(events.back()).bytes;
            const auto& tail = std::get<ModemAudio>(event).bytes;
            bytes.insert(bytes.end(), tail.begin(), tail.end());
        } else {
            events.push_back(std::move(event));
        }
    }
}

// The events of `input` fed to a new stream in reads of the given sizes (the rest in the last).
std::vector<ModemEvent> Read(Mode mode, std::string_view input, std::vector<std::size_t> reads) {
    ModemStream stream;
    stream.SetMode(mode);
    std::vector<ModemEvent> events;
    for (const std::size_t size : reads) {
        Append(events, stream.Feed(Bytes(input.substr(0, size))));
        input.remove_prefix(std::min(size, input.size()));
    }
    Append(events, stream.Feed(Bytes(input)));
    return events;
}

std::string Describe(const std::vector<ModemEvent>& events) {
    std::string text;
    for (const ModemEvent& event : events) {
        text += ::Describe(event) + "; ";
    }
    return text;
}

struct StreamRow {
    const char* name;
    Mode mode;
    std::string input;
    std::vector<ModemEvent> events;
};

const std::string kLongLine(1000, 'x');

const std::vector<StreamRow> kStreamRows{
    {"ConexantCallerIdBeforeFirstRing",
     Mode::Command,
     "\r\nDATE = 1015\r\n\r\nTIME = 1230\r\n\r\nNMBR = 5551234\r\n\r\nNAME = SMITH JOHN\r\n"
     "\r\nRING\r\n\r\nRING\r\n",
     {Field("DATE", "1015"), Field("TIME", "1230"), Field("NMBR", "5551234"),
      Field("NAME", "SMITH JOHN"), ModemResult::Ring, ModemResult::Ring}},
    {"UsrCallerIdBetweenRingsWithheld",
     Mode::Command,
     "\r\nRING\r\n\r\nDATE=1203\r\nTIME=0915\r\nNMBR=P\r\nMESG=0A1B\r\n\r\nRING\r\n",
     {ModemResult::Ring, Field("DATE", "1203"), Field("TIME", "0915"),
      Field("NMBR", "P", CallerNumber::Withheld), Field("MESG", "0A1B"), ModemResult::Ring}},
    {"UnavailableNumberAndRingAsDle",
     Mode::Command,
     "\r\nNMBR = O\r\n\x10R\x10R",
     {Field("NMBR", "O", CallerNumber::Unavailable), Dle(ModemSignal::Ring, 'R'),
      Dle(ModemSignal::Ring, 'R')}},
    {"EchoesAndBlankLinesDropped",
     Mode::Command,
     "ATE0\r\r\nOK\r\nAT+FCLASS=?\r\r\n0,1,1.0,2,8\r\n\r\n\r\nOK\r\n",
     {ModemResult::Ok, ModemLine{"0,1,1.0,2,8"}, ModemResult::Ok}},
    {"ResultCodes",
     Mode::Command,
     "\r\nERROR\r\n\r\nNO CARRIER\r\n\r\nBUSY\r\n\r\nNO DIALTONE\r\n\r\nVCON\r\n"
     "\r\nCONNECT 115200\r\n\r\nCONNECTED\r\n",
     {ModemResult::Error, ModemResult::NoCarrier, ModemResult::Busy, ModemResult::NoDialtone,
      ModemResult::Vcon, ModemResult::Connect, ModemLine{"CONNECTED"}}},
    // Audio right behind CONNECT's CR LF; 0x10 doubled and as SUB; events inside the audio.
    {"VoiceStreamWithEvents",
     Mode::AwaitingConnect,
     std::string("\r\nCONNECT\r\n\x80\x10\x10\x7f\x10"
                 "5\x81\x10#\x10"
                 "b\x10s\x10q\x10l"
                 "\x10"
                 "c\x10"
                 "e\x10"
                 "d\x10X\x10\x1a\x10\x03\r\nOK\r\n"),
     {ModemResult::Connect, Audio("\x80\x10\x7f"), Dle(ModemSignal::Digit, '5'), Audio("\x81"),
      Dle(ModemSignal::Digit, '#'), Dle(ModemSignal::Busy, 'b'), Dle(ModemSignal::Silence, 's'),
      Dle(ModemSignal::Quiet, 'q'), Dle(ModemSignal::LoopBreak, 'l'),
      Dle(ModemSignal::FaxCalling, 'c'), Dle(ModemSignal::DataCalling, 'e'),
      Dle(ModemSignal::DialTone, 'd'), Dle(ModemSignal::Unknown, 'X'), Audio("\x10\x10"),
      Dle(ModemSignal::EndOfStream, '\x03'), ModemResult::Ok}},
    {"OnlyArmedConnectStartsAudio",
     Mode::Command,
     "\r\nCONNECT\r\nOK\r\n",
     {ModemResult::Connect, ModemResult::Ok}},
    // Cut at kMaxLineLength, the rest of the line dropped; control bytes stay in the text.
    {"OverlongAndGarbageLines",
     Mode::Command,
     kLongLine + "\r\n" + std::string("\x01\xff\0z", 4) + "\r\nOK\r\n",
     {ModemLine{kLongLine.substr(0, ModemStream::kMaxLineLength)},
      ModemLine{std::string("\x01\xff\0z", 4)}, ModemResult::Ok}},
};

void PrintTo(const StreamRow& row, std::ostream* out) {
    *out << row.name;
}

class ModemStreamSplit : public testing::TestWithParam<StreamRow> {};

TEST_P(ModemStreamSplit, SameEventsAtEverySplit) {
    const StreamRow& row = GetParam();
    EXPECT_EQ(Read(row.mode, row.input, {}), row.events) << Describe(Read(row.mode, row.input, {}));
    for (std::size_t split = 0; split <= row.input.size(); ++split) {
        EXPECT_EQ(Read(row.mode, row.input, {split}), row.events) << "split at " << split;
    }
    EXPECT_EQ(Read(row.mode, row.input, std::vector<std::size_t>(row.input.size(), 1)), row.events)
        << "byte by byte";
}

INSTANTIATE_TEST_SUITE_P(Streams, ModemStreamSplit, testing::ValuesIn(kStreamRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ModemShielding, EveryByteValueCrossesBothWays) {
    std::vector<std::uint8_t> audio(256);
    std::iota(audio.begin(), audio.end(), 0);
    ModemBytes shielded;
    AppendShielded(shielded, audio);
    ASSERT_EQ(shielded.size(), audio.size() + 1);
    EXPECT_EQ(shielded[kDle], kDle);
    EXPECT_EQ(shielded[kDle + 1], kDle);

    ModemStream stream;
    stream.SetMode(Mode::VoiceData);
    shielded.insert(shielded.end(), kEndTransmit.begin(), kEndTransmit.end());
    const std::vector<ModemEvent> events = stream.Feed(shielded);
    EXPECT_EQ(events,
              (std::vector<ModemEvent>{ModemAudio{audio}, Dle(ModemSignal::EndOfStream, kEtx)}));
    EXPECT_EQ(stream.GetMode(), Mode::Command);
}

}  // namespace
