// The program file's trailer and the start mode it and the file's name give.
#include "app/StartupMode.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

TEST(StartupModeTest, TrailerIsTheLastFourBytesLittleEndian) {
    TempDir dir;
    struct Row {
        std::string content;
        std::uint32_t trailer;
    };
    const Row rows[] = {
        {std::string("program code") + "\xF0\xF0\x0F\x0F", kInstallerTrailer},
        {std::string("program code") + "\x0F\x0F\xF0\xF0", kUninstallerTrailer},
        {"\x01\x02\x03\x04", 0x04030201},
        {"abc", 0},  // shorter than a trailer
        {"", 0},
    };
    for (const Row& row : rows) {
        WriteFile(dir / "program", row.content);
        EXPECT_EQ(ReadTrailer(dir / "program"), row.trailer) << row.content.size();
    }
    EXPECT_EQ(ReadTrailer(dir / "missing"), 0u);
    EXPECT_EQ(ReadTrailer(dir.Path()), 0u);  // a folder has no trailer
}

TEST(StartupModeTest, ModeComesFromTheTrailerAndASetupName) {
    struct Row {
        const char* file;
        std::uint32_t trailer;
        StartMode mode;
    };
    const Row rows[] = {
        {"/opt/quillon/quillon", 0, StartMode::Run},
        {"/opt/quillon/quillon", 0x12345678, StartMode::Run},
        {"/tmp/quillonsetup.exe", 0, StartMode::InstallError},
        {"/tmp/QuillonSetup", 0, StartMode::InstallError},
        {"/tmp/quillon-SeTuP-2.01", kUninstallerTrailer, StartMode::InstallError},
        {"/tmp/quillonsetup.exe", kInstallerTrailer, StartMode::Install},
        {"/tmp/quillon", kInstallerTrailer, StartMode::Install},
        {"/opt/quillon/uninst.exe", kUninstallerTrailer, StartMode::Uninstall},
        {"/home/me/setup/quillon", 0, StartMode::Run},        // the folder does not count
        {"/opt/quillon/quillon.setup", 0, StartMode::Run},    // nor does the extension
        {"/opt/quillon/.setup", 0, StartMode::InstallError},  // a leading dot is no extension
        {"quillonsetup", 0, StartMode::InstallError},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ChooseStartMode(row.file, row.trailer), row.mode) << row.file;
    }
}

}  // namespace
