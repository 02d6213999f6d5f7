// Finding the desktop's input mixer.
#include "controls/RecordMixer.h"

#include <QStandardPaths>

std::optional<RecordMixerCommand> FindRecordMixer() {
    QString pavucontrol = QStandardPaths::findExecutable(QStringLiteral("pavucontrol"));
    if (!pavucontrol.isEmpty()) {
        return RecordMixerCommand{pavucontrol, {QStringLiteral("--tab=4")}};
    }
    // alsamixer is a terminal program: it needs a terminal window to show in.
    QString alsamixer = QStandardPaths::findExecutable(QStringLiteral("alsamixer"));
    QString terminal = QStandardPaths::findExecutable(QStringLiteral("x-terminal-emulator"));
    if (alsamixer.isEmpty() || terminal.isEmpty()) {
        return std::nullopt;
    }
    return RecordMixerCommand{
        terminal,
        {QStringLiteral("-e"), alsamixer, QStringLiteral("-V"), QStringLiteral("capture")}};
}
