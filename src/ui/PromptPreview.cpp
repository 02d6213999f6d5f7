// Prompt previews and the change menu.
#include "ui/PromptPreview.h"

#include <QCursor>
#include <QMenu>

#include "ui/MessageBox.h"
#include "ui/PlaybackDevice.h"

namespace {

// The replacements (record, load, synthesize, restore the default) are offered, greyed out,
// until the audio setup that performs them is in place.
std::unique_ptr<QMenu> CreateChangeMenu() {
    auto menu = std::make_unique<QMenu>();
    struct Entry {
        int id;
        const char* text;
    };
    for (Entry entry : {Entry{PromptPreview::kIdChangeRecord, "&Record..."},
                        Entry{PromptPreview::kIdChangeLoad, "&Load Wav or Mp3 File..."},
                        Entry{PromptPreview::kIdChangeSynthesize, "&Synthesize Speech..."},
                        Entry{PromptPreview::kIdChangeReset, "Reset to &Default"}}) {
        QAction* action = menu->addAction(QString::fromLatin1(entry.text));
        action->setData(entry.id);
        action->setEnabled(false);
    }
    return menu;
}

}  // namespace

PromptPreview::PromptPreview(std::string settingsFile, std::string dataFolder,
                             MessageRequest playError)
    : settingsFile(std::move(settingsFile)),
      dataFolder(std::move(dataFolder)),
      playError(playError) {}

PromptPreview::~PromptPreview() {
    player.Stop();
}

void PromptPreview::Toggle(PromptSlot slot, QWidget* owner) {
    if (player.IsActive()) {
        player.Stop();
        return;
    }
    if (!PlayOnPlaybackDevice(player, settingsFile, PromptFile(dataFolder, slot))) {
        ShowMessage(owner, playError);
    }
}

bool PromptPreview::IsPlaying() const {
    return player.IsActive();
}

void PromptPreview::Stop() {
    player.Stop();
}

void PromptPreview::ShowChangeMenu(PromptSlot slot) {
    changeSlot = slot;
    if (!changeMenu) {
        changeMenu = CreateChangeMenu();
    }
    changeMenu->popup(QCursor::pos());
}
