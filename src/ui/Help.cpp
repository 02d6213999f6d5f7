// The program's help pages.
#include "ui/Help.h"

#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include "ui/HelpWindow.h"

namespace {

std::string PageName(int context) {
    switch (context) {
        case kHelpContents:
            return "index.html";
        case kHelpGeneralPage:
            return "settings-general.html";
        case kHelpRecordPage:
            return "settings-record.html";
        case kHelpHoldPage:
            return "settings-hold.html";
        case kHelpFindAndPlay:
            return "find-and-play.html";
        case kHelpTroubleshooting:
            return "troubleshooting.html";
        default:
            break;
    }
    if (context >= kHelpFirstTip && context < kHelpFirstTip + kNumTips) {
        return "tip-" + std::to_string(context) + ".html";
    }
    return "";
}

}  // namespace

std::string HelpFolder() {
    if (const char* folder = std::getenv("QUILLON_HELP_DIR"); folder && folder[0] != '\0') {
        return folder;
    }
    return HelpFolderOf(QCoreApplication::applicationDirPath().toStdString());
}

std::string HelpFolderOf(const std::string& programFolder) {
    // A build tree or an unpacked copy keeps the pages beside the program; an installed program
    // lives in <prefix>/bin with its documents under <prefix>/share/doc.
    for (const char* place : {"help", "../share/doc/quillon/help"}) {
        std::filesystem::path folder = std::filesystem::path(programFolder) / place;
        if (std::filesystem::is_directory(folder)) {
            return folder.lexically_normal().string();
        }
    }
    return programFolder + "/help";
}

std::string HelpPageFile(int context) {
    std::string name = PageName(context);
    return name.empty() ? "" : HelpFolder() + "/" + name;
}

bool ShowHelp(int context) {
    std::string file = HelpPageFile(context);
    return !file.empty() && HelpWindow::Show(file, QApplication::activeModalWidget());
}
