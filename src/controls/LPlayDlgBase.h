// The base of the play and record dialogs: playback device and volume, the name field, the
// position read-out, level meter, waveform and scroll bar, the transport buttons with their keys,
// winding, and the "player" settings. How the file is opened is left to the dialog built on it.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "audio/devices/LSoundPlayer.h"
#include "audio/devices/WaveHeader.h"
#include "controls/LDialog.h"
#include "controls/LWaveView.h"
#include "controls/LWaveViewReader.h"
#include "settings/SettingsKeys.h"

class QBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class LDBDisplay;
class LDBEdit;

inline constexpr char kPlayerSection[] = "player";
namespace player_settings {
inline constexpr IntSetting kDevice{"device", 0};
inline constexpr DBSetting kVolume{"volume", 0};
}  // namespace player_settings

// What the caller hands the dialog, and reads back once it has closed.
struct LPlayParams {
    static constexpr std::uint16_t kNameDisabled = 0x01;
    static constexpr std::uint16_t kNameEdited = 0x02;  // set by the dialog
    static constexpr std::uint16_t kAutoClose = 0x10;
    static constexpr std::uint16_t kPreviousTrack = 0x20;
    static constexpr std::uint16_t kNextTrack = 0x40;
    // Results the play dialog stores before closing.
    static constexpr int kResultPreviousTrack = 2;
    static constexpr int kResultNextTrack = 3;
    static constexpr int kMaxName = 256;

    // Reads the "player" settings; the flags become kNameDisabled and the name is cleared.
    void Load(const std::string& settingsFile);
    void Save(const std::string& settingsFile) const;

    std::uint16_t flags = 0;
    QString name;
    std::uint8_t device = 0;  // wave output device
    std::int8_t volume = 0;   // dB
    std::string path;
    int result = 0;
};

class LPlayDlgBase : public LDialog, protected LSoundPlayerNotify {
public:
    static constexpr int kIdPosition = 103;
    static constexpr int kIdMeter = 104;
    static constexpr int kIdWave = 105;
    static constexpr int kIdScroll = 106;
    static constexpr int kIdDevice = 107;
    static constexpr int kIdVolume = 108;
    static constexpr int kIdPlay = 111;
    static constexpr int kIdScrub = 112;
    static constexpr int kIdStop = 113;
    static constexpr int kIdStart = 114;
    static constexpr int kIdRewind = 115;
    static constexpr int kIdForward = 116;
    static constexpr int kIdEnd = 117;
    static constexpr int kIdName = 120;
    // Codes of the held buttons, Rewind and Forward.
    static constexpr int kCodePressed = 0x100;
    static constexpr int kCodeReleased = 0x101;
    static constexpr int kScrollRange = 200;
    static constexpr int kMaxDevices = 127;
    // The faces of the buttons that a dialog built on this one gives other meanings for a while.
    static constexpr char kStartTip[] = "Go to Start (Home)";
    static constexpr char kForwardIcon[] = "ForwardBitmap";
    static constexpr char kForwardTip[] = "Forward (->)";
    static constexpr char kEndTip[] = "Go to End (End)";

    enum class PlayMode { Stopped, Playing, Scrubbing };
    enum class Winding { None, Rewinding, Forwarding };

    explicit LPlayDlgBase(LPlayParams& params, QWidget* parent = nullptr);
    ~LPlayDlgBase() override;

    PlayMode Mode() const { return mode; }
    Winding WindingState() const { return winding; }
    // The displayed position, 1/10,000 s.
    std::int32_t Position() const { return position; }

protected:
    // The file as a fresh source, or empty when it cannot be opened.
    virtual LSoundSourcePtr OpenSource() = 0;

    void OnInit() override;
    void Update() override;
    void OnCommand(int id, int code) override;
    bool PreTranslate(QKeyEvent* event) override;
    void OnDestroy() override;

    void OnPlayerPlaying(std::uint32_t cookie) override;
    void OnPlayerStopped(std::uint32_t cookie) override;
    void OnPlayerScrubbing(std::uint32_t cookie) override;
    void OnPlayerPosition(std::uint32_t cookie, std::int32_t units) override;
    void OnPlayerLevels(const LLevelReport& report, std::uint32_t cookie) override;

    // Stops and plays the file from the displayed position.
    void Play();
    void Scrub();
    // Stops playing and winding.
    void Stop();
    void GoToStart();
    void GoToEnd();
    void StartWinding(Winding direction);
    // Stops winding and resumes what was going on before it.
    void StopWinding();
    // Opens the file for the waveform reader, unless it is reading already.
    void ShowWaveform();
    void SetPosition(std::int32_t units);
    // Shows the position in the read-out, the scroll bar and the waveform, which follows it.
    void ShowPosition();
    // The audio's length in frames at `sampleRate`, as a freshly opened source or a growing
    // recording gives it.
    void SetExtent(std::int32_t frames, std::int32_t sampleRate);
    std::int32_t LengthFrames() const { return lengthFrames; }
    // The rate of the source last opened; 0 before one was.
    std::int32_t SampleRate() const { return rate; }
    std::int32_t ToFrames(std::int32_t units) const;
    std::int32_t ToUnits(std::int32_t frames) const;
    // Shows the levels of what is played or recorded on the meter.
    void ShowLevels(const LLevelReport& report);
    QPushButton* AddTransportButton(int id, const char* icon, const char* tip, bool toggle);
    // Gives button `id` its icon and tooltip.
    void SetFace(int id, const char* icon, const char* tip);
    // Fills combo box `id` with the names of the wave devices (at most kMaxDevices) and selects
    // device `selected`, or nothing when there is no such device.
    void FillDevices(int id, WaveDirection direction, int selected);
    // Sets the fixed size: what the controls need, at least the given dialog units.
    void FixSize(int widthUnits, int heightUnits);

    LPlayParams& params;
    LSoundPlayer player;
    LWaveView view;
    LWaveViewReader reader;  // after the view, so that it stops before the view goes
    // The dialog's rows, top to bottom, and the row of transport buttons, for the dialogs built
    // on this one to add theirs to.
    QBoxLayout* rows;
    QBoxLayout* transport;

private:
    // Rewind and Forward, which act while held down.
    QPushButton* AddHeldButton(int id, const char* icon, const char* tip);
    void SetMode(PlayMode newMode);
    void SetWinding(Winding newWinding);
    // Takes the length and rate of a freshly opened source.
    void Measure(LSoundSource& source);
    void Scroll(int request);
    void OnWaveCommand(int code);
    // Presses or releases a held button from the keyboard.
    void HoldButton(int id, bool down);
    std::int8_t PlayerDevice() const;
    void ApplyVolume();

    QLabel* positionText;
    QLineEdit* nameField;

    PlayMode mode = PlayMode::Stopped;
    Winding winding = Winding::None;
    PlayMode resumeMode = PlayMode::Stopped;  // what winding returns to
    std::int32_t position = 0;                // 1/10,000 s
    std::int32_t length = 0;                  // 1/10,000 s
    std::int32_t lengthFrames = 0;
    std::int32_t rate = 0;  // 0 until a source was opened
};
