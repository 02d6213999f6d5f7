// Prompt files replaced: a telephone-format file copied as it is, what is left after a cancel,
// an unreadable input or a failed write, and the default restored.
#include "recorder/PromptImport.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "audio/files/WaveTestFiles.h"
#include "support/TempDir.h"

namespace {

class PromptImportTest : public ::testing::Test {
protected:
    std::string Slot() const { return PromptFile(data, PromptSlot::EndPrompt); }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    const std::string data = dir.Path() + "/";
};

TEST_F(PromptImportTest, ATelephoneFileIsCopiedAsItIsAndReplacesTheOldPromptOnlyWhenWhole) {
    std::vector<std::int16_t> samples(20000);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::int16_t>(i * 37 % 20000 - 10000);
    }
    const std::string telephone = Pcm16File(1, 8000, samples);
    WriteFile(dir / "in.wav", telephone);
    WriteFile(Slot(), "old prompt");
    EXPECT_EQ(ImportPrompt(dir / "in.wav", data, PromptSlot::EndPrompt), PromptImport::Done);
    // No stage changed a sample: the data are the input's, byte for byte.
    const std::string audio(telephone.end() - 2 * samples.size(), telephone.end());
    const std::string written = ReadFile(Slot());
    EXPECT_EQ(written.size(), 46 + audio.size());  // the header with its extension field
    EXPECT_TRUE(written.ends_with(audio));
    EXPECT_EQ(FileMode(Slot()), 0600u);

    // Cancelled halfway, unreadable or unwritable: the prompt is as it was, nothing is left over.
    WriteFile(Slot(), "old prompt");
    WriteFile(dir / "notes.txt", "not audio");
    const auto before = Files();
    EXPECT_EQ(ImportPrompt(dir / "in.wav", data, PromptSlot::EndPrompt,
                           [](std::int32_t at, std::int32_t) { return at == 0; }),
              PromptImport::Cancelled);
    EXPECT_EQ(ImportPrompt(dir / "notes.txt", data, PromptSlot::EndPrompt),
              PromptImport::Unreadable);
    {
        ScopedFileSizeLimit full(10000);
        EXPECT_EQ(ImportPrompt(dir / "in.wav", data, PromptSlot::EndPrompt), PromptImport::Failed);
    }
    EXPECT_EQ(ImportPrompt(dir / "in.wav", dir / "missing/", PromptSlot::EndPrompt),
              PromptImport::Failed);
    EXPECT_EQ(ReadFile(Slot()), "old prompt");
    EXPECT_EQ(Files(), before);
}

TEST_F(PromptImportTest, ResetCopiesTheDefaultOverThePromptOrLeavesItWhenThereIsNone) {
    WriteFile(Slot(), "mine");
    EXPECT_FALSE(ResetPromptToDefault(data, PromptSlot::EndPrompt));
    EXPECT_EQ(ReadFile(Slot()), "mine");
    WriteFile(DefaultPromptFile(data, PromptSlot::EndPrompt), "delivered");
    EXPECT_TRUE(ResetPromptToDefault(data, PromptSlot::EndPrompt));
    EXPECT_EQ(ReadFile(Slot()), "delivered");
}

}  // namespace
