// The abstract telephone line: the caller ID of the current call, the call operations a handler
// uses, and the management of call handlers with safe delivery of events to them.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "audio/dsp/LSoundSink.h"
#include "audio/dsp/LSoundSource.h"
#include "telephony/LTapiCallHandler.h"

class LTelephoneLine {
public:
    LTelephoneLine() = default;
    // Deletes the current handler (unless it is the standing one), the standing handler, then
    // the pending one.
    virtual ~LTelephoneLine();
    LTelephoneLine(const LTelephoneLine&) = delete;
    LTelephoneLine& operator=(const LTelephoneLine&) = delete;

    // Call operations, in slot order. Times in 1/10,000 s, levels in dB.
    virtual void GenerateDigits(const char* digits) = 0;
    virtual void BlindTransfer(const char* destination) = 0;
    virtual void Drop() = 0;
    virtual void Beep() {}
    virtual void HandOff() {}
    // Plays `source` to the call; the reference is replaced by the converted source.
    virtual void Play(LSoundSourcePtr& source) = 0;
    // Records the call into `sink`; the reference is replaced when the line wraps the sink.
    virtual void Record(LSoundSinkPtr& sink, std::int32_t silenceLimit, std::int8_t threshold,
                        std::int32_t maximumLength) = 0;
    virtual void Listen(std::int32_t silenceLimit, std::int8_t threshold,
                        std::int32_t maximumLength) = 0;
    virtual void StopAudio() = 0;
    virtual bool IsRecording() = 0;
    // Whether the far end of the call has gone (hung up, or the line reported busy); a play
    // goes on regardless, and the handler decides what follows. False in the base.
    virtual bool IsFarEndGone() { return false; }

    // The handler offered each new call and made current when a call connects. The line owns
    // it; the old one is deleted unless it is the current handler (which then lives until it is
    // replaced).
    void SetStandingHandler(std::unique_ptr<LTapiCallHandler> handler);
    // Replaces the current handler. During an event delivery the new handler is only queued
    // (replacing any queued one) and takes over when the outermost delivery returns. Otherwise
    // audio stops, the old handler goes (unless it is the standing one), and the new one gets
    // Start; no handler drops the call.
    void SetHandler(std::unique_ptr<LTapiCallHandler> handler);

    LTapiCallHandler* StandingHandler() const { return standingHandler.get(); }
    LTapiCallHandler* CurrentHandler() const { return currentHandler; }

    // Caller ID of the current call: at most 31 characters each, NUL-terminated. The number may
    // be one of "Blocked", "Out Of Area", "Unknown", "Unavailable"; empty when unknown.
    char callerNumber[32] = {};
    char callerName[32] = {};

protected:
    // Delivers an event to the current handler (nothing without one).
    template <class Event>
    void Fire(Event event) {
        if (currentHandler == nullptr) {
            return;
        }
        EnterDelivery();
        event(*currentHandler);
        EndDelivery();
    }
    // A call connected: the standing handler becomes current (ending another current handler
    // first) and gets Start.
    void Connected();
    // The call ended: OnCallEnded to the current handler, which then goes.
    void CallEnded();

private:
    void EnterDelivery();
    void EndDelivery();
    // Deletes a handler, or keeps it until the outermost delivery returns when one is running
    // (a handler is never deleted while one of its own events runs).
    void Discard(std::unique_ptr<LTapiCallHandler> handler);
    void ClearCurrent();

    std::unique_ptr<LTapiCallHandler> standingHandler;
    LTapiCallHandler* currentHandler = nullptr;
    // The current handler when it is not the standing one.
    std::unique_ptr<LTapiCallHandler> ownedHandler;
    std::unique_ptr<LTapiCallHandler> pendingHandler;
    std::uint8_t dispatchDepth = 0;
    std::vector<std::unique_ptr<LTapiCallHandler>> discarded;
};
