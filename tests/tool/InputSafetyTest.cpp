// Inputs of the quillon-tool commands that are no usable files: refused at once with the
// reason, never waited on, and nothing written.
#include <sys/stat.h>

#include <cstring>

#include "ToolRun.h"
#include "support/FifoDeadline.h"

namespace {

class InputSafetyTest : public ToolRun {
protected:
    void SetUp() override {
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        WriteFile(empty, "");
    }

    std::string fifo = root / "fifo.wav";
    std::string empty = root / "empty.wav";
    std::string outFile = root / "out.wav";
};

TEST_F(InputSafetyTest, EveryCommandNamesTheInputWithTheReasonAndWritesNothing) {
    const std::pair<std::string, std::string> inputs[] = {
        {fifo, "is not a regular file"},
        {empty, "is empty"},
        {root.Path(), "is a folder"},
        {root / "missing.wav", std::strerror(ENOENT)}};
    for (const auto& [input, reason] : inputs) {
        const ToolArgs rows[] = {
            {"info", input},           {"convert", input, outFile}, {"playchain", input, outFile},
            {"level", input, outFile}, {"decode", input, outFile},  {"play", input}};
        for (const ToolArgs& args : rows) {
            RunWithFifoDeadline(fifo, [&] { EXPECT_EQ(Run(args), kToolFailed) << args[0]; });
            EXPECT_EQ(err, "quillon-tool: " + input + ": " + reason + "\n") << args[0];
            EXPECT_FALSE(Exists(outFile)) << args[0] << " " << input;
        }
    }
}

}  // namespace
