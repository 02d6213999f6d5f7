// The shipped prompts: usable telephone audio, put in place where missing, never over a user's.
#include "recorder/DefaultPrompts.h"

#include <gtest/gtest.h>

#include "audio/files/WaveReaders.h"
#include "support/TempDir.h"

namespace {

TEST(DefaultPromptsTest, AreShortTelephoneFormatWavFiles) {
    TempDir dir;
    ASSERT_EQ(DefaultPrompts().size(), 5u);
    for (const DefaultPrompt& prompt : DefaultPrompts()) {
        std::string path = PromptFile(dir.Path() + "/", prompt.slot);
        WriteFile(path, std::string(prompt.data));
        WaveFormatRecord format{};
        LSoundSourcePtr source = OpenWaveFile(path, &format);
        ASSERT_TRUE(source && !source->IsInvalid()) << PromptName(prompt.slot);
        EXPECT_EQ(std::tuple(source->sampleRate, source->channels, format.bitsPerSample),
                  std::tuple(8000, 1, 16));
        // At least a second, under ten.
        EXPECT_GT(source->GetLength(), 8000) << PromptName(prompt.slot);
        EXPECT_LT(source->GetLength(), 10 * 8000) << PromptName(prompt.slot);
    }
}

TEST(DefaultPromptsTest, AreInstalledWhereMissingAndNeverOverwrite) {
    TempDir dir;
    std::string folder = dir.Path() + "/";
    WriteFile(folder + "Start Prompt.wav", "my own announcement");
    std::vector<std::string> written = InstallDefaultPrompts(folder);
    EXPECT_EQ(written.size(), 9u);  // everything but the user's own start prompt
    EXPECT_EQ(ReadFile(folder + "Start Prompt.wav"), "my own announcement");
    EXPECT_EQ(ReadFile(folder + "Default Start Prompt.wav"), std::string(DefaultPrompts()[0].data));
    EXPECT_EQ(ReadFile(folder + "On-Hold 3.wav"), std::string(DefaultPrompts()[4].data));
    EXPECT_EQ(FileMode(folder + "On-Hold 3.wav"), 0600u);
    EXPECT_TRUE(InstallDefaultPrompts(folder).empty());
    EXPECT_TRUE(InstallDefaultPrompts(folder + "missing/").empty());
}

}  // namespace
