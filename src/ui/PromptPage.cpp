// The settings pages with prompt or on-hold files.
#include "ui/PromptPage.h"

PromptPage::PromptPage(std::string settingsFile, std::string dataFolder,
                       const PromptPageTexts& texts, QWidget* parent)
    : LDialog(parent),
      settingsFile(settingsFile),
      preview(std::move(settingsFile), std::move(dataFolder), texts) {}

void PromptPage::RoutePromptButtons(int playId, int changeId, PromptSlot slot) {
    promptButtons[playId] = {slot, true};
    promptButtons[changeId] = {slot, false};
}

void PromptPage::OnCommand(int id, int /*code*/) {
    auto button = promptButtons.find(id);
    if (button == promptButtons.end()) {
        return;
    }
    if (button->second.play) {
        preview.Toggle(button->second.slot, this);
    } else {
        preview.ShowChangeMenu(button->second.slot, this);
    }
}

void PromptPage::OnDestroy() {
    preview.Stop();
}
