// quillon-tool prompt: replaces an announcement or on-hold file as the settings sheet does
// (loaded, spoken or reset) or plays it, for scripted set-ups and machines without a desktop.
#include <algorithm>
#include <array>
#include <utility>

#include "audio/level/LevelQueueFile.h"
#include "base/TempFiles.h"
#include "recorder/AppState.h"
#include "recorder/PromptImport.h"
#include "settings/SettingsKeys.h"
#include "speech/SpeechEngines.h"
#include "speech/SpeechSynthesis.h"
#include "tool/AudioInput.h"
#include "tool/Tool.h"
#include "tool/ToolOptions.h"

namespace {

constexpr std::array<std::pair<const char*, PromptSlot>, 5> kSlotNames{{
    {"start", PromptSlot::StartPrompt},
    {"end", PromptSlot::EndPrompt},
    {"hold1", PromptSlot::OnHold1},
    {"hold2", PromptSlot::OnHold2},
    {"hold3", PromptSlot::OnHold3},
}};

// Converts `input` into the slot and queues the result for levelling.
int Load(const AppState& app, PromptSlot slot, const std::string& input, std::ostream& out,
         std::ostream& err) {
    const std::string target = PromptFile(app.dataFolder, slot);
    switch (ImportPrompt(input, app.dataFolder, slot)) {
        case PromptImport::Done:
            break;
        case PromptImport::Unreadable:
            return ReportUnreadableInput(input, "a WAV or MP3 file", err);
        case PromptImport::Cancelled:
        case PromptImport::Failed:
            err << "quillon-tool: cannot write " << target << "; the prompt is as it was\n";
            return kToolFailed;
    }
    out << target << ": replaced";
    if (LevelQueueFile(app.dataFolder + kLevelQueueFileName).Append(target)) {
        out << ", queued for levelling";
    }
    out << "\n";
    return kToolOk;
}

int Say(const AppState& app, PromptSlot slot, const std::string& text, const std::string& voice,
        std::ostream& out, std::ostream& err) {
    int engine = voice.empty() ? PreferredSpeechEngine(app.settingsFile) : FindSpeechEngine(voice);
    if (engine < 0) {
        err << "quillon-tool: there is no voice " << voice << "\n";
        return kToolFailed;
    }
    ScratchFolder scratch("speech");
    const std::string spoken = scratch.path + "/Synthesized.wav";
    switch (scratch.path.empty() ? SpeechResult::Failed : SynthesizeSpeech(text, engine, spoken)) {
        case SpeechResult::Done:
            return Load(app, slot, spoken, out, err);
        case SpeechResult::NoEngine:
            err << "quillon-tool: no speech voices are installed (Debian: espeak-ng-data)\n";
            return kToolFailed;
        case SpeechResult::Cancelled:
        case SpeechResult::Failed:
            break;
    }
    err << "quillon-tool: the text could not be spoken\n";
    return kToolFailed;
}

}  // namespace

int RunPromptCommand(const ToolArgs& args, std::ostream& out, std::ostream& err) {
    ToolOptions options;
    if (auto problem = ParseToolOptions(args, {"--load", "--say", "--voice"}, {"--reset", "--play"},
                                        options)) {
        return UsageError(err, *problem);
    }
    const int actions = options.Has("--load") + options.Has("--say") + options.Has("--reset") +
                        options.Has("--play");
    if (options.positional.size() != 1 || actions != 1) {
        return UsageError(err, "prompt takes a SLOT and one of --load, --say, --reset, --play");
    }
    const auto named = std::find_if(kSlotNames.begin(), kSlotNames.end(), [&](const auto& entry) {
        return options.positional[0] == entry.first;
    });
    if (named == kSlotNames.end()) {
        return UsageError(err, "SLOT is start, end, hold1, hold2 or hold3");
    }
    if (options.Has("--voice") && !options.Has("--say")) {
        return UsageError(err, "--voice goes with --say");
    }
    const PromptSlot slot = named->second;
    AppState app;
    ResolveAppFolders(app);
    if (options.Has("--load")) {
        return Load(app, slot, options.Value("--load", ""), out, err);
    }
    if (options.Has("--say")) {
        return Say(app, slot, options.Value("--say", ""), options.Value("--voice", ""), out, err);
    }
    if (options.Has("--reset")) {
        if (!ResetPromptToDefault(app.dataFolder, slot)) {
            err << "quillon-tool: cannot copy " << DefaultPromptFile(app.dataFolder, slot) << "\n";
            return kToolFailed;
        }
        out << PromptFile(app.dataFolder, slot) << ": reset to the default\n";
        return kToolOk;
    }
    return RunPlayCommand(
        {PromptFile(app.dataFolder, slot), "--device",
         std::to_string(ReadSetting(app.settingsFile, settings::kPlayDevice)), "--volume",
         std::to_string(ReadSetting(app.settingsFile, settings::kPlayVolume))},
        out, err);
}
