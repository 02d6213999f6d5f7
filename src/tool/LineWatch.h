// What `quillon-tool watch` prints of the line it watches: one line per event, after the local
// time (HH:MM:SS): rings with their count, the caller ID as the caller log has it, call states
// (a disconnection with its reason), digits the far party presses, fax calling tones,
// recordings as they start and finish, and what kept a call from being recorded. Asked to, it
// records every call from its second ring, as the user's Record command does.
#pragma once

#include <QObject>
#include <cstdint>
#include <ostream>
#include <string>

#include "recorder/AppState.h"
#include "recorder/RecorderSession.h"

class LineWatch : public MainWindowNotify {
public:
    // Watches the line of `session` and stands in for the main window of `app` until destroyed.
    LineWatch(AppState& app, RecorderSession& session, std::ostream& out, bool recordCalls);
    ~LineWatch() override;
    LineWatch(const LineWatch&) = delete;
    LineWatch& operator=(const LineWatch&) = delete;

    // After the session's shutdown, which ended the call: the recording it was making is
    // finished with the session.
    void End();

    // The meter, the popup and the window's refresh have no place in a terminal; the caller ID
    // and the call's end are told with the line's own events.
    void OnLevelMessage(std::int8_t) override {}
    void OnCallerIdMessage(const std::string&) override {}
    void OnCallEndedMessage() override {}
    void OnProblemMessage(const std::string& text) override;
    void OnIncomingCall(const std::string& number, const std::string& name) override;
    void OnRecordingStarted(const std::string& path) override;
    void OnRecordingFinished(const std::string& path) override;

private:
    // A message of the line, before the line acts on it.
    void OnLineMessage(std::uint32_t message, std::uintptr_t param1, std::uintptr_t param2,
                       std::uintptr_t param3);
    // Answers the ringing call in record mode, once the ring has been handled.
    void RecordCall();
    void Print(const std::string& text);

    AppState& app;
    RecorderSession& session;
    std::ostream& out;
    bool recordCalls;
    std::string recording;  // started and not yet finished
    QObject inbox;          // what is posted to run after the line's message
};
