// The program's place on the user's desktop.
#include "setup/DesktopEntries.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QStandardPaths>
#include <filesystem>

#include "base/AtomicFile.h"
#include "base/IniFile.h"
#include "base/PosixFile.h"
#include "settings/Folders.h"
#include "setup/PayloadTable.h"

namespace {

constexpr char kProgramEntryFile[] = "ostrel-quillon-recorder.desktop";
constexpr char kUninstallEntryFile[] = "ostrel-quillon-uninstall.desktop";
constexpr char kHelpEntryFile[] = "ostrel-quillon-help.desktop";
constexpr char kDirectoryFile[] = "ostrel-quillon-recorder.directory";
constexpr char kMenuFile[] = "ostrel-quillon-recorder.menu";
constexpr char kShortcutName[] = "quillon-recorder.desktop";
// A theme icon every freedesktop icon theme has.
constexpr char kIconName[] = "audio-input-microphone";
// Programs started through the desktop wait no longer than this.
constexpr int kHelperWaitMs = 5000;

std::string ApplicationsFolder() {
    std::string data = DataHomeFolder();
    return data.empty() ? "" : data + "/applications";
}

std::string DirectoriesFolder() {
    std::string data = DataHomeFolder();
    return data.empty() ? "" : data + "/desktop-directories";
}

std::string MergedMenusFolder() {
    std::string config = ConfigHomeFolder();
    return config.empty() ? "" : config + "/menus/applications-merged";
}

bool WriteTextFile(const std::string& path, const std::string& text, mode_t mode) {
    std::error_code ignored;  // a folder that cannot be made fails the write below
    std::filesystem::create_directories(ParentFolder(path), ignored);
    AtomicFile file(path, "entry");
    return file.IsOpen() && WriteAll(file.Fd(), text) && file.Sync(mode) && file.Replace();
}

// One argument of an Exec line: quoted with the characters the desktop entry rules reserve
// escaped, then escaped once more as a string value; "%" stands for itself only doubled.
std::string ExecArgument(const std::string& argument) {
    std::string quoted = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    std::string value;
    for (char c : quoted) {
        if (c == '\\') {
            value += "\\\\";
        } else if (c == '%') {
            value += "%%";
        } else {
            value += c;
        }
    }
    return value;
}

std::string ApplicationEntry(const std::string& name, const std::string& comment,
                             const std::string& exec, const std::string& categories) {
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nComment=" + comment +
           "\nExec=" + exec + "\nIcon=" + kIconName + "\nTerminal=false\nCategories=" + categories +
           "\n";
}

std::string ProgramEntryText(const std::string& installFolder) {
    return ApplicationEntry(kProgramItem, "Record telephone calls on a voice modem",
                            ExecArgument(installFolder + "/" + kProgramEntry),
                            "AudioVideo;Audio;Recorder;");
}

// The uninstaller and the help show in the program's own menu folder only.
constexpr char kOwnCategory[] = "X-Ostrel-Quillon;";

std::string MenuText() {
    // Menu readers take the file by its root element; it needs no document type line.
    return std::string(
               "<Menu>\n  <Name>Applications</Name>\n  <Menu>\n    <Name>") +
           kMenuFolderName + "</Name>\n    <Directory>" + kDirectoryFile +
           "</Directory>\n    <Include>\n      <Filename>" + kProgramEntryFile +
           "</Filename>\n      <Filename>" + kUninstallEntryFile + "</Filename>\n      <Filename>" +
           kHelpEntryFile + "</Filename>\n    </Include>\n  </Menu>\n</Menu>\n";
}

// Runs `program` with `arguments` and returns its output; empty when it is missing or fails.
std::string RunHelper(const QString& program, const QStringList& arguments) {
    if (QStandardPaths::findExecutable(program).isEmpty()) {
        return "";
    }
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(kHelperWaitMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        process.kill();
        process.waitForFinished(kHelperWaitMs);
        return "";
    }
    return process.readAllStandardOutput().trimmed().toStdString();
}

}  // namespace

std::vector<std::string> MenuFiles() {
    std::string applications = ApplicationsFolder();
    if (applications.empty()) {
        return {};
    }
    return {applications + "/" + kProgramEntryFile, applications + "/" + kUninstallEntryFile,
            applications + "/" + kHelpEntryFile, DirectoriesFolder() + "/" + kDirectoryFile,
            MergedMenusFolder() + "/" + kMenuFile};
}

bool AddMenuEntries(const std::string& installFolder) {
    std::vector<std::string> files = MenuFiles();
    if (files.empty()) {
        return false;
    }
    const std::string texts[] = {
        ProgramEntryText(installFolder),
        ApplicationEntry(kUninstallItem, "Remove Quillon Recorder from this computer",
                         ExecArgument(installFolder + "/" + kUninstallerFile), kOwnCategory),
        ApplicationEntry(
            kHelpItem, "How Quillon Recorder is used",
            "xdg-open " + ExecArgument(installFolder + "/" + kHelpEntryFolder + "/index.html"),
            kOwnCategory),
        std::string("[Desktop Entry]\nType=Directory\nName=") + kMenuFolderName +
            "\nIcon=" + kIconName + "\n",
        MenuText(),
    };
    bool written = true;
    for (std::size_t i = 0; i < files.size(); ++i) {
        written = WriteTextFile(files[i], texts[i], 0644) && written;
    }
    return written;
}

std::string DesktopFolder() {
    std::string folder = RunHelper(QStringLiteral("xdg-user-dir"), {QStringLiteral("DESKTOP")});
    if (!folder.empty() && folder[0] == '/') {
        return folder;
    }
    std::string home = HomeFolder();
    return home.empty() ? "" : home + "/Desktop";
}

std::string ShortcutFile() {
    std::string folder = DesktopFolder();
    return folder.empty() ? "" : folder + "/" + kShortcutName;
}

bool AddShortcut(const std::string& installFolder) {
    std::string file = ShortcutFile();
    struct stat st {};
    // A desktop without a desktop folder shows no shortcuts; none is made for it.
    if (file.empty() || ::stat(ParentFolder(file).c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        !WriteTextFile(file, ProgramEntryText(installFolder), 0755)) {
        return false;
    }
    // Without the mark, or without gio, the desktop asks once before it starts the shortcut.
    RunHelper(QStringLiteral("gio"), {QStringLiteral("set"), QString::fromStdString(file),
                                      QStringLiteral("metadata::trusted"), QStringLiteral("true")});
    return true;
}

std::string UninstallRecordFile(const std::string& dataFolder) {
    return dataFolder + kUninstallRecordName;
}

void AddUninstallRecord(const std::string& dataFolder, const std::string& uninstaller) {
    std::string file = UninstallRecordFile(dataFolder);
    if (::access(file.c_str(), F_OK) == 0) {
        return;
    }
    WriteProfileString(file, kUninstallSection, kDisplayNameKey, kDisplayName);
    WriteProfileString(file, kUninstallSection, kUninstallStringKey, uninstaller);
}
