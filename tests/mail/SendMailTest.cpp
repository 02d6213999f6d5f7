// The mail program run on a message: stand-in scripts that take it, fail, die or hang.
#include "mail/SendMail.h"

#include "MailTestFolder.h"
#include "base/PosixFile.h"

namespace {

using std::chrono::milliseconds;

class SendMailTest : public MailTestFolder {};

TEST_F(SendMailTest, OnlyAnExitStatusOfZeroSucceedsAndAFailureSaysWhyWithWhatTheProgramPrinted) {
    const std::string message = "To: alice@example.org\nSubject: x\n\n.\nbody\n";
    const std::string file = dir / "message";
    WriteFile(file, "skipped" + message);
    struct Row {
        std::string commands;
        milliseconds timeout;
        std::string error;  // empty: success
    } rows[] = {
        {"cat > " + (dir / "taken") + "; echo \"$@\" > " + (dir / "arguments"), kMailProgramTimeout,
         ""},
        {"echo 'msmtp: cannot connect to 127.0.0.1' >&2; exit 3", kMailProgramTimeout,
         "failed with exit status 3: msmtp: cannot connect to 127.0.0.1"},
        {"exit 75", kMailProgramTimeout, "failed with exit status 75."},
        {"head -c 5000 /dev/zero | tr '\\0' x; exit 1", kMailProgramTimeout,
         ": " + std::string(kMailErrorTextLimit, 'x') + "..."},
        {"kill -9 $$", kMailProgramTimeout, "was ended by signal 9 (Killed)."},
        {"exec sleep 600", milliseconds(0), "did not finish within 0 seconds and was stopped."},
    };
    for (const Row& row : rows) {
        UniqueFd input = OpenRegularFile(file);
        ::lseek(input.Get(), 7, SEEK_SET);
        const std::string program = Script("sendmail", row.commands);
        MailResult result = SendMail(program, input.Get(), row.timeout);
        EXPECT_EQ(result.ok, row.error.empty()) << row.commands << ": " << result.error;
        EXPECT_TRUE(result.error.ends_with(row.error)) << result.error;
        EXPECT_TRUE(result.error.empty() || result.error.starts_with("The mail program " + program))
            << result.error;
    }
    EXPECT_EQ(ReadFile(dir / "taken"), message);
    EXPECT_EQ(ReadFile(dir / "arguments"), "-t -oi\n");

    MailResult missing = SendMail(dir / "missing", OpenRegularFile(file).Get());
    EXPECT_EQ(missing.error, "The mail program " + (dir / "missing") +
                                 " could not be started: No such file or directory.");
}

}  // namespace
