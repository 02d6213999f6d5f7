// quillon-tool mail end to end: msmtp delivers to an SMTP server on 127.0.0.1 that the test
// starts, and the server parses what it received with Python's email package.
#include <filesystem>
#include <optional>

#include "ToolRun.h"
#include "audio/files/WaveTestFiles.h"
#include "base/UniqueFd.h"
#include "mail/RecordingMail.h"
#include "settings/SettingsKeys.h"
#include "tool/ToolOptions.h"

namespace {

constexpr char kPython[] = "/usr/bin/python3";
constexpr char kMsmtp[] = "/usr/bin/msmtp";

// smtp-sink.py run on `folder`, stopped when this goes. `line` is what it printed first: its
// port, or why it cannot run.
class SmtpSink {
public:
    explicit SmtpSink(const std::string& folder) {
        int ends[2];
        EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0);
        UniqueFd readEnd(ends[0]);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        const char* argv[] = {kPython, QUILLON_SMTP_SINK, folder.c_str(), nullptr};
        EXPECT_EQ(
            ::posix_spawn(&pid, kPython, &actions, nullptr, const_cast<char**>(argv), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        char c = 0;
        pollfd watch{readEnd.Get(), POLLIN, 0};
        while (::poll(&watch, 1, 60000) == 1 && ::read(readEnd.Get(), &c, 1) == 1 && c != '\n') {
            line += c;
        }
    }
    ~SmtpSink() { Stop(); }
    void Stop() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            ::waitpid(std::exchange(pid, -1), nullptr, 0);
        }
    }

    std::string line;

private:
    pid_t pid = -1;
};

class MailCommandTest : public ToolRun {
protected:
    void SetUp() override {
        if (::access(kMsmtp, X_OK) != 0) {
            GTEST_SKIP() << "needs msmtp";
        }
        std::filesystem::create_directories(received);
        std::filesystem::create_directories(dataFolder);
        sink.emplace(received);
        if (sink->line == "no aiosmtpd") {
            GTEST_SKIP() << "needs python3-aiosmtpd";
        }
        ASSERT_TRUE(ParseIntOption(sink->line, 1, 65535)) << sink->line;
        // msmtp as the sendmail program, with a configuration of the test's own.
        const std::string config = root / "msmtprc";
        WriteFile(config, "account default\nhost 127.0.0.1\nport " + sink->line +
                              "\nfrom recorder@localhost\nauth off\ntls off\n");
        ::chmod(config.c_str(), 0600);
        const std::string program = root / "sendmail";
        WriteScript(program, "exec " + std::string(kMsmtp) + " -C '" + config + "' \"$@\"\n");
        WriteSetting(dataFolder + "settings.ini", settings::kSendMailPath, program);
    }

    std::string received = root / "received";
    std::optional<SmtpSink> sink;
};

TEST_F(MailCommandTest, RecordingsArriveWholeAndARefusedAddressOrAFailingProgramIsReported) {
    const std::string names[] = {"2026-12-05 14-03-22 5551234.wav",
                                 "2026-12-05 15-10-00 5559876 Zo\xc3\xab.wav",
                                 "2026-12-06 08-00-01.wav"};
    ToolArgs args{"mail", "--to", "alice@example.org\r\nBcc: eve@example.org"};
    std::string expected = "rcpt: alice@example.org\nto: alice@example.org\nsubject: " +
                           std::string(kRecordingMailSubject) + "\n";
    for (std::size_t i = 0; i < std::size(names); ++i) {
        args.push_back(root / names[i]);
        WriteFile(args.back(), Pcm16File(1, 8000, std::vector<std::int16_t>(1000 + i, -1234)));
        expected += "attachment: audio/wav " + names[i] + "\n";
    }
    // A line break in the address: refused, nothing sent.
    EXPECT_EQ(Run(args), kToolFailed);
    EXPECT_NE(err.find("control character"), std::string::npos) << err;

    const std::string message = "Keep these.\r\nBcc: eve@example.org\r\nZo\xc3\xab";
    args[2] = "SMTP:alice@example.org";
    args.insert(args.begin() + 3, {"--message", message});
    ASSERT_EQ(Run(args), kToolOk) << err;
    EXPECT_EQ(ReadFile(received + "/message-1"), expected + "body:\n" + RecordingMailBody(message));
    for (std::size_t i = 0; i < std::size(names); ++i) {
        EXPECT_EQ(ReadFile(received + "/message-1-" + std::to_string(i + 1)),
                  ReadFile(root / names[i]));
    }
    EXPECT_FALSE(Exists(received + "/message-2"));

    // With the server gone the mail program fails, and the command says so.
    sink->Stop();
    EXPECT_EQ(Run(args), kToolFailed);
    EXPECT_NE(err.find("failed with exit status"), std::string::npos) << err;
}

}  // namespace
