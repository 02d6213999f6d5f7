// The program file's trailer and the start mode it and the file's name give.
#include "app/StartupMode.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace {

TEST(StartupModeTest, TrailerIsTheLastFourBytesLittleEndian) {
    TempDir dir;
    for (auto [content, trailer] :
         {std::pair<std::string, std::uint32_t>{"code\x01\x02\x03\x04", 0x04030201},
          {"abc", 0}}) {  // shorter than a trailer
        WriteFile(dir / "program", content);
        EXPECT_EQ(ReadTrailer(dir / "program"), trailer) << content.size();
    }
    EXPECT_EQ(ReadTrailer(dir / "missing"), 0u);
    EXPECT_EQ(ReadTrailer(dir.Path()), 0u);  // a folder has no trailer
}

TEST(StartupModeTest, ModeComesFromTheTrailerAndASetupName) {
    for (auto [file, trailer, mode] : {
             std::tuple<const char*, std::uint32_t, StartMode>{"/opt/quillon/quillon", 0x12345678,
                                                               StartMode::Run},
             {"/tmp/quillon-SeTuP-2.01", kUninstallerTrailer, StartMode::InstallError},
             {"/tmp/quillonsetup.exe", kInstallerTrailer, StartMode::Install},
             {"/tmp/quillon", kInstallerTrailer, StartMode::Install},
             {"/opt/quillon/uninst.exe", kUninstallerTrailer, StartMode::Uninstall},
             {"/home/me/setup/quillon", 0, StartMode::Run},        // the folder does not count
             {"/opt/quillon/quillon.setup", 0, StartMode::Run},    // nor does the extension
             {"/opt/quillon/.setup", 0, StartMode::InstallError},  // a leading dot is no extension
         }) {
        EXPECT_EQ(ChooseStartMode(file, trailer), mode) << file;
    }
}

}  // namespace
