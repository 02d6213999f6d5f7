// The program's call handler: turns the user's call mode (idle, record, hold) into actions on
// the line at every event of the call: the start and end announcements, the recording with its
// periodic tone, the on-hold files in turn, hanging up; reports caller ID, levels, the end of
// each call and what kept a call from being recorded, and hands finished recordings to the
// level queue with the story of its call written into it.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "audio/dsp/LSoundSink.h"
#include "recorder/AppState.h"
#include "recorder/CallStory.h"
#include "recorder/PromptFiles.h"
#include "telephony/LTapiCallHandler.h"

class RecorderLine : public LTapiCallHandler {
public:
    // What the recorder is doing on the call; every decision compares it with the call mode.
    enum class Operation : std::int32_t {
        None = 0,
        StartPrompt = 1,  // playing the recording-started announcement
        EndPrompt = 2,    // playing the recording-stopped announcement
        Recording = 3,
        OnHold = 4,  // playing an on-hold file
    };

    // Caller ID comes between the first and the second ring: it is reported once, at the
    // second.
    static constexpr std::uint32_t kCallerIdRing = 2;

    // Recording settings that are not settings keys (the maximum length is the application
    // state's).
    static constexpr std::int32_t kRecordSilenceLimit = 600000;  // 60 s
    static constexpr std::int8_t kRecordThreshold = -127;        // every block is sound
    static constexpr std::int32_t kNoToneInterval = 216000000;   // 6 hours: never in practice

    // `lineName` is the line device's name, as each recording's info keeps it.
    explicit RecorderLine(AppState& app, std::string lineName = {});

    bool OfferCall(std::uint32_t ringCount) override;
    void OnLineService(bool inService) override;
    void Start() override;
    void OnDigit(char digit) override;
    // The end of a recording tone leaves the call and the recording running.
    void OnGenerateDone() override {}
    void OnPlayDone() override;
    // A failed write is told and ends the call; at the maximum length the call goes on in a
    // new file; after a long silence the call ends.
    void OnRecordDone() override;
    void OnRecordProgress(std::int32_t position) override;
    void OnRecordLevel(std::int8_t level) override;
    void OnPlayProgress(std::int32_t position) override;
    void OnPlayLevel(std::int8_t level) override;
    // The line has already ended any recording; nothing more can reach anyone, so the call is
    // released.
    void OnRemoteHangUp() override;
    void OnCallEnded() override;

    Operation GetOperation() const { return operation; }
    // The recording being made, or the last one of this call not yet handed on.
    const std::string& CurrentFile() const { return currentFile; }

private:
    void Drop();
    // Drops the call with nothing more to do on it.
    void Release();
    // Releases the call when its far end has gone while something plays to it; true when it
    // did.
    bool ReleaseIfFarEndGone();
    void BeginRecording();
    // Starts a recording file; `continues` when it takes over from one at its maximum length.
    void StartRecordingProper(bool continues = false);
    void StopCheck();
    void HoldCheck();
    void NextOnHoldFile();
    void HandOnRecording();
    void SetOperation(Operation next);
    // False when the prompt could not be played (told, and the call released).
    bool PlayPrompt(PromptSlot slot);
    void SendLevel(std::int8_t level);

    AppState& app;
    const std::string lineName;
    Operation operation = Operation::None;
    std::string currentFile;
    CallStory story;  // of `currentFile`
    // The recording's length in frames as last reported (events between reports are noted
    // there; what happens after its audio stopped, such as hold, at its end).
    std::int32_t recordedFrames = 0;
    std::int32_t promptFrames = 0;  // the length of the prompt playing
    // The writer of the recording being made, held while the line records into it to learn how
    // the recording ended (its error and length).
    LSoundSinkPtr writer;
    std::int32_t toneInterval = 0;
    std::int32_t nextTone = 0;
};

// "none", "start prompt", "end prompt", "recording" or "on hold", so that test failures and
// messages name the operation.
const char* RecorderOperationName(RecorderLine::Operation operation);
std::ostream& operator<<(std::ostream& out, RecorderLine::Operation operation);
