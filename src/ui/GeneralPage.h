// The General page of the settings sheet: the line device, the playback device and volume, and
// the caller ID and tip switches.
#pragma once

#include <string>

#include "controls/LDialog.h"

class LineDevices;

class GeneralPage : public LDialog {
    Q_OBJECT

public:
    static constexpr int kIdLineDevice = 101;
    static constexpr int kIdConfigureDevice = 102;
    static constexpr int kIdPlaybackDevice = 103;
    static constexpr int kIdPlayVolume = 104;
    static constexpr int kIdCidFlash = 105;
    static constexpr int kIdShowTip = 106;

    // At most this many playback devices are listed.
    static constexpr int kMaxPlaybackDevices = 127;

    GeneralPage(std::string settingsFile, LineDevices& lines, QWidget* parent = nullptr);

    void OnInit() override;
    bool OnOK() override;
    void OnHelp() override;
    void OnCommand(int id, int code) override;

private:
    std::string settingsFile;
    LineDevices& lines;
};
