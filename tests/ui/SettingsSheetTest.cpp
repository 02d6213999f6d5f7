// The settings sheet: load and save, the voice device check, Cancel, previews, page help.
#include "ui/SettingsSheet.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QTextBrowser>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "UiTestSupport.h"
#include "audio/devices/WaveDevices.h"
#include "controls/LDBEdit.h"
#include "settings/SettingsKeys.h"
#include "support/TempDir.h"
#include "ui/GeneralPage.h"
#include "ui/HelpWindow.h"
#include "ui/HoldPage.h"
#include "ui/LineDevices.h"
#include "ui/RecordPage.h"

namespace {

class FakeLines : public LineDevices {
public:
    int NumDevices() override { return static_cast<int>(names.size()); }
    std::string GetLineName(int device) override { return names.at(device); }
    bool IsVoiceLine(int device) override { return voice.at(device); }
    void ConfigDialog(int device, QWidget* owner) override {
        configured.push_back(device);
        configOwner = owner;
    }

    std::vector<std::string> names{"Data Modem", "Voice Modem", "Fax Card"};
    std::vector<bool> voice{false, true, false};
    std::vector<int> configured;
    QWidget* configOwner = nullptr;
};

class SettingsSheetTest : public ::testing::Test {
protected:
    void SetUp() override {
        QtWidgetsTestApp();
        speakerId = speaker.OutputId();
    }

    std::unique_ptr<SettingsSheet> OpenSheet() {
        auto sheet = std::make_unique<SettingsSheet>(settingsFile, dataFolder, lines);
        sheet->show();  // laid out, so clicks land where a user's would
        return sheet;
    }
    void CopyPrompt(const char* name) {
        std::filesystem::copy_file(std::string(QUILLON_SOURCE_DIR) + "/data/prompts/" + name,
                                   dataFolder + name);
    }
    static void Type(QLineEdit* edit, const char* text) {
        edit->selectAll();
        QTest::keyClicks(edit, QString::fromLatin1(text));
    }
    // Clicks a button in its middle, a check box on its box.
    static void Click(LDialog& page, int id) {
        auto* button = page.ItemAs<QAbstractButton>(id);
        QPoint where = qobject_cast<QCheckBox*>(button) ? QPoint(6, button->height() / 2)
                                                        : button->rect().center();
        QTest::mouseClick(button, Qt::LeftButton, {}, where);
    }

    TempDir dir;
    std::string settingsFile = dir / "settings.ini";
    std::string dataFolder = dir.Path() + "/";
    FakeLines lines;
    WaveDeviceRegistration speaker{std::make_shared<VirtualWaveDevice>("Test Speaker")};
    int speakerId = -1;
    ScopedEnv help{"QUILLON_HELP_DIR", std::string(QUILLON_SOURCE_DIR) + "/help"};
    MessageRecorder messages;  // no test may block on a real message box
};

TEST_F(SettingsSheetTest, OKSavesEveryControlAndThePagesShowWhatWasSaved) {
    auto sheet = OpenSheet();
    EXPECT_EQ(sheet->CurrentPage(), &sheet->General());
    // The default interval of 15 s, and a year for the missing "deletefiledays", written back.
    EXPECT_EQ(sheet->Record().ItemAs<QLineEdit>(RecordPage::kIdToneInterval)->text(), " 0:00:15.0");
    EXPECT_EQ(sheet->Record().ItemAs<QLineEdit>(RecordPage::kIdDeleteDays)->text(), "365");
    GeneralPage& general = sheet->General();
    general.ItemAs<QComboBox>(GeneralPage::kIdLineDevice)->setCurrentIndex(1);
    general.ItemAs<QComboBox>(GeneralPage::kIdPlaybackDevice)->setCurrentIndex(speakerId);
    Type(general.ItemAs<LDBEdit>(GeneralPage::kIdPlayVolume)->Field(), "-9");
    Click(general, GeneralPage::kIdCidFlash);  // both default to on
    Click(general, GeneralPage::kIdShowTip);
    RecordPage& record = sheet->Record();
    Click(record, RecordPage::kIdStartPrompt);  // on by default
    Type(record.ItemAs<QLineEdit>(RecordPage::kIdToneInterval), "0:01:30");
    Click(record, RecordPage::kIdRecordTone);  // greyed, but the interval is still written
    HoldPage& hold = sheet->Hold();
    Type(hold.ItemAs<LDBEdit>(HoldPage::kIdAudioGain)->Field(), "-5");
    Type(hold.ItemAs<QLineEdit>(HoldPage::kIdHighPass), "250");
    Type(hold.ItemAs<LDBEdit>(HoldPage::kIdCompressorThreshold)->Field(), "-12");

    sheet->Command(kIdOK);
    EXPECT_EQ(sheet->result(), kResultOK);
    EXPECT_EQ(ReadSetting(settingsFile, settings::kDevice), 1);
    EXPECT_EQ(ReadSetting(settingsFile, settings::kPlayDevice), speakerId);
    EXPECT_EQ(ReadSetting(settingsFile, settings::kPlayVolume), -9);
    EXPECT_FALSE(ReadSetting(settingsFile, settings::kCidFlash));
    EXPECT_FALSE(ReadSetting(settingsFile, settings::kShowTip));
    EXPECT_FALSE(ReadSetting(settingsFile, settings::kStartPrompt));
    EXPECT_FALSE(ReadSetting(settingsFile, settings::kRecordTone));
    EXPECT_TRUE(ReadSetting(settingsFile, settings::kEndPrompt));
    EXPECT_EQ(ReadSetting(settingsFile, settings::kRecordToneInterval), 900000);
    EXPECT_EQ(ReadIntSetting(settingsFile, kSettingsSection, "deletefiledays", -1), 365);
    EXPECT_EQ(ReadSetting(settingsFile, settings::kAudioGain), -5);
    EXPECT_EQ(ReadSetting(settingsFile, settings::kAudioHighPass), 250);
    EXPECT_EQ(ReadSetting(settingsFile, settings::kAudioCompressorThres), -12);

    sheet = OpenSheet();
    GeneralPage& shown = sheet->General();
    auto* lineDevice = shown.ItemAs<QComboBox>(GeneralPage::kIdLineDevice);
    EXPECT_EQ(std::tuple(lineDevice->count(), lineDevice->currentText()),
              std::tuple(3, QString("Voice Modem")));
    EXPECT_EQ(shown.ItemAs<QComboBox>(GeneralPage::kIdPlaybackDevice)->currentText(),
              "Test Speaker");
    EXPECT_EQ(shown.ItemAs<LDBEdit>(GeneralPage::kIdPlayVolume)->GetValue(), -9);
    EXPECT_FALSE(shown.IsChecked(GeneralPage::kIdCidFlash) ||
                 shown.IsChecked(GeneralPage::kIdShowTip));
    RecordPage& shownRecord = sheet->Record();
    EXPECT_FALSE(shownRecord.IsChecked(RecordPage::kIdStartPrompt));
    EXPECT_FALSE(shownRecord.IsChecked(RecordPage::kIdRecordTone));
    EXPECT_TRUE(shownRecord.IsChecked(RecordPage::kIdEndPrompt));
    EXPECT_EQ(shownRecord.ItemAs<QLineEdit>(RecordPage::kIdToneInterval)->text(), " 0:01:30.0");
    auto* gain = sheet->Hold().ItemAs<LDBEdit>(HoldPage::kIdAudioGain);
    auto* threshold = sheet->Hold().ItemAs<LDBEdit>(HoldPage::kIdCompressorThreshold);
    EXPECT_EQ(std::tuple(gain->GetValue(), gain->Minimum(), gain->Maximum()),
              std::tuple(-5, -8, 8));
    EXPECT_EQ(sheet->Hold().ItemAs<QLineEdit>(HoldPage::kIdHighPass)->text(), "250");
    EXPECT_EQ(std::tuple(threshold->GetValue(), threshold->Minimum(), threshold->Maximum()),
              std::tuple(-12, -18, 0));
}

TEST_F(SettingsSheetTest, DeviceWithoutVoiceIsRefusedConfigureShowsItsDialogCancelWritesNothing) {
    WriteSetting(settingsFile, settings::kDevice, 1);
    const std::string before = ReadFile(settingsFile);
    auto sheet = OpenSheet();
    sheet->ShowPage(&sheet->Hold());
    sheet->General().ItemAs<QComboBox>(GeneralPage::kIdLineDevice)->setCurrentIndex(2);
    sheet->General().SetChecked(GeneralPage::kIdCidFlash, false);
    Type(sheet->Record().ItemAs<QLineEdit>(RecordPage::kIdDeleteDays), "3");
    Type(sheet->Hold().ItemAs<QLineEdit>(HoldPage::kIdHighPass), "999");

    sheet->Command(kIdOK);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, "Device Error");
    EXPECT_FALSE(sheet->IsFinished());
    EXPECT_EQ(sheet->CurrentPage(), &sheet->General());
    EXPECT_EQ(ReadFile(settingsFile), before);
    Click(sheet->General(), GeneralPage::kIdConfigureDevice);  // the selected device's dialog
    EXPECT_EQ(lines.configured, std::vector<int>{2});
    EXPECT_EQ(lines.configOwner, &sheet->General());
    sheet->Command(kIdCancel);
    EXPECT_EQ(sheet->result(), kResultCancel);
    EXPECT_EQ(ReadFile(settingsFile), before);
}

TEST_F(SettingsSheetTest, WithoutLineDevicesTheDeviceSettingIsKept) {
    lines.names.clear();
    lines.voice.clear();
    WriteSetting(settingsFile, settings::kDevice, 4);
    auto sheet = OpenSheet();
    sheet->Command(kIdOK);
    EXPECT_TRUE(sheet->IsFinished());
    EXPECT_EQ(ReadSetting(settingsFile, settings::kDevice), 4);
}

TEST_F(SettingsSheetTest, RecordPageGreysWhatItsCheckBoxesSwitchOff) {
    auto sheet = OpenSheet();  // everything on by default
    RecordPage& record = sheet->Record();
    // Each check box and the two controls under it.
    for (auto [box, first, second] :
         {std::tuple{101, 102, 103}, {104, 105, 106}, {107, 108, 109}}) {
        for (bool on : {false, true}) {
            Click(record, box);
            EXPECT_EQ(record.IsItemEnabled(first), on) << box;
            EXPECT_EQ(record.IsItemEnabled(second), on) << box;
        }
    }
}

TEST_F(SettingsSheetTest, PromptButtonsPreviewOnThePlaybackDeviceOrSayWhyNotAndOpenTheChangeMenu) {
    WriteSetting(settingsFile, settings::kPlayDevice, 120);
    auto sheet = OpenSheet();
    RecordPage& record = sheet->Record();
    HoldPage& hold = sheet->Hold();
    // Change buttons open the change menu for their file.
    for (auto [page, id, slot] :
         {std::tuple<PromptPage*, int, PromptSlot>{&record, RecordPage::kIdChangeEndPrompt,
                                                   PromptSlot::EndPrompt},
          {&hold, HoldPage::kIdChangeOnHold3, PromptSlot::OnHold3}}) {
        Click(*page, id);
        QMenu* menu = page->Preview().ChangeMenu();
        ASSERT_NE(menu, nullptr);
        EXPECT_TRUE(menu->isVisible());
        EXPECT_EQ(page->Preview().ChangeSlot(), slot);
        EXPECT_EQ(menu->actions().size(), 4);
        menu->hide();
    }

    Click(record, RecordPage::kIdPlayStartPrompt);  // no file: nothing
    EXPECT_TRUE(messages.requests.empty());
    CopyPrompt("Start Prompt.wav");
    CopyPrompt("On-Hold 2.wav");
    Click(record, RecordPage::kIdPlayStartPrompt);
    Click(hold, HoldPage::kIdPlayOnHold2);
    ASSERT_EQ(messages.requests.size(), 2u);
    EXPECT_EQ(messages.requests[1].caption, "Sound Card Error");
    EXPECT_FALSE(record.Preview().IsPlaying());

    WriteSetting(settingsFile, settings::kPlayDevice, speakerId);  // read at each press
    Click(record, RecordPage::kIdPlayStartPrompt);
    EXPECT_TRUE(record.Preview().IsPlaying());
    Click(record, RecordPage::kIdPlayStartPrompt);
    EXPECT_FALSE(record.Preview().IsPlaying());
    Click(hold, HoldPage::kIdPlayOnHold2);
    EXPECT_TRUE(hold.Preview().IsPlaying());
    sheet->Command(kIdCancel);  // closing the sheet stops the preview
    EXPECT_FALSE(hold.Preview().IsPlaying());
    EXPECT_EQ(messages.requests.size(), 2u);
}

TEST_F(SettingsSheetTest, HelpOpensThePageOfTheShownPage) {
    auto sheet = OpenSheet();
    auto shown = [] { return HelpWindow::Current()->Browser()->source().fileName(); };
    sheet->Command(kIdHelp);
    EXPECT_EQ(shown(), "settings-general.html");
    sheet->ShowPage(&sheet->Record());
    sheet->Command(kIdHelp);
    EXPECT_EQ(shown(), "settings-record.html");
    sheet->ShowPage(&sheet->Hold());
    QTest::keyClick(sheet->Hold().Item(HoldPage::kIdHighPass), Qt::Key_F1);
    EXPECT_EQ(shown(), "settings-hold.html");
    delete HelpWindow::Current();
}

}  // namespace
