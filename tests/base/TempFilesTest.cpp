// Temporary files and folders: named as ours with their maker, private, and swept only when
// their maker has ended (or, at the end, was this process).
#include "base/TempFiles.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <set>

#include "support/TempDir.h"

namespace {

class TempFilesTest : public ::testing::Test {
protected:
    // Names in `folder`, with the content of its sub-folders as "folder/name".
    std::set<std::string> Names() const {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
            names.insert(entry.path().lexically_relative(dir.Path()));
        }
        return names;
    }

    // A child process that makes a unique file tagged `tag` in the folder and tells its name;
    // it ends at once, or only when Release() closes its pipe.
    struct Child {
        pid_t pid = -1;
        int hold = -1;  // closing it lets the child end
        std::string name;
    };
    Child MakeInChild(const std::string& tag, bool ends, bool folder = false) {
        int told[2];
        int held[2];
        EXPECT_EQ(::pipe(told), 0);
        EXPECT_EQ(::pipe(held), 0);
        Child child;
        child.pid = ::fork();
        if (child.pid == 0) {
            std::string path = folder ? CreateUniqueFolder(dir.Path(), tag)
                                      : CreateUniqueFile(dir.Path(), tag).name;
            if (folder) {
                WriteFile(path + "/inside", "x");
            }
            path = std::filesystem::path(path).filename();
            [[maybe_unused]] ssize_t n = ::write(told[1], path.data(), path.size());
            ::close(told[1]);
            ::close(held[1]);
            char byte;
            [[maybe_unused]] ssize_t r = ::read(held[0], &byte, 1);
            ::_exit(0);
        }
        ::close(told[1]);
        ::close(held[0]);
        char name[256];
        ssize_t n = ::read(told[0], name, sizeof name);
        ::close(told[0]);
        child.name.assign(name, static_cast<std::size_t>(std::max<ssize_t>(n, 0)));
        child.hold = held[1];
        if (ends) {
            Release(child);
        }
        return child;
    }
    static void Release(Child& child) {
        ::close(child.hold);
        ::waitpid(child.pid, nullptr, 0);
    }

    TempDir dir;
};

TEST_F(TempFilesTest, UniqueFilesAndFoldersAreHiddenPrivateAndNameTheirMaker) {
    const UniqueFile file = CreateUniqueFile(dir.Path(), "next");
    const std::string folder = CreateUniqueFolder(dir.Path(), "simulate");
    ASSERT_TRUE(file.fd && !folder.empty());
    const std::string pid = std::to_string(::getpid());
    for (auto [path, tag, mode] :
         {std::tuple{file.name, "next", 0600u}, {folder, "simulate", 0700u}}) {
        EXPECT_TRUE(std::regex_match(path, std::regex(dir.Path() + "/\\.quillon-" + tag + "-" +
                                                      pid + "-[0-9]+-[A-Za-z0-9]{6}")))
            << path;
        EXPECT_EQ(FileMode(path), mode) << path;
    }
    EXPECT_NE(file.name, CreateUniqueFile(dir.Path(), "next").name);
    EXPECT_TRUE(CreateUniqueFile(dir / "missing", "next").name.empty());
    EXPECT_TRUE(CreateUniqueFolder(dir / "missing", "next").empty());
}

TEST_F(TempFilesTest, OnlyTemporariesOfEndedProcessesGoAtStartAndOwnOnesAtTheEnd) {
    Child running = MakeInChild("level", false);
    const std::string ended = MakeInChild("next", true).name;
    const std::string endedFolder = MakeInChild("speech", true, true).name;
    const std::string own =
        std::filesystem::path(CreateUniqueFile(dir.Path(), "next").name).filename();
    // This process's id with another start time: made by an earlier process given the same id.
    std::string earlier = own;
    const std::size_t startAt = own.find('-', own.find("next-") + 5) + 1;
    earlier.replace(startAt, own.find('-', startAt) - startAt, "1");
    WriteFile(dir / earlier, "");
    // A user's files that only look alike, and a link named as ours to a user's file.
    const std::string lookAlikes[] = {
        ".tmpAb12Cd",
        "settings.ini.Ab12Cd",
        ".quillon-notes",
        ended + ".bak",
        ended.substr(1),
        ".quillon-next-0-0-Ab12Cd",
        ".quillon-next-1x-0-Ab12Cd",
    };
    for (const std::string& name : lookAlikes) {
        WriteFile(dir / name, "mine");
    }
    WriteFile(dir / "letter", "mine");
    const std::string link = std::regex_replace(ended, std::regex("-[A-Za-z0-9]{6}$"), "-Link99");
    std::filesystem::create_symlink(dir / "letter", dir / link);

    std::set<std::string> kept(std::begin(lookAlikes), std::end(lookAlikes));
    kept.insert({"letter", link, running.name, own});
    const std::set<std::string> before = Names();
    ASSERT_EQ(before.size(), kept.size() + 4) << "every file is there";
    RemoveTemporaries(dir.Path(), TempSweep::Ended);
    EXPECT_EQ(Names(), kept);
    EXPECT_EQ(ReadFile(dir / "letter"), "mine");

    kept.erase(own);
    RemoveTemporaries(dir.Path(), TempSweep::EndedAndOwn);
    EXPECT_EQ(Names(), kept);
    Release(running);
    kept.erase(running.name);
    RemoveTemporaries(dir.Path(), TempSweep::Ended);
    EXPECT_EQ(Names(), kept);
    RemoveTemporaries(dir / "missing", TempSweep::Ended);  // nothing to do, nothing breaks
}

}  // namespace
