// The tip of the day: one of the ten tips of the help shown at start-up, with the switch that
// turns the start-up tips off.
#pragma once

#include <string>

#include "controls/LDialog.h"

class TipDialog : public LDialog {
    Q_OBJECT

public:
    static constexpr int kIdTip = 101;
    static constexpr int kIdShowTips = 102;
    static constexpr int kIdNextTip = 103;

    // Shows tip `number` (0 to 9).
    TipDialog(std::string settingsFile, int number, QWidget* parent = nullptr);

    void OnInit() override;
    void OnCommand(int id, int code) override;

    int Number() const { return number; }

private:
    void ShowTipPage();

    std::string settingsFile;
    int number;
};

// The tip to show at this start, from "tipno" modulo 10; "tipno" is advanced to the next.
int TakeStartupTip(const std::string& settingsFile);
// Whether the help has the page of tip `number`.
bool HasTip(int number);
