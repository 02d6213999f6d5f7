// Which program opens the desktop's input mixer, by what is installed.
#include "controls/RecordMixer.h"

#include <gtest/gtest.h>

#include "ProgramsOnPath.h"

namespace {

TEST(RecordMixerTest, PavucontrolOnItsInputTabElseAlsamixerInATerminal) {
    struct Row {
        std::vector<const char*> installed;
        const char* program;  // null: none
        QStringList arguments;
    };
    const Row rows[] = {
        {{"pavucontrol", "alsamixer", "x-terminal-emulator"}, "pavucontrol", {"--tab=4"}},
        {{"alsamixer", "x-terminal-emulator"}, "x-terminal-emulator", {"-e", "", "-V", "capture"}},
        {{"alsamixer"}, nullptr, {}},
        {{"x-terminal-emulator"}, nullptr, {}},
        {{}, nullptr, {}},
    };
    for (const Row& row : rows) {
        ProgramsOnPath path(row.installed);
        std::optional<RecordMixerCommand> mixer = FindRecordMixer();
        ASSERT_EQ(mixer.has_value(), row.program != nullptr) << row.installed.size();
        if (!mixer) {
            continue;
        }
        EXPECT_EQ(mixer->program, QString::fromStdString(path / row.program));
        QStringList expected = row.arguments;
        if (expected.size() > 1 && expected[1].isEmpty()) {
            expected[1] = QString::fromStdString(path / "alsamixer");  // found by its full path
        }
        EXPECT_EQ(mixer->arguments, expected);
    }
}

}  // namespace
