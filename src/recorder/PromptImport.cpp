// Prompt files replaced by conversion or by their defaults.
#include "recorder/PromptImport.h"

#include "audio/files/WaveWriters.h"
#include "base/AtomicFile.h"

namespace {

// Prompts live in the private data folder, readable by the user alone.
constexpr mode_t kPromptMode = 0600;

}  // namespace

PromptImport ImportPrompt(const std::string& input, const std::string& dataFolder, PromptSlot slot,
                          const ConversionProgress& progress) {
    return ImportPrompt(OpenAudioFile(input), dataFolder, slot, progress);
}

PromptImport ImportPrompt(const LSoundSourcePtr& source, const std::string& dataFolder,
                          PromptSlot slot, const ConversionProgress& progress) {
    if (!source || source->IsInvalid()) {
        return PromptImport::Unreadable;
    }
    AtomicFile target(PromptFile(dataFolder, slot), "prompt");
    if (!target.IsOpen()) {
        return PromptImport::Failed;
    }
    bool cancelled = false;
    bool converted = false;
    {
        LSoundSinkPtr writer =
            CreateWaveWriter(target.TempName(), kPromptRate, 0, kPromptBits, kPromptChannels);
        converted =
            ConvertToWriter(source, writer, [&](std::int32_t position, std::int32_t length) {
                cancelled = progress && !progress(position, length);
                return !cancelled;
            });
        converted = converted && !writer->HasFailed();
    }  // the writer finishes the header as it goes
    if (cancelled) {
        return PromptImport::Cancelled;
    }
    return converted && target.Sync(kPromptMode) && target.Replace() ? PromptImport::Done
                                                                     : PromptImport::Failed;
}

bool ResetPromptToDefault(const std::string& dataFolder, PromptSlot slot) {
    return CopyFileReplacing(DefaultPromptFile(dataFolder, slot), PromptFile(dataFolder, slot))
        .empty();
}
