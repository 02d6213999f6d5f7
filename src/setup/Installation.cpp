// Installing the program from its installation file.
#include "setup/Installation.h"

#include <unistd.h>

#include <QString>
#include <cstdio>
#include <filesystem>

#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "base/PosixFile.h"
#include "controls/LProgressDialog.h"
#include "recorder/PromptImport.h"
#include "settings/Folders.h"
#include "setup/DeliveredPrompt.h"
#include "setup/DesktopEntries.h"
#include "setup/InstallationFile.h"
#include "setup/PayloadTable.h"
#include "setup/SetupTexts.h"
#include "ui/MessageTexts.h"

namespace {

// The prompts share the bar after the copy, a fifth each.
constexpr double kPromptShare = 1.0 / std::size(kPromptSlots);

class InstallTask : public LProgressDialog {
public:
    InstallTask(int file, const std::vector<std::string>& payload, const InstallationIndex& index,
                std::string folder)
        : file(file), payload(payload), index(index), folder(std::move(folder)) {
        title = QString::fromLatin1(kSetupFirstLine);
    }

    bool installed = false;  // every step ran
    bool failed = false;     // a file could not be written

protected:
    std::uint32_t Work() override {
        SetText(QString::fromLatin1(kSetupFirstLine), 0);
        SetText(QString::fromLatin1(kSetupSecondLine), 1);
        if (!CopyEntries()) {
            return 0;
        }
        SetText(QString::fromLatin1(kFinalizingText), 1);
        if (!ConvertPrompts()) {
            return 0;
        }
        AddMenuEntries(folder);
        AddShortcut(folder);
        const std::string program = folder + "/" + kProgramEntry;
        const std::string uninstaller = folder + "/" + kUninstallerFile;
        failed = !CopyFileReplacing(program, uninstaller).empty() || failed;
        AddUninstallRecord(folder + "/", uninstaller);
        failed = !AppendTrailer(program, kProgramTrailer) ||
                 !AppendTrailer(uninstaller, kUninstallerTrailer) || failed;
        installed = true;
        return 0;
    }

private:
    // Copies each entry to its file in blocks with the bar; false when cancelled.
    bool CopyEntries() {
        const double total = static_cast<double>(std::max<std::uint64_t>(index.TotalBytes(), 1));
        std::uint64_t at = 0;
        char block[kInstallBlockBytes];
        for (std::size_t i = 0; i < payload.size(); ++i) {
            SetText(QString::fromStdString(payload[i]), 1);
            const std::string target = folder + "/" + payload[i];
            std::error_code ignored;  // a folder that cannot be made fails the file below
            std::filesystem::create_directories(ParentFolder(target), ignored);
            AtomicFile out(target, "install");
            bool written = out.IsOpen();
            for (std::uint64_t left = index.sizes[i]; left > 0;) {
                const std::size_t want =
                    static_cast<std::size_t>(std::min<std::uint64_t>(sizeof block, left));
                const bool read =
                    ReadAllAt(file, static_cast<std::int64_t>(at), block, want) == want;
                written = written && read && WriteAll(out.Fd(), std::string_view(block, want));
                at += want;
                left -= want;
                SetProgress(static_cast<double>(at) / total);
                if (Pump()) {
                    failed = true;
                    return false;
                }
            }
            const mode_t mode = payload[i] == kProgramEntry ? 0755 : 0644;
            failed = !(written && out.Sync(mode) && out.Replace()) || failed;
        }
        return true;
    }

    // Decodes each delivered MP3 prompt into the slot's file and its default, then deletes the
    // MP3 file; after a prompt that cannot be converted the rest are not tried. False when
    // cancelled.
    bool ConvertPrompts() {
        SetText(QString::fromLatin1(kUncompressPromptsText), 1);
        bool converting = true;
        bool cancelled = false;
        for (std::size_t n = 0; n < std::size(kPromptSlots); ++n) {
            const std::string mp3 = folder + "/" + PromptEntry(kPromptSlots[n]);
            converting = converting && ConvertPrompt(n, mp3, cancelled);
            ::unlink(mp3.c_str());
        }
        failed = !converting || failed;
        return !cancelled;
    }

    // The prompt `n` of kPromptSlots from `mp3`; true when it and its default
    // were written.
    bool ConvertPrompt(std::size_t n, const std::string& mp3, bool& cancelled) {
        LSoundSourcePtr louder = OpenDeliveredPrompt(mp3);
        if (!louder) {
            return false;
        }
        const std::string dataFolder = folder + "/";
        const PromptSlot slot = kPromptSlots[n];
        PromptImport result =
            ImportPrompt(louder, dataFolder, slot, [&](std::int32_t position, std::int32_t length) {
                const double done = length > 0 ? static_cast<double>(position) / length : 0.0;
                SetProgress(kPromptShare * (static_cast<double>(n) + done));
                return !Pump();
            });
        cancelled = result == PromptImport::Cancelled;
        return result == PromptImport::Done &&
               CopyFileReplacing(PromptFile(dataFolder, slot), DefaultPromptFile(dataFolder, slot))
                   .empty();
    }

    int file;
    const std::vector<std::string>& payload;
    const InstallationIndex& index;
    const std::string folder;
};

// The installation folder is the default data folder; the program's files and its data share
// it, and the recordings and logs have their folders inside.
void RegisterFolders(const std::string& folder) {
    const std::string foldersFile = FoldersFile();
    std::error_code ignored;  // without it the registration below fails as silently
    std::filesystem::create_directories(ConfigFolder(), ignored);
    WriteProfileString(foldersFile, kFoldersSection, kProgramFilesValue, folder);
    WriteProfileString(foldersFile, kFoldersSection, kDataFilesValue, folder);
    for (const char* value : {kRecordingsValue, kLogsValue}) {
        const std::string sub = folder + "/" + value;
        ::mkdir(sub.c_str(), 0700);
        WriteProfileString(foldersFile, kFoldersSection, value, sub);
    }
}

}  // namespace

int RunInstallation(const SetupRequest& request) {
    const bool yes = request.Has(kYesOption);
    UniqueFd file = OpenRegularFile(request.programFile, O_RDONLY | O_CLOEXEC);
    std::optional<InstallationIndex> index;
    if (file && request.payload.size() <= kMaxPayloadEntries) {
        index = ReadInstallationIndex(file.Get(), request.payload.size());
    }
    if (!index || !ChecksumMatches(file.Get(), *index)) {
        if (yes) {
            std::fprintf(stderr, "%s: %.*s\n", request.programFile.c_str(),
                         static_cast<int>(messages::kInstallError.text.size()),
                         messages::kInstallError.text.data());
        } else {
            ShowMessage(nullptr, messages::kInstallError);
        }
        return 1;
    }
    if (!yes && !request.acceptTerms()) {
        return 0;
    }
    const std::string folder = DefaultDataFolder();
    RegisterFolders(folder);
    InstallTask task(file.Get(), request.payload, *index, folder);
    task.Run(nullptr);
    if (!task.installed) {
        return 1;
    }
    request.start(folder + "/" + kProgramEntry, {QString::fromLatin1(kInstallArgument)});
    return task.failed ? 1 : 0;
}
