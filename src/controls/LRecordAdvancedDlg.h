// The record dialog's advanced options: auto-trim, voice-activated recording and the threshold
// at which the input counts as sound.
#pragma once

#include "controls/LDialog.h"

struct LRecordParams;

class LRecordAdvancedDlg : public LDialog {
public:
    static constexpr int kIdAutoTrim = 101;
    static constexpr int kIdVoiceActivated = 102;
    static constexpr int kIdThresholdLabel = 103;
    static constexpr int kIdThreshold = 104;

    explicit LRecordAdvancedDlg(LRecordParams& params, QWidget* parent = nullptr);

protected:
    void OnInit() override;
    void Update() override;
    bool OnOK() override;

private:
    LRecordParams& params;
};
