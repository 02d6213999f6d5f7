// The record control dialog: the play dialog's controls and behaviour with recording added, for
// recording a prompt or an on-hold message from a microphone or another input. A take can start
// anywhere in the file: what comes before it stays and the take overwrites the rest.
#pragma once

#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "audio/devices/LSoundRecorder.h"
#include "controls/LPlayDlgBase.h"
#include "controls/RecordMixer.h"

inline constexpr char kRecorderSection[] = "recorder";
namespace record_settings {
inline constexpr BoolSetting kAutoTrim{"autotrim", true};
inline constexpr BoolSetting kVoiceActivated{"vor", false};
inline constexpr IntSetting kSampleRate{"samplerate", 44100};
inline constexpr IntSetting kChannels{"channels", 2};
inline constexpr IntSetting kDevice{"device", 0};
inline constexpr IntSetting kInputChannel{"inputchannel", -1};
// In the "player" section, beside the play dialog's keys; the record volume is
// player_settings::kVolume.
inline constexpr DBSetting kThreshold{"threshold", -24};
}  // namespace record_settings

// The play dialog's block with what recording needs. The play dialog's flag bits 4 and 5 are the
// record options here.
struct LRecordParams : LPlayParams {
    static constexpr std::uint16_t kAutoTrim = 0x10;
    static constexpr std::uint16_t kVoiceActivated = 0x20;
    // What the dialog returns, and stores in `result`, when the caller is to record the next item.
    static constexpr int kResultRecordNext = 2;
    // The threshold's range, dB.
    static constexpr int kMinThreshold = -40;
    static constexpr int kMaxThreshold = -6;
    // How long a silence ends a take: 5 s with voice-activated recording, else 6 hours, which is
    // never in practice (1/10,000 s).
    static constexpr std::int32_t kVoiceSilenceLimit = 50'000;
    static constexpr std::int32_t kNoSilenceLimit = 216'000'000;

    // Reads the play dialog's settings, then the record settings; the record volume comes from
    // the same "player" key as the playback volume. The flags become the two option bits and the
    // path is cleared.
    void Load(const std::string& settingsFile);
    // Writes the play dialog's settings, then the record settings, so that the "player" volume
    // ends up holding the record volume.
    void Save(const std::string& settingsFile) const;

    // What a take is recorded with: the level below which the input is silence (the threshold
    // with auto-trim, else 0 dB), and how long a silence ends the take.
    std::int8_t SilenceThreshold() const;
    std::int32_t SilenceLimit() const;

    std::uint32_t sampleRate = 44100;
    std::uint8_t channels = 2;
    std::int8_t recordDevice = 0;   // wave input device
    std::int8_t inputChannel = -1;  // mixer input line; -1: none chosen
    std::int8_t recordVolume = 0;   // dB
    std::int8_t threshold = -24;    // dB
};

class LRecordDlg : public LPlayDlgBase, protected LSoundRecorderNotify {
public:
    static constexpr int kIdRecordDevice = 100;
    static constexpr int kIdInputChannel = 101;
    static constexpr int kIdRecordVolume = 102;
    static constexpr int kIdAdvanced = 109;
    static constexpr int kIdRecord = 110;
    static constexpr int kIdRecordMixer = 119;

    explicit LRecordDlg(LRecordParams& params, QWidget* parent = nullptr);
    ~LRecordDlg() override;

    bool IsRecording() const { return recording; }
    // The frame the current take began at.
    std::int32_t TakeStart() const { return takeStart; }

    // Starts a program detached from this one; true when it started. Tests put their own here.
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;

protected:
    LSoundSourcePtr OpenSource() override;
    void OnInit() override;
    void Update() override;
    void OnCommand(int id, int code) override;
    bool PreTranslate(QKeyEvent* event) override;
    void OnDestroy() override;

    void OnRecorderWriting(std::uint32_t cookie) override;
    void OnRecorderWaiting(std::uint32_t cookie) override;
    void OnRecorderStopped(std::uint32_t cookie) override;
    void OnRecorderPosition(std::uint32_t cookie, std::int32_t position) override;
    void OnRecorderLevels(const LLevelReport& report, std::uint32_t cookie) override;

    // Records over the file from `frame` on, keeping what comes before it.
    void RecordFrom(std::int32_t frame);
    void StopRecording();
    // Stores the record-next result and closes.
    void RecordNext();

    LRecordParams& recordParams;
    LSoundRecorder recorder;

private:
    void SetRecording(bool on);
    // Fills the input channel list for the record device and shows the volume or the mixer
    // button to go with the selection.
    void FillInputChannels();
    void ShowVolumeOrMixer();
    // Gives the recorder its device and selects the input line at the record volume.
    void UseInput();
    void OpenRecordMixer();

    bool recording = false;
    std::int32_t takeStart = 0;                     // frames
    std::optional<RecordMixerCommand> recordMixer;  // none installed: empty
};
