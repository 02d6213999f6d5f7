// What the play and record dialog tests share: the dialog with its key hook and its parts within
// reach, a virtual device pair on a test clock, and device time moved on in steps of 10 ms.
#pragma once

#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLabel>
#include <QScrollBar>
#include <memory>

#include "audio/devices/WaveDevices.h"
#include "controls/LWaveView.h"
#include "support/QtTestApp.h"
#include "support/QtWidgetsTestApp.h"
#include "support/TempDir.h"

template <class Dialog>
class ReachableDialog : public Dialog {
public:
    using Dialog::Dialog;

    // Presses (or releases) `key` as the dialog's runner hands it over.
    bool Key(int key, QEvent::Type type = QEvent::KeyPress) {
        QKeyEvent event(type, key, Qt::NoModifier);
        return this->PreTranslate(&event);
    }
    QString Readout() const { return this->template ItemAs<QLabel>(Dialog::kIdPosition)->text(); }
    QScrollBar* ScrollBar() const { return this->template ItemAs<QScrollBar>(Dialog::kIdScroll); }
    LWaveViewState View() const { return this->view.Snapshot(); }
    void AwaitWaveform() const { this->reader.AwaitIdle(); }
};

template <class Dialog, class Params>
class AudioDialogTest : public ::testing::Test {
protected:
    // Opens the dialog on `params` with `flags`.
    Dialog& Open(std::uint16_t flags = 0) {
        params.flags = flags;
        dialog = std::make_unique<Dialog>(params);
        dialog->Initialize();
        return *dialog;
    }
    // Plays or records on for `ms` milliseconds of device time.
    void RunFor(int ms) {
        for (int i = 0; i < ms / 10; ++i) {
            clock.Advance(10'000'000);
            DeliverPostedEvents();
        }
    }

    QApplication& application = QtWidgetsTestApp();  // before any widget
    TempDir folder;
    const std::string file = folder / "audio.wav";
    TestClock clock;
    std::shared_ptr<VirtualWaveDevice> device = std::make_shared<VirtualWaveDevice>("audio", clock);
    WaveDeviceRegistration registration{device};
    Params params;
    std::unique_ptr<Dialog> dialog;
};
