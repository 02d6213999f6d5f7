// Replacing prompts from the change menu: an MP3 file loaded in the telephone format and queued,
// the progress bar's law, a cancel that keeps the old prompt, and what was recorded or spoken
// processed like a loaded file.
#include "ui/PromptPreview.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "audio/files/Mp3TestFiles.h"
#include "audio/files/WaveReaders.h"
#include "audio/files/WaveTestFiles.h"
#include "controls/LProgressDialog.h"
#include "settings/SettingsKeys.h"
#include "support/TempDir.h"
#include "ui/MessageTexts.h"
#include "ui/UiTestSupport.h"

namespace {

class PromptPreviewTest : public ::testing::Test {
protected:
    PromptPreviewTest() {
        preview.queueForLevel = [this](const std::string& path) { queued.push_back(path); };
        preview.chooseFile = [this](QWidget*, const QString& title, const QString&) {
            titles.push_back(title.toStdString());
            return QString::fromStdString(chosen);
        };
    }

    // Chooses `id` from the change menu of `slot`, watching the progress dialog while it runs:
    // its highest bar, and a Cancel once `cancelAt` percent is passed.
    void Change(PromptSlot slot, int id, int cancelAt = 101) {
        preview.ShowChangeMenu(slot, &owner);
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                auto* bar = window->isVisible() ? window->findChild<QProgressBar*>() : nullptr;
                if (bar) {
                    highest = std::max(highest, bar->value());
                    if (bar->value() >= cancelAt) {
                        window->findChild<QPushButton*>()->click();
                    }
                }
            }
        });
        watch.start(0);
        for (QAction* action : preview.ChangeMenu()->actions()) {
            if (action->data().toInt() == id) {
                action->trigger();
            }
        }
    }
    // A WAV file of `seconds` of a tone.
    std::string Tone(const char* name, std::uint32_t rate, double seconds) {
        std::vector<std::int16_t> samples(static_cast<std::size_t>(rate * seconds));
        for (std::size_t i = 0; i < samples.size(); ++i) {
            samples[i] = static_cast<std::int16_t>(i % 40 < 20 ? 8000 : -8000);
        }
        WriteFile(dir / name, Pcm16File(1, rate, samples));
        return dir / name;
    }

    QApplication& application = QtWidgetsTestApp();
    TempDir dir;
    const std::string data = dir.Path() + "/";
    PromptPreview preview{dir / "settings.ini",
                          data,
                          {messages::kHoldPagePlayError, "On-Hold", "Load On-Hold Audio File"}};
    QWidget owner;
    MessageRecorder messages;
    std::vector<std::string> queued;
    std::vector<std::string> titles;
    std::string chosen;
    int highest = 0;
};

TEST_F(PromptPreviewTest, AnMp3FileLoadsInTheTelephoneFormatAndIsQueued) {
    ASSERT_TRUE(EncodeWithLame(dir / "music.mp3", TestSignal::music, 44100, 2, 12, "-b 128 -m j"));
    chosen = dir / "music.mp3";
    Change(PromptSlot::OnHold2, PromptPreview::kIdChangeLoad);
    const std::string slot = PromptFile(data, PromptSlot::OnHold2);
    WaveFormatRecord format;
    LSoundSourcePtr loaded = OpenWaveFile(slot, &format);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(std::tuple(format.sampleRate, format.channels, format.bitsPerSample),
              std::tuple(8000u, std::uint16_t{1}, std::uint16_t{16}));
    EXPECT_NEAR(loaded->GetLength(), 12 * 8000, 8000 / 10);
    EXPECT_EQ(queued, std::vector<std::string>{slot});
    EXPECT_EQ(titles, std::vector<std::string>{"Load On-Hold Audio File"});
    EXPECT_EQ(ReadSetting(dir / "settings.ini", settings::kWavImportDir), dir.Path());
    // The bar moved, and stopped short of the end by the tenth it keeps in hand.
    EXPECT_GT(highest, 50);
    EXPECT_LE(highest, 91);
    EXPECT_TRUE(owner.isEnabled());
}

TEST_F(PromptPreviewTest, ACancelKeepsTheOldPrompt) {
    const std::string slot = PromptFile(data, PromptSlot::EndPrompt);
    WriteFile(slot, "the old prompt");
    chosen = Tone("long.wav", 44100, 20);
    Change(PromptSlot::EndPrompt, PromptPreview::kIdChangeLoad, 20);
    EXPECT_EQ(ReadFile(slot), "the old prompt");
    EXPECT_TRUE(queued.empty());
    EXPECT_TRUE(messages.requests.empty());
}

TEST_F(PromptPreviewTest, WhatIsRecordedOrSpokenIsProcessedFromAPrivateScratchFile) {
    std::vector<std::string> scratch;
    bool made = true;
    auto make = [&](const std::string& file) {
        scratch.push_back(file);
        std::filesystem::copy_file(Tone("made.wav", 22050, 1), file,
                                   std::filesystem::copy_options::overwrite_existing);
        return made;
    };
    preview.record = [&](const std::string& file, const char* name, QWidget*) {
        EXPECT_STREQ(name, "On-Hold");
        return make(file);
    };
    preview.speak = [&](const std::string& file, QWidget*) { return make(file); };
    Change(PromptSlot::StartPrompt, PromptPreview::kIdChangeRecord);
    Change(PromptSlot::OnHold1, PromptPreview::kIdChangeSynthesize);
    made = false;  // cancelled: nothing changes
    Change(PromptSlot::OnHold3, PromptPreview::kIdChangeSynthesize);
    ASSERT_EQ(scratch.size(), 3u);
    EXPECT_TRUE(scratch[0].ends_with("/Record.wav"));
    EXPECT_TRUE(scratch[1].ends_with("/Synthesized.wav"));
    for (const std::string& file : scratch) {
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(file).parent_path()));
    }
    EXPECT_EQ(queued, (std::vector<std::string>{PromptFile(data, PromptSlot::StartPrompt),
                                                PromptFile(data, PromptSlot::OnHold1)}));
    EXPECT_FALSE(std::filesystem::exists(PromptFile(data, PromptSlot::OnHold3)));
}

}  // namespace
