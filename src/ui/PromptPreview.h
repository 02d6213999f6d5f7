// Listening to a prompt or on-hold file from a settings page, and replacing it: recorded,
// loaded from a WAV or MP3 file, spoken from typed text, or restored to its default. Each page
// that offers them owns one PromptPreview for as long as the settings sheet lives.
#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "audio/devices/LSoundPlayer.h"
#include "recorder/PromptFiles.h"
#include "ui/MessageBox.h"

class QMenu;
class QWidget;

// What differs between the pages.
struct PromptPageTexts {
    MessageRequest playError;  // the sound card refuses to play
    const char* recordName;    // the record dialog's name field
    const char* loadTitle;     // the title of the dialog that picks a file to load
};

class PromptPreview {
public:
    // Change menu commands.
    static constexpr int kIdChangeRecord = 1001;
    static constexpr int kIdChangeLoad = 1002;
    static constexpr int kIdChangeSynthesize = 1003;
    static constexpr int kIdChangeReset = 1004;

    // What the replacements ask of the desktop and the rest of the program; tests put fakes here.
    // Records into `file`; true when something was recorded.
    using Recorder = std::function<bool(const std::string& file, const char* name, QWidget* owner)>;
    // Speaks typed text into `file`; true when it was spoken.
    using Speaker = std::function<bool(const std::string& file, QWidget* owner)>;
    // Asks for an audio file to load, starting in `folder`; empty when cancelled.
    using FileChooser =
        std::function<QString(QWidget* owner, const QString& title, const QString& folder)>;
    // Hands a new prompt to the background level processing.
    using LevelQueue = std::function<void(const std::string& path)>;

    // `settingsFile` gives the playback device and volume; `dataFolder` holds the files.
    PromptPreview(std::string settingsFile, std::string dataFolder, PromptPageTexts texts);
    ~PromptPreview();

    // The play buttons: stops a preview that is playing; otherwise plays the slot's file on the
    // playback device at the playback volume of the settings.
    void Toggle(PromptSlot slot, QWidget* owner);
    bool IsPlaying() const;
    void Stop();

    // The change buttons: remembers the slot and pops up the change menu under the mouse.
    void ShowChangeMenu(PromptSlot slot, QWidget* owner);
    PromptSlot ChangeSlot() const { return changeSlot; }
    // The change menu once shown; empty before.
    QMenu* ChangeMenu() const { return changeMenu.get(); }
    // A change menu command for the remembered slot.
    void Change(int id);

    Recorder record;
    Speaker speak;
    FileChooser chooseFile;
    LevelQueue queueForLevel;

private:
    // Converts `file` into the remembered slot under the progress dialog and queues the result.
    void Process(const std::string& file);

    std::string settingsFile;
    std::string dataFolder;
    PromptPageTexts texts;
    LSoundPlayer player;
    PromptSlot changeSlot = PromptSlot::StartPrompt;
    QWidget* changeOwner = nullptr;
    std::unique_ptr<QMenu> changeMenu;
};
