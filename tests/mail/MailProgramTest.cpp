// Finding the mail program: the setting first, then the candidates; only executable files.
#include "mail/MailProgram.h"

#include "MailTestFolder.h"
#include "settings/SettingsKeys.h"

namespace {

class MailProgramTest : public MailTestFolder {};

TEST_F(MailProgramTest, TheSettingComesFirstAndOnlyAnExecutableFileIsTaken) {
    const std::string first = Script("first", "");
    const std::string second = Script("second", "");
    const std::string missing = dir / "missing";
    const std::string plain = dir / "plain";
    WriteFile(plain, "#!/bin/sh\n");
    const std::string folder = dir / "folder";
    ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);

    const std::vector<std::string> candidates{missing, plain, folder, first, second};
    struct Row {
        const char* setting;
        std::string program;
    } rows[] = {
        {"", first},
        {second.c_str(), second},
        {missing.c_str(), first},
        {plain.c_str(), first},
    };
    for (const Row& row : rows) {
        WriteSetting(settingsFile, settings::kSendMailPath, row.setting);
        std::string program;
        EXPECT_TRUE(FindMailProgram(settingsFile, candidates, program).ok) << row.setting;
        EXPECT_EQ(program, row.program) << row.setting;
    }

    // None: the error names every path tried and a program to install.
    WriteSetting(settingsFile, settings::kSendMailPath, missing);
    std::string program = "none";
    MailResult result = FindMailProgram(settingsFile, {plain, folder}, program);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(program, "none");
    for (const std::string& path : {missing, plain, folder, std::string("msmtp-mta")}) {
        EXPECT_NE(result.error.find(path), std::string::npos) << result.error;
    }
}

}  // namespace
