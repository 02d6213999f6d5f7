// The speech dialog: the voices listed, the text and the voice spoken into the file under the
// progress dialog, and no voices, Cancel or a cancelled progress leaving no file.
#include "ui/TTSInputDialog.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

#include "controls/LProgressDialog.h"
#include "speech/SpeechTestSupport.h"
#include "support/TempDir.h"
#include "ui/MessageTexts.h"
#include "ui/UiTestSupport.h"

namespace {

class TTSInputDialogTest : public ::testing::Test {
protected:
    TTSInputDialogTest() { dialog.Initialize(); }

    QComboBox* Voices() const { return dialog.ItemAs<QComboBox>(TTSInputDialog::kIdVoice); }
    void Type(const QString& text) {
        dialog.ItemAs<QPlainTextEdit>(TTSInputDialog::kIdText)->setPlainText(text);
    }
    // The progress dialog while the text is spoken.
    static LDialog* Progress() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* shown = qobject_cast<LDialog*>(window);
            if (shown && shown->isVisible() && shown->windowTitle() == "Synthesize Voice") {
                return shown;
            }
        }
        return nullptr;
    }

    QApplication& application = QtWidgetsTestApp();  // before any widget
    TempDir dir;
    const std::string file = dir / "Synthesized.wav";
    FakeSpeechEngine engine;
    MessageRecorder messages;
    int index = 1;
    TTSInputDialog dialog{index, file};
};

TEST_F(TTSInputDialogTest, SpeaksTheTextWithTheChosenVoiceUnderTheProgressDialogAndEndsWithOK) {
    ASSERT_EQ(Voices()->count(), 3);
    EXPECT_EQ(Voices()->itemText(2), "German");
    EXPECT_EQ(Voices()->currentIndex(), 1);
    Voices()->setCurrentIndex(2);
    Type(QStringLiteral("  \n"));  // nothing to say: nothing spoken, the dialog stays
    dialog.Command(kIdOK);
    EXPECT_FALSE(dialog.IsFinished());
    EXPECT_FALSE(Exists(file));
    Type(QString(9000, QLatin1Char('a')));
    QStringList lines;
    engine.whileSpeaking = [&] {
        LDialog* progress = Progress();
        ASSERT_TRUE(progress);
        for (int id : {LProgressDialog::kIdFirstLine, LProgressDialog::kIdSecondLine}) {
            lines << progress->ItemAs<QLabel>(id)->text();
        }
    };
    dialog.Command(kIdOK);
    EXPECT_EQ(lines, QStringList({"Synthesizing Voice", "Please wait"}));
    EXPECT_EQ(engine.spoken, std::vector<std::string>{"gmw/de"});
    EXPECT_EQ(index, 2);
    EXPECT_EQ(dialog.text.size(), TTSInputDialog::kMaxText);
    EXPECT_TRUE(dialog.IsFinished());
    EXPECT_EQ(dialog.result(), kResultOK);
    EXPECT_EQ(SpokenFile(file).samples.size(), static_cast<std::size_t>(engine.frames));
    EXPECT_TRUE(messages.requests.empty());
}

TEST_F(TTSInputDialogTest, CancelOrACancelledProgressWritesNothing) {
    Type("Hello");
    engine.whileSpeaking = [] { Progress()->reject(); };
    dialog.Command(kIdOK);
    EXPECT_FALSE(dialog.IsFinished());
    EXPECT_FALSE(Exists(file));
    dialog.Command(kIdCancel);
    EXPECT_EQ(dialog.result(), kResultCancel);
    EXPECT_EQ(engine.spoken.size(), 1u);
    EXPECT_FALSE(Exists(file));
}

TEST(TTSInputDialogNoVoicesTest, ListsNoVoiceAndOKSaysWhereToGetThemAndStaysOpen) {
    QtWidgetsTestApp();
    TempDir dir;
    FakeSpeechEngine engine;
    engine.voices.clear();
    MessageRecorder messages;
    int index = 2;
    TTSInputDialog dialog(index, dir / "Synthesized.wav");
    dialog.Initialize();
    EXPECT_EQ(dialog.ItemAs<QComboBox>(TTSInputDialog::kIdVoice)->count(), 0);
    dialog.Command(kIdOK);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, messages::kNoSpeechEngine.caption);
    EXPECT_EQ(index, 0);
    EXPECT_FALSE(dialog.IsFinished());
    EXPECT_FALSE(Exists(dir / "Synthesized.wav"));
}

}  // namespace
