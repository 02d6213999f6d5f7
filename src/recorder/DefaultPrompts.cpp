// The five prompts shipped inside the program.
#include "recorder/DefaultPrompts.h"

#include <unistd.h>

#include <cerrno>

#include "base/AtomicFile.h"
#include "base/PosixFile.h"

// The WAV files are assembled into the program as read-only data, each between a start and an
// end symbol.
#define QUILLON_EMBED(symbol, file)                                                        \
    asm(".section .rodata\n.balign 16\n.hidden " #symbol "\n.global " #symbol "\n" #symbol \
        ":\n.incbin \"" QUILLON_PROMPTS_DIR "/" file "\"\n.hidden " #symbol                \
        "End\n.global " #symbol "End\n" #symbol "End:\n.previous\n");                      \
    extern "C" const char symbol[];                                                        \
    extern "C" const char symbol##End[]

QUILLON_EMBED(quillonStartPrompt, "Start Prompt.wav");
QUILLON_EMBED(quillonEndPrompt, "End Prompt.wav");
QUILLON_EMBED(quillonOnHold1, "On-Hold 1.wav");
QUILLON_EMBED(quillonOnHold2, "On-Hold 2.wav");
QUILLON_EMBED(quillonOnHold3, "On-Hold 3.wav");

namespace {

std::string_view Between(const char* begin, const char* end) {
    return {begin, static_cast<std::size_t>(end - begin)};
}

// Writes `data` as `path` only when nothing has that name: the content goes to a temporary file
// first and is linked into place, so the file appears whole or not at all.
bool WriteNew(const std::string& path, std::string_view data) {
    AtomicFile next(path);
    return WriteAll(next.Fd(), data) && next.Sync(0600) && next.Create();
}

}  // namespace

std::span<const DefaultPrompt> DefaultPrompts() {
    static const DefaultPrompt prompts[] = {
        {PromptSlot::StartPrompt, Between(quillonStartPrompt, quillonStartPromptEnd)},
        {PromptSlot::EndPrompt, Between(quillonEndPrompt, quillonEndPromptEnd)},
        {PromptSlot::OnHold1, Between(quillonOnHold1, quillonOnHold1End)},
        {PromptSlot::OnHold2, Between(quillonOnHold2, quillonOnHold2End)},
        {PromptSlot::OnHold3, Between(quillonOnHold3, quillonOnHold3End)},
    };
    return prompts;
}

std::vector<std::string> InstallDefaultPrompts(const std::string& dataFolder) {
    std::vector<std::string> written;
    for (const DefaultPrompt& prompt : DefaultPrompts()) {
        for (const std::string& path :
             {PromptFile(dataFolder, prompt.slot), DefaultPromptFile(dataFolder, prompt.slot)}) {
            if (::access(path.c_str(), F_OK) != 0 && errno == ENOENT &&
                WriteNew(path, prompt.data)) {
                written.push_back(path);
            }
        }
    }
    return written;
}
