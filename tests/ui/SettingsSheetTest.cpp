// The settings sheet: load and save, the voice device check, Cancel, previews, page help.
#include "ui/SettingsSheet.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
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

TEST_F(SettingsSheetTest, PagesLoadEveryControlFromTheSettings) {
    WriteSetting(settingsFile, settings::kDevice, 1);
    WriteSetting(settingsFile, settings::kPlayDevice, speakerId);
    WriteSetting(settingsFile, settings::kPlayVolume, std::int8_t{-6});
    WriteSetting(settingsFile, settings::kCidFlash, false);
    WriteSetting(settingsFile, settings::kShowTip, true);
    WriteSetting(settingsFile, settings::kStartPrompt, false);
    WriteSetting(settingsFile, settings::kRecordTone, true);
    WriteSetting(settingsFile, settings::kEndPrompt, true);
    WriteSetting(settingsFile, settings::kAudioGain, std::int8_t{3});
    WriteSetting(settingsFile, settings::kAudioHighPass, 300);
    WriteSetting(settingsFile, settings::kAudioCompressorThres, std::int8_t{-10});
    auto sheet = OpenSheet();
    EXPECT_EQ(sheet->windowTitle(), "Settings");
    EXPECT_EQ(sheet->CurrentPage(), &sheet->General());

    GeneralPage& general = sheet->General();
    auto* lineDevice = general.ItemAs<QComboBox>(GeneralPage::kIdLineDevice);
    ASSERT_EQ(lineDevice->count(), 3);
    EXPECT_EQ(lineDevice->itemText(0), "Data Modem");
    EXPECT_EQ(lineDevice->itemText(2), "Fax Card");
    EXPECT_EQ(lineDevice->currentIndex(), 1);
    auto* playDevice = general.ItemAs<QComboBox>(GeneralPage::kIdPlaybackDevice);
    EXPECT_EQ(playDevice->count(),
              std::min<int>(WaveDeviceNames(WaveDirection::Output).size(), 127));
    EXPECT_EQ(playDevice->currentIndex(), speakerId);
    EXPECT_EQ(playDevice->currentText(), "Test Speaker");
    EXPECT_EQ(general.ItemAs<LDBEdit>(GeneralPage::kIdPlayVolume)->GetValue(), -6);
    EXPECT_FALSE(general.IsChecked(GeneralPage::kIdCidFlash));
    EXPECT_TRUE(general.IsChecked(GeneralPage::kIdShowTip));

    RecordPage& record = sheet->Record();
    EXPECT_FALSE(record.IsChecked(RecordPage::kIdStartPrompt));
    EXPECT_TRUE(record.IsChecked(RecordPage::kIdRecordTone));
    EXPECT_TRUE(record.IsChecked(RecordPage::kIdEndPrompt));
    // The default interval of 15 s, and a year for the missing "deletefiledays".
    EXPECT_EQ(record.ItemAs<QLineEdit>(RecordPage::kIdToneInterval)->text(), " 0:00:15.0");
    EXPECT_EQ(record.ItemAs<QLineEdit>(RecordPage::kIdDeleteDays)->text(), "365");

    HoldPage& hold = sheet->Hold();
    auto* gain = hold.ItemAs<LDBEdit>(HoldPage::kIdAudioGain);
    auto* threshold = hold.ItemAs<LDBEdit>(HoldPage::kIdCompressorThreshold);
    EXPECT_EQ(std::tuple(gain->GetValue(), gain->Minimum(), gain->Maximum()), std::tuple(3, -8, 8));
    EXPECT_EQ(hold.ItemAs<QLineEdit>(HoldPage::kIdHighPass)->text(), "300");
    EXPECT_EQ(std::tuple(threshold->GetValue(), threshold->Minimum(), threshold->Maximum()),
              std::tuple(-10, -18, 0));

    sheet->Command(kIdOK);  // what was shown is what is written
    EXPECT_EQ(ReadIntSetting(settingsFile, kSettingsSection, "deletefiledays", -1), 365);
    EXPECT_EQ(ReadSetting(settingsFile, settings::kRecordToneInterval), 150000);
}

TEST_F(SettingsSheetTest, OKSavesEveryControl) {
    auto sheet = OpenSheet();
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
    Type(record.ItemAs<QLineEdit>(RecordPage::kIdDeleteDays), "90");

    HoldPage& hold = sheet->Hold();
    Type(hold.ItemAs<LDBEdit>(HoldPage::kIdAudioGain)->Field(), "-5");
    Type(hold.ItemAs<QLineEdit>(HoldPage::kIdHighPass), "250");
    Type(hold.ItemAs<LDBEdit>(HoldPage::kIdCompressorThreshold)->Field(), "-12");

    sheet->Command(kIdOK);
    EXPECT_TRUE(sheet->IsFinished());
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
    EXPECT_EQ(ReadSetting(settingsFile, settings::kDeleteFileDays), 90);
    EXPECT_EQ(ReadSetting(settingsFile, settings::kAudioGain), -5);
    EXPECT_EQ(ReadSetting(settingsFile, settings::kAudioHighPass), 250);
    EXPECT_EQ(ReadSetting(settingsFile, settings::kAudioCompressorThres), -12);
}

TEST_F(SettingsSheetTest, DeviceWithoutVoiceIsRefusedAndNothingIsWritten) {
    WriteSetting(settingsFile, settings::kDevice, 1);
    const std::string before = ReadFile(settingsFile);
    auto sheet = OpenSheet();
    sheet->ShowPage(&sheet->Hold());
    sheet->General().ItemAs<QComboBox>(GeneralPage::kIdLineDevice)->setCurrentIndex(2);
    sheet->General().SetChecked(GeneralPage::kIdCidFlash, false);
    sheet->Record().ItemAs<QLineEdit>(RecordPage::kIdDeleteDays)->setText("7");

    sheet->Command(kIdOK);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, "Device Error");
    EXPECT_EQ(messages.requests[0].icon, MessageIcon::Warning);
    EXPECT_FALSE(sheet->IsFinished());
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->CurrentPage(), &sheet->General());
    EXPECT_EQ(ReadFile(settingsFile), before);
}

TEST_F(SettingsSheetTest, WithoutLineDevicesTheDeviceSettingIsKept) {
    lines.names.clear();
    lines.voice.clear();
    WriteSetting(settingsFile, settings::kDevice, 4);
    auto sheet = OpenSheet();
    EXPECT_EQ(sheet->General().ItemAs<QComboBox>(GeneralPage::kIdLineDevice)->count(), 0);
    sheet->Command(kIdOK);
    EXPECT_TRUE(sheet->IsFinished());
    EXPECT_EQ(ReadSetting(settingsFile, settings::kDevice), 4);
}

TEST_F(SettingsSheetTest, CancelWritesNothing) {
    WriteSetting(settingsFile, settings::kDevice, 1);
    const std::string before = ReadFile(settingsFile);
    auto sheet = OpenSheet();
    sheet->General().SetChecked(GeneralPage::kIdShowTip, false);
    Type(sheet->General().ItemAs<LDBEdit>(GeneralPage::kIdPlayVolume)->Field(), "-20");
    Type(sheet->Record().ItemAs<QLineEdit>(RecordPage::kIdDeleteDays), "3");
    Type(sheet->Hold().ItemAs<QLineEdit>(HoldPage::kIdHighPass), "999");
    sheet->Command(kIdCancel);
    EXPECT_TRUE(sheet->IsFinished());
    EXPECT_EQ(sheet->result(), kResultCancel);
    EXPECT_EQ(ReadFile(settingsFile), before);
}

TEST_F(SettingsSheetTest, ConfigureDeviceOpensTheSelectedDevicesDialog) {
    auto sheet = OpenSheet();
    GeneralPage& general = sheet->General();
    general.ItemAs<QComboBox>(GeneralPage::kIdLineDevice)->setCurrentIndex(2);
    Click(general, GeneralPage::kIdConfigureDevice);
    EXPECT_EQ(lines.configured, std::vector<int>{2});
    EXPECT_EQ(lines.configOwner, &general);
}

TEST_F(SettingsSheetTest, RecordPageGreysWhatItsCheckBoxesSwitchOff) {
    auto sheet = OpenSheet();  // everything on by default
    RecordPage& record = sheet->Record();
    for (int id : {102, 103, 105, 106, 108, 109}) {
        EXPECT_TRUE(record.IsItemEnabled(id)) << id;
    }
    struct Row {
        int box;
        int first;
        int second;
    };
    for (Row row : {Row{101, 102, 103}, Row{104, 105, 106}, Row{107, 108, 109}}) {
        Click(record, row.box);
        EXPECT_FALSE(record.IsItemEnabled(row.first)) << row.box;
        EXPECT_FALSE(record.IsItemEnabled(row.second)) << row.box;
        Click(record, row.box);
        EXPECT_TRUE(record.IsItemEnabled(row.first)) << row.box;
        EXPECT_TRUE(record.IsItemEnabled(row.second)) << row.box;
    }
}

TEST_F(SettingsSheetTest, PlayButtonsPreviewOnThePlaybackDeviceAndToggle) {
    CopyPrompt("Start Prompt.wav");
    CopyPrompt("On-Hold 2.wav");
    WriteSetting(settingsFile, settings::kPlayDevice, speakerId);
    auto sheet = OpenSheet();
    RecordPage& record = sheet->Record();
    Click(record, RecordPage::kIdPlayStartPrompt);
    EXPECT_TRUE(record.Preview().IsPlaying());
    Click(record, RecordPage::kIdPlayStartPrompt);
    EXPECT_FALSE(record.Preview().IsPlaying());

    HoldPage& hold = sheet->Hold();
    Click(hold, HoldPage::kIdPlayOnHold2);
    EXPECT_TRUE(hold.Preview().IsPlaying());
    sheet->Command(kIdCancel);  // closing the sheet stops the preview
    EXPECT_FALSE(hold.Preview().IsPlaying());
    EXPECT_TRUE(messages.requests.empty());
}

TEST_F(SettingsSheetTest, PreviewOfAMissingFileDoesNothingAndOnAMissingDeviceSaysSo) {
    WriteSetting(settingsFile, settings::kPlayDevice, 120);
    auto sheet = OpenSheet();
    Click(sheet->Record(), RecordPage::kIdPlayEndPrompt);
    Click(sheet->Hold(), HoldPage::kIdPlayOnHold3);
    EXPECT_TRUE(messages.requests.empty());

    CopyPrompt("End Prompt.wav");
    CopyPrompt("On-Hold 3.wav");
    Click(sheet->Record(), RecordPage::kIdPlayEndPrompt);
    Click(sheet->Hold(), HoldPage::kIdPlayOnHold3);
    ASSERT_EQ(messages.requests.size(), 2u);
    EXPECT_EQ(messages.requests[0].caption, "Sound Card Error");
    EXPECT_EQ(messages.requests[1].caption, "Sound Card Error");
    EXPECT_FALSE(sheet->Record().Preview().IsPlaying());
}

TEST_F(SettingsSheetTest, ChangeButtonsOpenTheChangeMenuForTheirFile) {
    auto sheet = OpenSheet();
    RecordPage& record = sheet->Record();
    Click(record, RecordPage::kIdChangeEndPrompt);
    QMenu* menu = record.Preview().ChangeMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(record.Preview().ChangeSlot(), PromptSlot::EndPrompt);
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(actions[i]->data().toInt(), 1001 + i);
        EXPECT_FALSE(actions[i]->isEnabled());
    }
    menu->hide();

    Click(sheet->Hold(), HoldPage::kIdChangeOnHold2);
    EXPECT_EQ(sheet->Hold().Preview().ChangeSlot(), PromptSlot::OnHold2);
    Click(sheet->Hold(), HoldPage::kIdChangeOnHold3);
    EXPECT_EQ(sheet->Hold().Preview().ChangeSlot(), PromptSlot::OnHold3);
    sheet->Hold().Preview().ChangeMenu()->hide();
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
