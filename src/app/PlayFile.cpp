// The play dialog as a program of its own.
#include "app/PlayFile.h"

#include <QFileInfo>
#include <cstdio>

#include "audio/files/WaveReaders.h"
#include "controls/LPlayDlg.h"
#include "controls/LProgressDialog.h"
#include "settings/Folders.h"

std::optional<QString> PlayFileArgument(const QStringList& arguments) {
    qsizetype at = arguments.indexOf(QStringLiteral("--play"));
    if (at < 0) {
        return std::nullopt;
    }
    return at + 1 < arguments.size() ? arguments[at + 1] : QString();
}

int PlayFile(const QString& file) {
    if (file.isEmpty()) {
        std::fprintf(stderr, "quillon: --play needs a FILE\n");
        return 1;
    }
    std::string settingsFile = ResolveProgramFolders().settingsFile;
    LPlayParams params;
    params.Load(settingsFile);
    params.path = file.toStdString();
    params.name = QFileInfo(file).fileName();
    bool readable = static_cast<bool>(OpenWaveFile(params.path));
    if (!readable) {
        std::fprintf(stderr, "quillon: cannot open %s as a WAV file\n", qPrintable(file));
    }
    LPlayDlg dialog(params);
    dialog.setWindowTitle(dialog.windowTitle() + QStringLiteral(" - ") + params.name);
    RunModelessDialog(dialog, nullptr);
    params.Save(settingsFile);
    return readable ? 0 : 1;
}
