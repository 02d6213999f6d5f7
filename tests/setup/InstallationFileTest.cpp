// The installation file's layout: written, read back, checked, and trailers appended.
#include "setup/InstallationFile.h"

#include <gtest/gtest.h>

#include "base/PosixFile.h"
#include "support/TempDir.h"

namespace {

class InstallationFileTest : public ::testing::Test {
protected:
    InstallationFileTest() {
        WriteFile(dir / "program", "PROGRAM");
        WriteFile(dir / "page", std::string("\xFF\x01page", 6));
        WriteFile(dir / "empty", "");
        EXPECT_EQ(WriteInstallationFile(file, {dir / "program", dir / "page", dir / "empty"}), "");
    }

    std::optional<InstallationIndex> Index(std::size_t entries = 3) {
        UniqueFd fd = OpenRegularFile(file);
        return ReadInstallationIndex(fd.Get(), entries);
    }

    bool Matches() {
        UniqueFd fd = OpenRegularFile(file);
        std::optional<InstallationIndex> index = ReadInstallationIndex(fd.Get(), 3);
        return index && ChecksumMatches(fd.Get(), *index);
    }

    TempDir dir;
    const std::string file = dir / "quillon-setup";
};

TEST_F(InstallationFileTest, HoldsTheEntriesThenSizesChecksumAndTrailer) {
    std::uint32_t sum = AddBytes(AddBytes(0, "PROGRAM"), std::string("\xFF\x01page", 6));
    std::string table("\x07\0\0\0\x06\0\0\0\0\0\0\0", 12);
    for (std::uint32_t value : {sum, kInstallerTrailer}) {
        for (int shift = 0; shift < 32; shift += 8) {
            table += static_cast<char>(value >> shift & 0xFF);
        }
    }
    EXPECT_EQ(ReadFile(file), std::string("PROGRAM\xFF\x01page", 13) + table);
    EXPECT_EQ(FileMode(file), 0755u);
    std::optional<InstallationIndex> index = Index();
    ASSERT_TRUE(index);
    EXPECT_EQ(index->sizes, (std::vector<std::uint32_t>{7, 6, 0}));
    EXPECT_EQ(index->checksum, sum);
    EXPECT_TRUE(Matches());
    // Sizes that reach into the index, or an index longer than the file, are no index.
    EXPECT_FALSE(Index(8));
    EXPECT_FALSE(Index(100));
    EXPECT_EQ(WriteInstallationFile(dir / "other", {dir / "missing"}).find(dir / "missing"), 0u);
    EXPECT_FALSE(Exists(dir / "other"));
}

TEST_F(InstallationFileTest, OneChangedByteInAnyEntryFailsTheChecksum) {
    const std::string good = ReadFile(file);
    for (std::size_t at : {0u, 6u, 7u, 12u}) {
        std::string bad = good;
        bad[at] = static_cast<char>(bad[at] + 1);
        WriteFile(file, bad);
        EXPECT_FALSE(Matches()) << at;
    }
}

TEST_F(InstallationFileTest, TrailersAreAppendedLittleEndian) {
    EXPECT_TRUE(AppendTrailer(dir / "program", kUninstallerTrailer));
    EXPECT_TRUE(AppendTrailer(dir / "program", kProgramTrailer));
    EXPECT_EQ(ReadFile(dir / "program"), std::string("PROGRAM\x0F\x0F\xF0\xF0\0\0\0\0", 15));
    EXPECT_FALSE(AppendTrailer(dir / "missing", kProgramTrailer));
}

}  // namespace
