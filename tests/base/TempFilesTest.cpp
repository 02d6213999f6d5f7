// Temporary files and folders: named as ours with their maker, private, and swept only when
// their maker has ended (or, at the end, was this process).
#include "base/TempFiles.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "support/TempDir.h"

namespace {

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename());
    }
    return names;
}

TEST(TempFilesTest, TemporariesNameTheirMakerAndGoOnlyOnceItHasEndedOrAtItsOwnEnd) {
    TempDir dir;
    int line[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, line), 0);
    // A process that made a temporary file, and a temporary folder with a file in it, and goes
    // on until its end of the line is closed.
    const pid_t running = ::fork();
    if (running == 0) {
        CreateUniqueFile(dir.Path(), "level");
        WriteFile(CreateUniqueFolder(dir.Path(), "speech") + "/0.wav", "RIFF");
        char byte = 0;
        if (::close(line[0]) == 0 && ::write(line[1], &byte, 1) == 1) {
            [[maybe_unused]] ssize_t end = ::read(line[1], &byte, 1);
        }
        ::_exit(0);
    }
    char byte;
    ASSERT_EQ(::read(line[0], &byte, 1), 1);  // its temporaries are there
    const std::string file = CreateUniqueFile(dir.Path(), "next").name;
    const std::string folder = CreateUniqueFolder(dir.Path(), "simulate");
    EXPECT_EQ(file.rfind(dir / (".quillon-next-" + std::to_string(::getpid()) + "-"), 0), 0u);
    EXPECT_EQ(FileMode(file), 0600u);
    EXPECT_EQ(FileMode(folder), 0700u);
    const std::string own[] = {std::filesystem::path(file).filename(),
                               std::filesystem::path(folder).filename()};
    for (auto value : {std::optional<std::string>(""), std::optional<std::string>()}) {
        ScopedEnv unset("TMPDIR", value);  // or empty: the temporary folder is /tmp
        EXPECT_EQ(TemporaryFolder(), "/tmp");
    }
    EXPECT_TRUE(CreateUniqueFile(dir / "missing", "next").name.empty());
    EXPECT_TRUE(CreateUniqueFolder(dir / "missing", "next").empty());
    // This process's id with another start time: made by an earlier process given the same id.
    const std::size_t unique = own[0].rfind('-');
    const std::size_t start = own[0].rfind('-', unique - 1);
    const std::string earlier = own[0].substr(0, start) + "-1" + own[0].substr(unique);
    WriteFile(dir / earlier, "");
    // A user's files that only look alike, and a link named as ours to a user's file.
    for (const std::string& name : std::initializer_list<std::string>{
             "settings.ini.Ab12Cd", earlier + ".bak", earlier.substr(1), ".quillon-next-0-0-Ab12Cd",
             ".quillon-next-1x-0-Ab12Cd", "letter"}) {
        WriteFile(dir / name, "mine");
    }
    std::filesystem::create_symlink(dir / "letter",
                                    dir / (earlier.substr(0, earlier.size() - 6) + "Link99"));
    std::set<std::string> kept = Names(dir.Path());
    ASSERT_EQ(kept.erase(earlier), 1u);
    ASSERT_EQ(kept.size(), 11u) << "every file is there";

    RemoveTemporaries(dir.Path(), TempSweep::Ended);
    EXPECT_EQ(Names(dir.Path()), kept);
    EXPECT_EQ(ReadFile(dir / "letter"), "mine");
    for (const std::string& name : own) {
        kept.erase(name);
    }
    RemoveTemporaries(dir.Path(), TempSweep::EndedAndOwn);
    EXPECT_EQ(Names(dir.Path()), kept);
    ::close(line[0]);
    ::waitpid(running, nullptr, 0);
    RemoveTemporaries(dir.Path(), TempSweep::Ended);
    EXPECT_EQ(Names(dir.Path()).size(), kept.size() - 2);
    RemoveTemporaries(dir / "missing", TempSweep::Ended);  // nothing to do, nothing breaks
}

}  // namespace
