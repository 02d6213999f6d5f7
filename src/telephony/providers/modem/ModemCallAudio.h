// The audio of a modem line: a wave device pair the line's calls play to and record from. What
// the modem receives is decoded into a short queue that the input device reads at its clock's
// pace; what is played to the output device, with generated beeps and digits mixed in, is sent
// to the modem a little behind the clock, once the player has handed it over.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "audio/devices/DeviceClock.h"
#include "audio/devices/VirtualWaveDevice.h"
#include "audio/devices/WaveDevices.h"
#include "telephony/LineTones.h"
#include "telephony/providers/modem/ModemVoiceFormat.h"

class ModemCallAudio {
public:
    // The input device starts reading once this much has come, and keeps about this much in
    // hand: the modem's bytes come in bursts, and its clock is not the device clock.
    static constexpr std::int32_t kReceiveLatencyFrames = 480;  // 60 ms
    static constexpr std::int32_t kReceiveSlackFrames = 2400;   // then old audio is dropped
    // Played audio is sent this long after it sounded: the player hands a buffer over only once
    // it has played (its buffers hold a tenth of a second).
    static constexpr std::int64_t kTransmitDelayNs = 200'000'000;

    ModemCallAudio(const std::string& name, DeviceClock& clock);
    ~ModemCallAudio();
    ModemCallAudio(const ModemCallAudio&) = delete;
    ModemCallAudio& operator=(const ModemCallAudio&) = delete;

    const WaveDeviceRegistration& WaveDevices() const { return registration; }

    // A stream begins in `format`: the receive queue and the transmit timeline start afresh, at
    // the clock's present.
    void Begin(const VoiceFormat& format);
    // No stream: the input device hears silence and what is played is dropped.
    void End();

    // Bytes the modem received from the line.
    void Received(std::span<const std::uint8_t> bytes);

    // A tone to send from the present on; returns the clock time it ends.
    std::int64_t AddTone(const LineTone& toneAtZero);
    // Drops generated tones that have not sounded yet.
    void CutTones();
    // Whether there is audio waiting to be sent (played or generated, up to the present).
    bool HasTransmit();
    // The bytes to send for the line frames up to the clock's present less the transmit delay,
    // in the stream's format and shielded. Empty when nothing is due.
    std::vector<std::uint8_t> TakeTransmit();

private:
    void GenerateInput(std::int16_t* samples, std::int32_t frames, const WavePcmFormat& format);
    // Places what the player handed over on the transmit timeline.
    void CollectPlayed(const std::vector<VirtualWaveDevice::PlayedAudio>& played);

    DeviceClock& clock;
    std::shared_ptr<VirtualWaveDevice> device;
    WaveDeviceRegistration registration;

    std::mutex mutex;  // what follows; taken after the device's lock
    bool streaming = false;
    std::unique_ptr<VoiceDecoder> decoder;
    std::unique_ptr<VoiceEncoder> encoder;
    std::deque<std::int16_t> received;
    bool primed = false;
    std::int64_t transmitFrame = 0;     // the next line frame to send
    std::vector<std::int32_t> pending;  // mixed audio from transmitFrame on
    std::vector<LineTone> tones;
    std::vector<std::int16_t> decoded;
    std::vector<std::int16_t> outgoing;
    std::vector<std::uint8_t> encoded;
};
