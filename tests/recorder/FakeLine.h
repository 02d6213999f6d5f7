// A telephone line that notes what its handler asks and fires events through its own dispatch.
#pragma once

#include <string>
#include <vector>

#include "telephony/LTelephoneLine.h"

class FakeLine : public LTelephoneLine {
public:
    void GenerateDigits(const char*) override { ops.push_back("digits"); }
    void BlindTransfer(const char*) override { ops.push_back("transfer"); }
    void Drop() override { ops.push_back("drop"); }
    void Beep() override { ops.push_back("beep"); }
    void Play(LSoundSourcePtr& source) override {
        ops.push_back("play " + std::to_string(source->GetLength()));
        played = source;
    }
    void Record(LSoundSinkPtr& sink, std::int32_t silenceLimit, std::int8_t threshold,
                std::int32_t maximumLength) override {
        ops.push_back("record " + std::to_string(silenceLimit) + " " + std::to_string(threshold) +
                      " " + std::to_string(maximumLength));
        recording = sink;
    }
    void Listen(std::int32_t, std::int8_t, std::int32_t) override { ops.push_back("listen"); }
    void StopAudio() override {
        ops.push_back("stop");
        recording.Release();
    }
    bool IsRecording() override { return static_cast<bool>(recording); }
    bool IsFarEndGone() override { return farEndGone; }

    // The standing handler takes the call, as when the call connects.
    void Connect() { Connected(); }
    void End() {
        recording.Release();
        CallEnded();
    }
    template <class Event>
    void Send(Event event) {
        Fire(event);
    }
    // Operations asked for since the last call, then forgotten.
    std::vector<std::string> Take() { return std::exchange(ops, {}); }
    std::vector<std::string> ops;
    LSoundSourcePtr played;
    LSoundSinkPtr recording;
    bool farEndGone = false;
};
