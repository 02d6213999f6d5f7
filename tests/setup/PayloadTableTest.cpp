// The payload table of this build.
#include "setup/PayloadTable.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(PayloadTableTest, TheProgramThenEveryHelpPageThenThePromptsInSlotOrder) {
    const std::vector<std::string> table = PayloadTable();
    ASSERT_LE(table.size(), kMaxPayloadEntries);
    EXPECT_EQ(table.front(), "quillon");
    for (const char* page : {"help/index.html", "help/installation.html", "help/style.css"}) {
        EXPECT_NE(std::find(table.begin(), table.end(), page), table.end()) << page;
    }
    const std::vector<std::string> prompts(table.end() - 5, table.end());
    EXPECT_EQ(prompts, (std::vector<std::string>{"0.mp3", "1.mp3", "2.mp3", "3.mp3", "4.mp3"}));
    EXPECT_EQ(PromptEntry(PromptSlot::StartPrompt), "0.mp3");
    EXPECT_EQ(PromptEntry(PromptSlot::OnHold3), "4.mp3");
}

}  // namespace
