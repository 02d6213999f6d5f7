// A PATH of one temporary folder that holds do-nothing programs of the given names, for tests of
// what is found installed. Nothing is ever started from it.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

#include "support/TempDir.h"

class ProgramsOnPath {
public:
    explicit ProgramsOnPath(const std::vector<const char*>& names) {
        for (const char* name : names) {
            WriteScript(folder / name, "");
        }
    }

    std::string operator/(const std::string& name) const { return folder / name; }

private:
    TempDir folder;
    ScopedEnv path{"PATH", folder.Path()};
};
