// The speech dialog: a text and the voice to speak it with, spoken into a file under a
// progress dialog.
#pragma once

#include <QString>
#include <string>

#include "controls/LDialog.h"

class TTSInputDialog : public LDialog {
    Q_OBJECT

public:
    static constexpr int kIdText = 101;
    static constexpr int kIdVoice = 102;
    // Characters of the text that are spoken.
    static constexpr int kMaxText = 8192;

    // The voice `engineIndex` is chosen at the start; OK writes the one chosen there (0 when
    // none is) and speaks the text into `outputFile`.
    TTSInputDialog(int& engineIndex, std::string outputFile, QWidget* parent = nullptr);

    void OnInit() override;
    // Takes the text and the voice and speaks; the dialog stays open unless that was done (a
    // cancel, no voice at all or a failure). Without voices it says where to get them.
    bool OnOK() override;

    QString text;  // shown at the start; what was spoken after OK

private:
    int& engineIndex;
    std::string outputFile;
};
