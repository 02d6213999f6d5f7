// A settings page with prompt or on-hold files (the Record and the Hold page): its play and
// change buttons go to a preview that lives as long as the settings sheet.
#pragma once

#include <map>
#include <string>

#include "controls/LDialog.h"
#include "ui/PromptPreview.h"

class PromptPage : public LDialog {
    Q_OBJECT

public:
    PromptPreview& Preview() { return preview; }

    // The play and change buttons of the page's files.
    void OnCommand(int id, int code) override;
    // The sheet is going: a preview stops.
    void OnDestroy() override;

protected:
    PromptPage(std::string settingsFile, std::string dataFolder, const PromptPageTexts& texts,
               QWidget* parent);

    // Sends the commands of the buttons bound as `playId` and `changeId` to `slot`'s preview
    // and change menu.
    void RoutePromptButtons(int playId, int changeId, PromptSlot slot);

    std::string settingsFile;

private:
    struct PromptButton {
        PromptSlot slot;
        bool play;  // else change
    };

    PromptPreview preview;
    std::map<int, PromptButton> promptButtons;
};
