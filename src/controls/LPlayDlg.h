// The play control dialog: plays one WAV file from the moment it opens, with the events kept in
// the file as markers on the waveform, optional previous and next track navigation for stepping
// through a list of recordings and an optional auto-close.
#pragma once

#include <QTimer>

#include "controls/LPlayDlgBase.h"

class LPlayDlg : public LPlayDlgBase {
public:
    // How long the dialog waits after playback stops before it closes by itself.
    static constexpr int kAutoCloseMs = 1200;

    explicit LPlayDlg(LPlayParams& params, QWidget* parent = nullptr);

protected:
    LSoundSourcePtr OpenSource() override;
    void OnInit() override;
    void OnCommand(int id, int code) override;
    bool PreTranslate(QKeyEvent* event) override;
    void OnDestroy() override;
    void OnPlayerPlaying(std::uint32_t cookie) override;
    void OnPlayerStopped(std::uint32_t cookie) override;

    QTimer autoClose;

private:
    bool Offers(std::uint16_t flag) const { return (params.flags & flag) != 0; }
    // Marks the events the file keeps on the waveform.
    void ShowMarkers();
    // Stores `result` for the caller and closes.
    void CloseWithResult(int result);
    void OnAutoClose();
};
