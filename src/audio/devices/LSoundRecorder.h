// Records 16-bit PCM from a wave input device into a sink in blocks of a tenth of a second,
// measures each block's peak level per channel, and can run voice-operated: it waits for sound
// above a threshold, writes while sound lasts, cuts long silences out and waits again.
#pragma once

#include <QObject>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/devices/LLevelReport.h"
#include "audio/devices/WaveIn.h"
#include "audio/dsp/LSoundSink.h"

// What a recorder tells its owner, always on the thread that owns the recorder.
class LSoundRecorderNotify {
public:
    virtual ~LSoundRecorderNotify() = default;
    virtual void OnRecorderWriting(std::uint32_t /*cookie*/) {}
    virtual void OnRecorderWaiting(std::uint32_t /*cookie*/) {}
    virtual void OnRecorderStopped(std::uint32_t /*cookie*/) {}
    // `position`: the sink's length in 1/10,000 s.
    virtual void OnRecorderPosition(std::uint32_t /*cookie*/, std::int32_t /*position*/) {}
    virtual void OnRecorderLevels(const LLevelReport& /*report*/, std::uint32_t /*cookie*/) {}
};

// Start options.
inline constexpr std::uint16_t kRecorderOpenStopped = 0x01;   // the caller starts the device
inline constexpr std::uint16_t kRecorderStartWriting = 0x02;  // no waiting for sound

class LSoundRecorder {
public:
    enum State : std::uint32_t { kIdle = 0, kWaiting = 1, kWriting = 2 };

    LSoundRecorder();
    ~LSoundRecorder();
    LSoundRecorder(const LSoundRecorder&) = delete;
    LSoundRecorder& operator=(const LSoundRecorder&) = delete;

    // Records into `sink` (its rate and channels). `silenceLimit` and `maximumLength` are in
    // 1/10,000 s (a maximum of 0 or less: no limit); `threshold` in dB (-127: every block is
    // sound). False, with no notification, when the sink is missing, invalid or failed or the
    // device refuses the format. A sink that fails while recording stops the recorder.
    bool Start(const LSoundSinkPtr& sink, std::uint16_t options, std::int32_t silenceLimit,
               std::int8_t threshold, std::int32_t maximumLength);
    void Stop();
    // Discards the take and waits for sound again.
    void Restart();
    bool IsActive() const { return state != kIdle; }
    // Starts the input device of a recorder started with kRecorderOpenStopped.
    void StartInput();

    // The peak level in dB of a block whose largest magnitude is `peak` (internal scale):
    // -127 for silence, +12 for 16-bit full scale.
    static std::int8_t PeakLevel(std::int32_t peak);

    std::int8_t device = 0;  // wave input device id
    LSoundRecorderNotify* target = nullptr;
    std::uint32_t cookie = 0;

    State GetState() const { return state; }
    const LLevelReport& GetLevelReport() const { return levelReport; }
    // The sink being recorded into; empty when idle.
    const LSoundSinkPtr& GetSink() const { return sink; }

private:
    struct Buffer {
        std::vector<std::int16_t> memory;
        WaveHeader header;
    };

    void OnBlock(WaveHeader* header, std::uint32_t generation);
    // Measures channel levels over the first `frames` frames of the work buffer; returns the
    // single level.
    std::int8_t MeasureLevels(std::int32_t frames);
    std::int32_t SinkLength() const;
    void WriteToSink(const std::int32_t* samples, std::int32_t frames);

    // The device's filled blocks, queued for the owner's thread; those still queued when it goes
    // are dropped.
    std::unique_ptr<QObject> inbox;
    State state = kIdle;
    LSoundSinkPtr sink;
    LLevelReport levelReport;
    std::vector<std::int32_t> work;
    std::unique_ptr<WaveIn> waveIn;
    std::int32_t blockFrames = 0;
    std::int32_t blockValues = 0;
    std::vector<std::unique_ptr<Buffer>> buffers;
    std::int32_t maximumLength = 0;
    std::int8_t threshold = 0;
    std::int8_t lowThreshold = 0;
    std::int32_t lastSoundPosition = 0;
    std::int32_t silenceLimit = 0;
    std::vector<std::int32_t> previousBlock;
    bool havePrevious = false;
    // Blocks of an earlier Start that are still on their way are recognised and ignored.
    std::uint32_t generation = 0;
};
