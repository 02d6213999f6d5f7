// The shipped prompts: usable telephone audio, put in place where missing, never over a user's.
#include "recorder/DefaultPrompts.h"

#include <gtest/gtest.h>

#include "audio/files/WaveReaders.h"
#include "support/TempDir.h"

namespace {

TEST(DefaultPromptsTest, ShortTelephoneFormatFilesAreInstalledWhereMissingAndNeverOverwrite) {
    TempDir dir;
    const std::string folder = dir.Path() + "/";
    WriteFile(folder + "Start Prompt.wav", "my own announcement");
    EXPECT_EQ(InstallDefaultPrompts(folder).size(), 9u);  // all but the user's own start prompt
    EXPECT_EQ(ReadFile(folder + "Start Prompt.wav"), "my own announcement");
    ASSERT_EQ(DefaultPrompts().size(), 5u);
    for (const DefaultPrompt& prompt : DefaultPrompts()) {
        const std::string path = DefaultPromptFile(folder, prompt.slot);
        EXPECT_EQ(ReadFile(path), std::string(prompt.data));
        EXPECT_EQ(FileMode(path), 0600u);
        WaveFormatRecord format{};
        LSoundSourcePtr source = OpenWaveFile(path, &format);
        ASSERT_TRUE(source && !source->IsInvalid()) << path;
        EXPECT_EQ(std::tuple(source->sampleRate, source->channels, format.bitsPerSample),
                  std::tuple(8000, 1, 16));
        // At least a second, under ten.
        EXPECT_GT(source->GetLength(), 8000) << path;
        EXPECT_LT(source->GetLength(), 10 * 8000) << path;
    }
    EXPECT_EQ(ReadFile(folder + "On-Hold 3.wav"), std::string(DefaultPrompts()[4].data));
    EXPECT_TRUE(InstallDefaultPrompts(folder).empty());
    EXPECT_TRUE(InstallDefaultPrompts(folder + "missing/").empty());
}

}  // namespace
