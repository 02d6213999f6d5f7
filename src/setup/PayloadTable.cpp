// What an installation file carries.
#include "setup/PayloadTable.h"

#include <algorithm>
#include <sstream>

namespace {

constexpr char kPromptEntrySuffix[] = ".mp3";

}  // namespace

std::string PromptEntry(PromptSlot slot) {
    const auto at = std::find(std::begin(kPromptSlots), std::end(kPromptSlots), slot);
    return std::to_string(at - std::begin(kPromptSlots)) + kPromptEntrySuffix;
}

std::vector<std::string> PayloadTable() {
    std::vector<std::string> table{kProgramEntry};
    // The build names the help pages, comma-separated.
    std::istringstream pages(QUILLON_HELP_PAGES);
    for (std::string page; std::getline(pages, page, ',');) {
        table.push_back(std::string(kHelpEntryFolder) + "/" + page);
    }
    for (PromptSlot slot : kPromptSlots) {
        table.push_back(PromptEntry(slot));
    }
    return table;
}
