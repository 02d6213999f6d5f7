// What `quillon-tool watch` prints of the line it watches.
#include "tool/LineWatch.h"

#include <ctime>
#include <iomanip>
#include <sstream>

#include "recorder/CallCommands.h"
#include "recorder/RecorderLine.h"
#include "telephony/Tapi.h"

namespace {

// Calls are recorded from the ring that brings the caller ID, so that the recording is named
// by it.
constexpr std::uint32_t kRecordRing = RecorderLine::kCallerIdRing;

struct Named {
    std::uint32_t value;
    const char* name;
};

constexpr Named kCallStates[] = {
    {LINECALLSTATE_IDLE, "idle"},
    {LINECALLSTATE_OFFERING, "offering"},
    {LINECALLSTATE_DIALING, "dialing"},
    {LINECALLSTATE_RINGBACK, "ringback"},
    {LINECALLSTATE_BUSY, "busy"},
    {LINECALLSTATE_CONNECTED, "connected"},
    {LINECALLSTATE_PROCEEDING, "proceeding"},
    {LINECALLSTATE_DISCONNECTED, "disconnected"},
};

constexpr Named kDisconnectModes[] = {
    {LINEDISCONNECTMODE_NORMAL, "the far end hung up"},
    {LINEDISCONNECTMODE_NOANSWER, "not answered"},
};

// The name of `value` in `table`, or the value in hexadecimal.
template <std::size_t N>
std::string NameOf(const Named (&table)[N], std::uint32_t value) {
    for (const Named& entry : table) {
        if (entry.value == value) {
            return entry.name;
        }
    }
    std::ostringstream hex;
    hex << "0x" << std::hex << value;
    return hex.str();
}

}  // namespace

LineWatch::LineWatch(AppState& state, RecorderSession& recorderSession, std::ostream& output,
                     bool record)
    : app(state), session(recorderSession), out(output), recordCalls(record) {
    app.mainWindow = this;
    session.Line().SetMessageObserver(
        [this](std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2,
               std::uintptr_t param3) { OnLineMessage(message, param1, param2, param3); });
}

LineWatch::~LineWatch() {
    session.Line().SetMessageObserver(nullptr);
    if (app.mainWindow == this) {
        app.mainWindow = nullptr;
    }
}

void LineWatch::End() {
    if (!recording.empty()) {
        OnRecordingFinished(recording);
    }
}

void LineWatch::OnLineMessage(std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2,
                              std::uintptr_t param3) {
    switch (message) {
        case LINE_LINEDEVSTATE:
            if (param1 == LINEDEVSTATE_RINGING) {
                Print("ring " + std::to_string(param3));
                if (recordCalls && param3 == kRecordRing) {
                    QMetaObject::invokeMethod(
                        &inbox, [this] { RecordCall(); }, Qt::QueuedConnection);
                }
            } else if (param1 == LINEDEVSTATE_OUTOFSERVICE) {
                Print("line device gone; waiting for it to come back");
            } else if (param1 == LINEDEVSTATE_INSERVICE) {
                Print("line device back");
            }
            break;
        case LINE_CALLSTATE: {
            const auto state = static_cast<std::uint32_t>(param1);
            std::string text = "call " + NameOf(kCallStates, state);
            if (state == LINECALLSTATE_DISCONNECTED) {
                text += " (" + NameOf(kDisconnectModes, static_cast<std::uint32_t>(param2)) + ")";
            }
            Print(text);
            break;
        }
        case LINE_MONITORDIGITS:
            Print(std::string("digit ") + static_cast<char>(param1 & 0xFF));
            break;
        case LINE_MONITORMEDIA:
            if (param1 & LINEMEDIAMODE_G3FAX) {
                Print("fax calling tone");
            }
            break;
        default:
            break;
    }
}

void LineWatch::RecordCall() {
    // A caller who gave up meanwhile leaves no call to answer: going off hook would take the
    // line instead.
    if (session.Line().GetCall() == 0) {
        return;
    }
    Print(session.Command(CallCommand::Record) ? "answering to record the call"
                                               : "the call could not be answered");
}

void LineWatch::OnProblemMessage(const std::string& text) {
    Print("problem: " + text);
}

void LineWatch::OnIncomingCall(const std::string& number, const std::string& name) {
    std::string caller = number;
    if (!name.empty()) {
        caller += (caller.empty() ? "" : " ") + name;
    }
    Print("caller ID: " + (caller.empty() ? std::string("none") : caller));
}

void LineWatch::OnRecordingStarted(const std::string& path) {
    recording = path;
    Print("recording started: " + path);
}

void LineWatch::OnRecordingFinished(const std::string& path) {
    Print("recording finished: " + path);
    recording.clear();  // after its use: End() hands it over as `path`
}

void LineWatch::Print(const std::string& text) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    // Flushed at once: a service manager's journal shows each event as it happens.
    out << std::put_time(&local, "%H:%M:%S") << " " << text << std::endl;
}
