// A user's home for installation tests in a temporary folder: the desktop's folders point into
// it, and the desktop's helpers are stand-ins that say where the desktop is and write down what
// they were asked.
#pragma once

#include <sys/stat.h>

#include <QProcess>
#include <cstdlib>
#include <optional>

#include "support/TempDir.h"

class SetupTestHome {
public:
    SetupTestHome() {
        ::mkdir(home.c_str(), 0700);
        ::mkdir(bin.c_str(), 0700);
        WriteScript(bin + "/xdg-user-dir", "echo \"$HOME/Schreibtisch\"\n");
        WriteScript(bin + "/gio", "echo \"$@\" >> \"" + gioLog + "\"\n");
    }

    // Runs desktop-file-validate on `file`: its complaints, empty when it accepts the file;
    // nothing when it is not installed (make test installs it).
    static std::optional<std::string> Validate(const std::string& file) {
        if (!Exists(kValidator)) {
            return std::nullopt;
        }
        QProcess process;
        process.start(QString::fromLatin1(kValidator), {QString::fromStdString(file)});
        process.waitForFinished(-1);
        std::string output = process.readAll().toStdString();
        return process.exitCode() == 0 ? "" : output + " ";
    }

    TempDir dir;
    const std::string home = dir / "home";
    const std::string bin = dir / "bin";
    const std::string desktop = home + "/Schreibtisch";
    const std::string gioLog = dir / "gio.log";

private:
    static constexpr char kValidator[] = "/usr/bin/desktop-file-validate";

    ScopedEnv homeVariable{"HOME", home};
    ScopedEnv config{"XDG_CONFIG_HOME", std::nullopt};
    ScopedEnv data{"XDG_DATA_HOME", std::nullopt};
    ScopedEnv quillonConfig{"QUILLON_CONFIG_DIR", std::nullopt};
    ScopedEnv temporary{"TMPDIR", dir.Path()};
    ScopedEnv path{"PATH", bin + ":/usr/bin:/bin"};
};
