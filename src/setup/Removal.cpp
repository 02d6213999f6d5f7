// Removing the installed program.
#include "setup/Removal.h"

#include <unistd.h>

#include <filesystem>

#include "audio/level/LevelQueueFile.h"
#include "base/AtomicFile.h"
#include "base/TempFiles.h"
#include "controls/LDialog.h"
#include "controls/LProgressDialog.h"
#include "recorder/CallerLog.h"
#include "recorder/PromptFiles.h"
#include "recorder/RecordingFiles.h"
#include "settings/Folders.h"
#include "setup/DesktopEntries.h"
#include "setup/PayloadTable.h"
#include "setup/SetupTexts.h"

namespace {

// The folder the installation made the program's folders in.
constexpr char kMakerFolder[] = "Ostrel";

void RemoveFile(const std::string& path) {
    ::unlink(path.c_str());  // one that is not there is removed already
}

// Removes `folder` when it is empty, and then its parent when that is the maker's folder and
// empty too.
void RemoveEmptyFolder(const std::string& folder) {
    const std::filesystem::path path = std::filesystem::path(folder).lexically_normal();
    const std::filesystem::path named = path.has_filename() ? path : path.parent_path();
    if (::rmdir(named.c_str()) == 0 && named.parent_path().filename() == kMakerFolder) {
        ::rmdir(named.parent_path().c_str());
    }
}

// The caller logs of `folder`: its regular files named as they are.
std::vector<std::string> ListCallerLogs(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(folder, missing)) {
        const std::string name = entry.path().filename();
        std::error_code ignored;
        if (IsLogFileName(name) && entry.is_regular_file(ignored) && !entry.is_symlink(ignored)) {
            names.push_back(name);
        }
    }
    return names;
}

class RemoveTask : public LProgressDialog {
public:
    explicit RemoveTask(const SetupRequest& request) : request(request) {
        title = QString::fromLatin1(kSetupFirstLine);
    }

protected:
    std::uint32_t Work() override {
        SetText(QString::fromLatin1(kSetupFirstLine), 0);
        SetText(QString::fromLatin1(kSetupSecondLine), 1);
        bool deleteRecordings = request.Has(kDeleteRecordingsOption);
        if (!request.Has(kYesOption)) {
            std::optional<bool> answer = request.confirmRemoval(Window());
            if (!answer) {
                return 0;
            }
            deleteRecordings = *answer;
        }
        const std::string recordings = ResolveFolder(kRecordingsValue, kRecordingsValue) + "/";
        const std::string logs = ResolveFolder(kLogsValue, kLogsValue) + "/";
        const std::string data = ResolveFolder(kDataFilesValue, "") + "/";
        const std::string program = ResolveFolder(kProgramFilesValue, "") + "/";

        RemoveFile(ShortcutFile());
        RemoveFile(UninstallRecordFile(data));
        for (const std::string& file : MenuFiles()) {
            RemoveFile(file);
        }
        if (deleteRecordings) {
            for (const std::string& name : ListRecordings(recordings)) {
                RemoveFile(recordings + name);
            }
            for (const std::string& name : ListCallerLogs(logs)) {
                RemoveFile(logs + name);
            }
        }
        RemoveEmptyFolder(recordings);
        RemoveEmptyFolder(logs);
        for (PromptSlot slot : kPromptSlots) {
            RemoveFile(PromptFile(data, slot));
            RemoveFile(DefaultPromptFile(data, slot));
        }
        RemoveFile(data + kSettingsFileName);
        RemoveFile(data + kLevelQueueFileName);
        RemoveEmptyFolder(data);
        for (const std::string& entry : request.payload) {
            RemoveFile(program + entry);
        }
        RemoveFile(program + kUninstallerFile);
        // The folders the installation made, when the user has registered others since.
        for (const char* folder : {kHelpEntryFolder, kRecordingsValue, kLogsValue}) {
            RemoveEmptyFolder(program + folder);
        }
        RemoveEmptyFolder(program);
        RemoveFile(FoldersFile());
        RemoveEmptyFolder(ConfigFolder());
        return 0;
    }

private:
    const SetupRequest& request;
};

}  // namespace

int RunRemoval(const SetupRequest& request) {
    if (request.arguments.isEmpty()) {
        const std::string folder = CreateUniqueFolder(TemporaryFolder(), "uninst");
        const std::string copy = folder + "/" + kUninstallerFile;
        return !folder.empty() && CopyFileReplacing(request.programFile, copy).empty() &&
                       request.start(copy, {QString::fromLatin1(kUninstallArgument)})
                   ? 0
                   : 1;
    }
    RemoveTask task(request);
    task.Run(nullptr);
    // The uninstaller that made the temporary copy running this removal has ended by now: the
    // copy goes in the sweep of what ended runs left behind.
    RemoveTemporaries(TemporaryFolder(), TempSweep::Ended);
    return 0;
}
