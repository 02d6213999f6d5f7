// The Record page of the settings sheet: the recording-started and recording-stopped
// announcements, the recording tone and its interval, and how long recordings are kept.
#pragma once

#include <string>

#include "ui/PromptPage.h"

class RecordPage : public PromptPage {
    Q_OBJECT

public:
    static constexpr int kIdStartPrompt = 101;
    static constexpr int kIdPlayStartPrompt = 102;
    static constexpr int kIdChangeStartPrompt = 103;
    static constexpr int kIdRecordTone = 104;
    static constexpr int kIdToneIntervalLabel = 105;
    static constexpr int kIdToneInterval = 106;
    static constexpr int kIdEndPrompt = 107;
    static constexpr int kIdPlayEndPrompt = 108;
    static constexpr int kIdChangeEndPrompt = 109;
    static constexpr int kIdDeleteDays = 110;

    RecordPage(std::string settingsFile, std::string dataFolder, QWidget* parent = nullptr);

    void OnInit() override;
    bool OnOK() override;
    void OnHelp() override;
    void Update() override;
};
