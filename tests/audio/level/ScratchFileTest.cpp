// Scratch files of the level processing: in the temporary folder, private, nameless from the
// start, and reading back what was written across the stream's buffer.
#include "audio/level/ScratchFile.h"

#include <gtest/gtest.h>

#include <numeric>
#include <optional>

#include "audio/level/LevelTestFiles.h"

namespace {

TEST(ScratchFileTest, AFileInTmpdirIsPrivateNamelessAndReadsBackWhatWasWrittenAcrossItsBuffer) {
    // The temporary folder is TMPDIR unless that is empty or unset.
    for (auto [value, folder] : {std::pair<std::optional<std::string>, std::string>{"/x", "/x"},
                                 {"", "/tmp"},
                                 {std::nullopt, "/tmp"}}) {
        ScopedEnv env("TMPDIR", value);
        EXPECT_EQ(TemporaryFolder(), folder);
    }
    TempDir dir;
    ScopedEnv env("TMPDIR", dir.Path());
    ScratchFile scratch("lca");
    ASSERT_TRUE(scratch.IsOpen());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    EXPECT_EQ(OpenFilesIn(dir.Path()), std::vector<std::string>{"lca private"});
    // More than the stream's 128 KiB buffer, so that both directions reach the file.
    std::vector<std::uint32_t> data(100000);
    std::iota(data.begin(), data.end(), 0u);
    scratch.Write(data.data(), data.size() * 4);
    scratch.Rewind();
    std::vector<std::uint32_t> back(data.size() + 1);
    EXPECT_EQ(scratch.Read(back.data(), back.size() * 4), data.size() * 4);
    back.pop_back();
    EXPECT_EQ(back, data);
}

}  // namespace
