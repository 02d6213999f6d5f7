// The desktop's input mixer, which the record dialog opens for choosing and levelling the input:
// the program that shows it, as found on PATH.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

struct RecordMixerCommand {
    QString program;  // the full path
    QStringList arguments;
};

// pavucontrol on its input devices tab when installed, otherwise alsamixer's capture view in the
// desktop's terminal; empty when neither can be started.
std::optional<RecordMixerCommand> FindRecordMixer();
