// The play control dialog proper.
#include "controls/LPlayDlg.h"

#include <QKeyEvent>

#include "audio/files/RecordingInfo.h"
#include "audio/files/WaveReaders.h"
#include "settings/TimeText.h"

namespace {

// Go to start steps back a track instead when the position is below this, in 1/10,000 s.
constexpr std::int32_t kPreviousTrackWithin = kTimeUnitsPerSecond;

}  // namespace

LPlayDlg::LPlayDlg(LPlayParams& params, QWidget* parent) : LPlayDlgBase(params, parent) {
    autoClose.setInterval(kAutoCloseMs);
    autoClose.setSingleShot(true);
    connect(&autoClose, &QTimer::timeout, this, [this] { OnAutoClose(); });
}

LSoundSourcePtr LPlayDlg::OpenSource() {
    return OpenWaveFile(params.path);
}

void LPlayDlg::OnInit() {
    LPlayDlgBase::OnInit();
    if (Offers(LPlayParams::kPreviousTrack)) {
        Item(kIdStart)->setToolTip(QStringLiteral("Go to Start / Previous Track (Home/PgUp)"));
    }
    if (Offers(LPlayParams::kNextTrack)) {
        Item(kIdEnd)->setToolTip(QStringLiteral("Next Track (PgDn)"));
    }
    Play();
    ShowWaveform();
    ShowMarkers();
}

void LPlayDlg::ShowMarkers() {
    if (std::optional<RecordingInfo> info = ReadRecordingInfo(params.path)) {
        view.SetMarkers(MarkersOf(*info, static_cast<std::uint32_t>(SampleRate())));
    }
}

void LPlayDlg::OnCommand(int id, int code) {
    if (id == kIdStart && Offers(LPlayParams::kPreviousTrack) &&
        Position() < kPreviousTrackWithin) {
        CloseWithResult(LPlayParams::kResultPreviousTrack);
    } else if (id == kIdEnd && Offers(LPlayParams::kNextTrack)) {
        CloseWithResult(LPlayParams::kResultNextTrack);
    } else {
        LPlayDlgBase::OnCommand(id, code);
    }
}

bool LPlayDlg::PreTranslate(QKeyEvent* event) {
    bool previous = event->key() == Qt::Key_PageUp;
    if (!previous && event->key() != Qt::Key_PageDown) {
        return LPlayDlgBase::PreTranslate(event);
    }
    // Taken even when not offered, so that it does not page through the device list.
    if (event->type() == QEvent::KeyPress &&
        Offers(previous ? LPlayParams::kPreviousTrack : LPlayParams::kNextTrack)) {
        CloseWithResult(previous ? LPlayParams::kResultPreviousTrack
                                 : LPlayParams::kResultNextTrack);
    }
    return true;
}

void LPlayDlg::OnDestroy() {
    autoClose.stop();
    LPlayDlgBase::OnDestroy();
}

void LPlayDlg::OnPlayerPlaying(std::uint32_t cookie) {
    LPlayDlgBase::OnPlayerPlaying(cookie);
    autoClose.stop();
}

void LPlayDlg::OnPlayerStopped(std::uint32_t cookie) {
    LPlayDlgBase::OnPlayerStopped(cookie);
    if (Offers(LPlayParams::kAutoClose) && WindingState() == Winding::None && !IsFinished()) {
        autoClose.start();
    }
}

void LPlayDlg::CloseWithResult(int result) {
    params.result = result;
    accept();
}

void LPlayDlg::OnAutoClose() {
    if (!player.IsActive()) {
        accept();
    }
}
