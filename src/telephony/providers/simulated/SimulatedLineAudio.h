// The audio the simulated line carries: what the parties say and what the program sends.
#pragma once

#include <cstdint>
#include <vector>

#include "audio/devices/VirtualWaveDevice.h"
#include "audio/devices/WaveDevices.h"
#include "audio/dsp/LSoundSource.h"
#include "telephony/LineTones.h"

// On the line's timeline of line frames: what the parties say and the tones of the far end and
// the exchange (the input a call's recorder hears), and what the program sends down the line (the
// capture). Not locked: the line calls it under its own lock. Audio flows only while off hook.
class SimulatedLineAudio {
public:
    // The capture keeps half a minute: whoever reads it does so more often.
    static constexpr std::int64_t kCaptureFrames = 30 * kLineRate;

    // Going off hook starts a new capture at `frame` and brings the near party on the line.
    void GoOffHook(std::int64_t frame);
    // On hook: the parties and the line tones fall silent at `frame`.
    void GoOnHook(std::int64_t frame);
    bool IsOffHook() const { return offHook; }

    // What a party says from line frame `start` (-1: from when it comes on the line), converted
    // to 8 kHz mono; null is silence.
    void SetFarParty(LSoundSourcePtr source, std::int64_t start);
    void SetNearParty(LSoundSourcePtr source, std::int64_t start);
    void FarPartyComesOn(std::int64_t frame);
    // The far party falls silent at `frame`, its tones stop, and `exchangeTone` follows.
    void FarPartyLeaves(std::int64_t frame, const LineTone& exchangeTone);

    // Tones the far end sends: keys, the fax calling tone, the exchange's tones.
    void AddLineTone(const LineTone& tone);
    void StopLineTones(std::int64_t frame);
    // Forgets line tones that ended more than a second before `frame`.
    void ForgetOldLineTones(std::int64_t frame);

    // Digits and tones the program generates from line frame `now` on; they go into the capture.
    void AddGeneratedTones(const std::vector<LineTone>& tones, std::int64_t now);
    // Generated tones end at `frame`.
    void CutGeneratedTones(std::int64_t frame);
    // Brings the capture up to `now` and mixes in what was played to the line's output device.
    void AddPlayed(std::int64_t now, const std::vector<VirtualWaveDevice::PlayedAudio>& played);
    // The capture up to line frame `present`, at most its last kCaptureFrames; Take hands it
    // over, so the next continues there, and sets `from` to the line frame of its first sample.
    std::vector<std::int16_t> Capture(std::int64_t present) const;
    std::vector<std::int16_t> TakeCapture(std::int64_t present, std::int64_t& from);

    // Fills a wave input buffer that began at line frame `from`: the line's audio at 8 kHz mono,
    // repeated to the format asked.
    void FillInput(std::int16_t* samples, std::int32_t frames, const WavePcmFormat& format,
                   std::int64_t from);

private:
    // A source on the line's timeline: frame n of the source sounds at line frame origin + n.
    struct TimedAudio {
        LSoundSourcePtr source;    // 8 kHz mono
        std::int64_t origin = -1;  // -1: waits for its party to come on the line
        std::int64_t consumed = 0;
        bool active = false;
        // Converts `newSource` to 8 kHz mono; it starts at line frame `start` (-1: later).
        void Set(LSoundSourcePtr newSource, std::int64_t start);
        // Starts a source that waits for its party.
        void Start(std::int64_t frame);
        // Adds the audio of line frames [from, from + count) to `mix`. A jump ahead (the line
        // was not listened to meanwhile) skips the source forward, as the party spoke on.
        void Mix(std::int32_t* mix, std::int64_t from, std::int32_t count,
                 std::vector<std::int32_t>& scratch);
    };

    void ExtendCapture(std::int64_t toFrame);
    void AddCaptureTone(const LineTone& tone);
    void MixIntoCapture(std::int64_t from, const std::int32_t* values, std::int32_t count);

    bool offHook = false;
    TimedAudio farParty;
    TimedAudio nearParty;
    std::vector<LineTone> inputTones;
    std::vector<std::int32_t> inputMix;
    std::vector<std::int32_t> sourceScratch;

    std::vector<std::int16_t> capture;
    std::int64_t captureStart = 0;       // line frame of capture[0]
    std::vector<LineTone> captureTones;  // generated digits and tones
};
