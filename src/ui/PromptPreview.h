// Listening to a prompt or on-hold file from a settings page, and the menu of ways to replace
// one. Each page that offers them owns one PromptPreview for as long as the settings sheet lives.
#pragma once

#include <QObject>
#include <memory>
#include <string>

#include "audio/devices/LSoundPlayer.h"
#include "recorder/PromptFiles.h"
#include "ui/MessageBox.h"

class QMenu;
class QWidget;

class PromptPreview {
public:
    // Change menu commands.
    static constexpr int kIdChangeRecord = 1001;
    static constexpr int kIdChangeLoad = 1002;
    static constexpr int kIdChangeSynthesize = 1003;
    static constexpr int kIdChangeReset = 1004;

    // `settingsFile` gives the playback device and volume; `dataFolder` holds the files;
    // `playError` is what the page says when the sound card refuses to play.
    PromptPreview(std::string settingsFile, std::string dataFolder, MessageRequest playError);
    ~PromptPreview();

    // The play buttons: stops a preview that is playing; otherwise plays the slot's file on the
    // playback device at the playback volume of the settings.
    void Toggle(PromptSlot slot, QWidget* owner);
    bool IsPlaying() const;
    void Stop();

    // The change buttons: remembers the slot and pops up the change menu under the mouse.
    void ShowChangeMenu(PromptSlot slot);
    PromptSlot ChangeSlot() const { return changeSlot; }
    // The change menu once shown; empty before.
    QMenu* ChangeMenu() const { return changeMenu.get(); }

private:
    std::string settingsFile;
    std::string dataFolder;
    MessageRequest playError;
    LSoundPlayer player;
    PromptSlot changeSlot = PromptSlot::StartPrompt;
    std::unique_ptr<QMenu> changeMenu;
};
