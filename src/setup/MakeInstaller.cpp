// make-installer: builds the installation file from the program, the help pages and the five
// default prompts as MP3 files, in the order of the payload table.
#include <cstdio>
#include <string>
#include <vector>

#include "setup/InstallationFile.h"
#include "setup/PayloadTable.h"

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: make-installer OUTPUT PROGRAM HELP_FOLDER PROMPTS_FOLDER\n");
        return 2;
    }
    const std::string helpPrefix = std::string(kHelpEntryFolder) + "/";
    std::vector<std::string> entries;
    for (const std::string& name : PayloadTable()) {
        if (name == kProgramEntry) {
            entries.push_back(argv[2]);
        } else if (name.starts_with(helpPrefix)) {
            entries.push_back(std::string(argv[3]) + "/" + name.substr(helpPrefix.size()));
        } else {
            entries.push_back(std::string(argv[4]) + "/" + name);
        }
    }
    std::string error = WriteInstallationFile(argv[1], entries);
    if (!error.empty()) {
        std::fprintf(stderr, "make-installer: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
