// The call handler interface: the events of the line's current call, in slot order, each with
// the behaviour a handler gets when it does not override it.
#pragma once

#include <cstdint>

class LTelephoneLine;

class LTapiCallHandler {
public:
    // Slot 0: the line deletes the handler.
    virtual ~LTapiCallHandler() = default;

    // A new call rings and has not been answered; asked of the standing handler only. True
    // answers the call.
    virtual bool OfferCall(std::uint32_t ringCount);
    // The handler became the current handler of a call.
    virtual void Start() = 0;
    // A DTMF digit was detected on the call.
    virtual void OnDigit(char digit);
    // Digit or tone generation finished, or GenerateDigits had nothing to send or failed.
    virtual void OnGenerateDone();
    // A play ended, or the player refused to start it.
    virtual void OnPlayDone();
    // A Listen capture ended by itself, or Listen was given no time.
    virtual void OnListenDone();
    // A call recording ended by itself (length limit or silence).
    virtual void OnRecordDone();
    // Each recorded block while recording the call; 1/10,000 s.
    virtual void OnRecordProgress(std::int32_t position);
    virtual void OnRecordLevel(std::int8_t level);
    // The player's position (1/10,000 s) and the level of what is playing now.
    virtual void OnPlayProgress(std::int32_t position);
    virtual void OnPlayLevel(std::int8_t level);
    // A fax calling tone was detected on the call.
    virtual void OnFaxTone();
    // The far end disconnected or the line is busy, or a recording heard the exchange's tone.
    virtual void OnRemoteHangUp();
    // The call went idle and was released.
    virtual void OnCallEnded();
    // The line device went away or came back; told to the standing handler only.
    virtual void OnLineService(bool inService);

    // Set by the line when it takes the handler; null before.
    LTelephoneLine* line = nullptr;

private:
    // What the defaults do when an operation ends or the far end goes: drop the call.
    void DropCall();
};
