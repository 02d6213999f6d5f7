// Where the program's folders are.
#include "settings/Folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <vector>

#include "base/IniFile.h"

namespace {

// An environment variable that holds an absolute path (relative ones are ignored, as the
// desktop's base-directory rules say).
std::optional<std::string> AbsolutePathVariable(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr || value[0] != '/') {
        return std::nullopt;
    }
    return std::string(value);
}

std::string StripTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// Creates each missing folder of `path` private to the user.
void MakePrivateFolders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        std::string part = path.substr(0, slash);
        ::mkdir(part.c_str(), 0700);  // an existing folder is left unchanged
        if (slash == std::string::npos) {
            return;
        }
    }
}

// Where the variable `name` points, else `homeSubFolder` of the home folder.
std::string BaseFolder(const char* name, const char* homeSubFolder) {
    if (std::optional<std::string> dir = AbsolutePathVariable(name)) {
        return StripTrailingSlashes(*dir);
    }
    std::string home = HomeFolder();
    return home.empty() ? "" : StripTrailingSlashes(home) + homeSubFolder;
}

}  // namespace

std::string HomeFolder() {
    if (std::optional<std::string> home = AbsolutePathVariable("HOME")) {
        return *home;
    }
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/') {
        return found->pw_dir;
    }
    return "";
}

std::string ConfigHomeFolder() {
    return BaseFolder("XDG_CONFIG_HOME", "/.config");
}

std::string DataHomeFolder() {
    return BaseFolder("XDG_DATA_HOME", "/.local/share");
}

std::string ConfigFolder() {
    if (std::optional<std::string> dir = AbsolutePathVariable("QUILLON_CONFIG_DIR")) {
        return StripTrailingSlashes(*dir);
    }
    std::string base = ConfigHomeFolder();
    return base.empty() ? "" : base + "/Ostrel/Quillon";
}

std::string FoldersFile() {
    std::string folder = ConfigFolder();
    return folder.empty() ? "" : folder + "/folders.ini";
}

std::string DefaultDataFolder() {
    std::string base = DataHomeFolder();
    std::string folder;
    if (!base.empty()) {
        folder = base + "/Ostrel/Quillon";
    } else {
        char* cwd = ::getcwd(nullptr, 0);
        folder = StripTrailingSlashes(cwd ? cwd : ".") + "/Quillon Recorder";
        std::free(cwd);
    }
    MakePrivateFolders(folder);
    return folder;
}

std::string ResolveFolder(std::string_view valueName, std::string_view defaultSubFolder) {
    std::string file = FoldersFile();
    if (!file.empty()) {
        std::optional<std::string> value = ReadProfileValue(file, kFoldersSection, valueName);
        if (value && !value->empty()) {
            return StripTrailingSlashes(*value);
        }
    }
    std::string folder = DefaultDataFolder();
    if (!defaultSubFolder.empty()) {
        folder += "/";
        folder += defaultSubFolder;
    }
    return folder;
}

ProgramFolders ResolveProgramFolders() {
    ProgramFolders folders;
    folders.dataFolder = ResolveFolder(kDataFilesValue, "") + "/";
    folders.settingsFile = folders.dataFolder + kSettingsFileName;
    folders.recordingsFolder = ResolveFolder(kRecordingsValue, kRecordingsValue) + "/";
    folders.logsFolder = ResolveFolder(kLogsValue, kLogsValue) + "/";
    return folders;
}
