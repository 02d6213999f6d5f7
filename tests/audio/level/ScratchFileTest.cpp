// Scratch files of the level processing: in the temporary folder, private, nameless from the
// start, and reading back what was written across the stream's buffer.
#include "audio/level/ScratchFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <optional>
#include <vector>

#include "support/TempDir.h"

namespace {

TEST(ScratchFileTest, TheTemporaryFolderIsTmpdirUnlessItIsEmptyOrUnset) {
    for (auto [value, folder] : {std::pair<std::optional<std::string>, std::string>{"/x", "/x"},
                                 {"", "/tmp"},
                                 {std::nullopt, "/tmp"}}) {
        ScopedEnv env("TMPDIR", value);
        EXPECT_EQ(TemporaryFolder(), folder);
    }
}

TEST(ScratchFileTest, AFileIsPrivateNamelessAndReadsBackWhatWasWrittenAcrossItsBuffer) {
    TempDir dir;
    ScopedEnv env("TMPDIR", dir.Path());
    ScratchFile scratch("lca");
    ASSERT_TRUE(scratch.IsOpen());
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    int found = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ignored;
        if (std::filesystem::read_symlink(fd, ignored).string().rfind(dir / ".quillon-lca-", 0) ==
            0) {
            EXPECT_EQ(FileMode(fd.path()), 0600u);
            ++found;
        }
    }
    EXPECT_EQ(found, 1);
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
