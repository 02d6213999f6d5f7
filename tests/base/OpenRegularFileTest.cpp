// Opening files that must be regular: a FIFO, device or folder is refused at once, never waited
// on, for reading, for writing and for a whole-file read.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "base/PosixFile.h"
#include "support/FifoDeadline.h"
#include "support/TempDir.h"

namespace {

class OpenRegularFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteFile(file, "content");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    }

    TempDir dir;
    std::string file = dir / "file";
    std::string fifo = dir / "fifo";
};

TEST_F(OpenRegularFileTest, OnlyRegularFilesOpenAndTheirDescriptorsWaitAsUsual) {
    UniqueFd read = OpenRegularFile(file);
    ASSERT_TRUE(read);
    EXPECT_EQ(::fcntl(read.Get(), F_GETFL) & (O_NONBLOCK | O_ACCMODE), O_RDONLY);
    UniqueFd created = OpenRegularFile(dir / "new", O_WRONLY | O_CREAT, 0640);
    ASSERT_TRUE(created);
    EXPECT_EQ(::fcntl(created.Get(), F_GETFL) & (O_NONBLOCK | O_ACCMODE), O_WRONLY);
    EXPECT_EQ(FileMode(dir / "new"), 0640u);

    // What each refusal leaves in errno; a FIFO without a reader cannot be opened for writing.
    const std::tuple<std::string, int, int> rows[] = {
        {fifo, O_RDONLY, EINVAL},
        {fifo, O_WRONLY, ENXIO},
        {fifo, O_RDWR, EINVAL},
        {"/dev/null", O_WRONLY, EINVAL},
        {dir.Path(), O_RDONLY, EISDIR},
        {dir / "missing", O_RDONLY, ENOENT},
        {dir / "missing/new", O_WRONLY | O_CREAT, ENOENT}};
    for (const auto& [path, flags, error] : rows) {
        RunWithFifoDeadline(fifo, [&] {
            errno = 0;
            EXPECT_FALSE(OpenRegularFile(path, flags, 0600)) << path << " " << flags;
            EXPECT_EQ(errno, error) << path << " " << flags;
        });
    }
    EXPECT_FALSE(Exists(dir / "missing"));
}

TEST_F(OpenRegularFileTest, AWholeFileIsReadOnlyFromARegularFile) {
    EXPECT_EQ(ReadWholeFile(file), "content");
    RunWithFifoDeadline(fifo, [&] { EXPECT_EQ(ReadWholeFile(fifo), std::nullopt); });
    EXPECT_EQ(ReadWholeFile(dir.Path()), std::nullopt);
}

}  // namespace
