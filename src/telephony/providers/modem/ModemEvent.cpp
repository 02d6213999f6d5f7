// Voice modem events in words.
#include "telephony/providers/modem/ModemEvent.h"

#include <cstdio>

namespace {

const char* ResultName(ModemResult result) {
    switch (result) {
        case ModemResult::Ok:
            return "OK";
        case ModemResult::Error:
            return "ERROR";
        case ModemResult::Connect:
            return "CONNECT";
        case ModemResult::Vcon:
            return "VCON";
        case ModemResult::Ring:
            return "RING";
        case ModemResult::NoCarrier:
            return "NO CARRIER";
        case ModemResult::Busy:
            return "BUSY";
        case ModemResult::NoDialtone:
            return "NO DIALTONE";
    }
    return "?";
}

const char* SignalName(ModemSignal signal) {
    switch (signal) {
        case ModemSignal::Digit:
            return "digit";
        case ModemSignal::Busy:
            return "busy";
        case ModemSignal::DialTone:
            return "dial tone";
        case ModemSignal::Silence:
            return "silence";
        case ModemSignal::Quiet:
            return "quiet";
        case ModemSignal::LoopBreak:
            return "loop break";
        case ModemSignal::FaxCalling:
            return "fax calling";
        case ModemSignal::DataCalling:
            return "data calling";
        case ModemSignal::Ring:
            return "ring";
        case ModemSignal::EndOfStream:
            return "end of stream";
        case ModemSignal::Unknown:
            return "unknown";
    }
    return "?";
}

const char* NumberName(CallerNumber number) {
    switch (number) {
        case CallerNumber::Given:
            return "";
        case CallerNumber::Withheld:
            return " (withheld)";
        case CallerNumber::Unavailable:
            return " (unavailable)";
    }
    return "?";
}

struct Describer {
    std::string operator()(ModemResult result) const { return ResultName(result); }
    std::string operator()(const ModemLine& line) const { return "line \"" + line.text + '"'; }
    std::string operator()(const CallerIdField& field) const {
        return "caller ID " + field.tag + "=" + field.value + NumberName(field.number);
    }
    std::string operator()(const ModemAudio& audio) const {
        return "audio " + std::to_string(audio.bytes.size()) + " bytes";
    }
    std::string operator()(const DleEvent& event) const {
        char code[8];
        std::snprintf(code, sizeof code, "0x%02x", event.code);
        return std::string("DLE ") + code + ' ' + SignalName(event.signal);
    }
};

}  // namespace

std::string Describe(const ModemEvent& event) {
    return std::visit(Describer{}, event);
}
