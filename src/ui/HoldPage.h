// The Hold page of the settings sheet: the three on-hold files and the telephone play process
// (volume adjustment, high-pass filter, compressor threshold).
#pragma once

#include <string>

#include "ui/PromptPage.h"

class HoldPage : public PromptPage {
    Q_OBJECT

public:
    // Play and change buttons of on-hold file n (1 to 3): 99 + 2n and 100 + 2n.
    static constexpr int kIdPlayOnHold1 = 101;
    static constexpr int kIdChangeOnHold1 = 102;
    static constexpr int kIdPlayOnHold2 = 103;
    static constexpr int kIdChangeOnHold2 = 104;
    static constexpr int kIdPlayOnHold3 = 105;
    static constexpr int kIdChangeOnHold3 = 106;
    static constexpr int kIdAudioGain = 108;
    static constexpr int kIdHighPass = 109;
    static constexpr int kIdCompressorThreshold = 110;

    HoldPage(std::string settingsFile, std::string dataFolder, QWidget* parent = nullptr);

    void OnInit() override;
    bool OnOK() override;
    void OnHelp() override;
};
