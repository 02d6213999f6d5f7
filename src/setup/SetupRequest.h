// What an installation or a removal is given: the running program file, its arguments, the
// payload table, and the questions and program starts, which tests replace.
#pragma once

#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

struct SetupRequest {
    std::string programFile;  // the installation file or the uninstaller that runs
    QStringList arguments;    // the program's arguments, without its name
    std::vector<std::string> payload;
    // The terms dialog: true when the user agreed.
    std::function<bool()> acceptTerms;
    // The removal's question over `owner`: nothing for No, else whether the recordings and
    // caller logs are deleted too.
    std::function<std::optional<bool>(QWidget* owner)> confirmRemoval;
    // Starts `program` with `arguments` without waiting for it; false when it could not.
    std::function<bool(const std::string& program, const QStringList& arguments)> start;

    // Whether `option` was given.
    bool Has(const char* option) const { return arguments.contains(QString::fromLatin1(option)); }
};

// The request of the desktop program started as `programFile` with `arguments` (its name
// first): this build's payload table, the dialogs and detached starts.
SetupRequest DesktopSetupRequest(const std::string& programFile, const QStringList& arguments);
