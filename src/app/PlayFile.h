// `quillon --play FILE`: the play dialog on one sound file, for auditioning a recording or a
// prompt from a file manager, beside a running recorder or without one.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The FILE of "--play FILE" in `arguments` as the program got them; empty without the option.
std::optional<QString> PlayFileArgument(const QStringList& arguments);

// Shows the play dialog on `file` with the "player" settings, which it saves when closed; returns
// the exit code: 0, or 1 when the file cannot be opened (the dialog then shows it stopped) or
// none was named.
int PlayFile(const QString& file);
