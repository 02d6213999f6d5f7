// Find and Play: the list and its filter, the columns filled from the files in batches, the note
// edited in place and its failures, the enabling rules, Play Advanced stepping through the list,
// Save as to a file or a folder, Delete to the trash, e-mail and its failures, and names that are
// not valid UTF-8.
#include "ui/FindPlayDialog.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTest>
#include <QTreeWidget>
#include <climits>

#include "audio/files/LWaveWriter.h"
#include "audio/files/RecordingInfo.h"
#include "mail/SendRecordings.h"
#include "settings/SettingsKeys.h"
#include "support/QtTestApp.h"
#include "support/TempDir.h"
#include "ui/MessageTexts.h"
#include "ui/SendMailDialog.h"
#include "ui/UiTestSupport.h"

namespace {

const std::string kNames[] = {"2026-12-01 09-00-00 5551234 ANNA", "2026-12-02 10-30-00",
                              "2026-12-03 17-45-10 5559876 BOB"};

class FindPlayDialogTest : public ::testing::Test {
protected:
    FindPlayDialogTest() {
        std::filesystem::create_directories(recordings);
        finder.chooseSaveFile = [this](QWidget*, const QString& proposed) {
            asked.push_back("file " + proposed.toStdString());
            return answer;
        };
        finder.chooseFolder = [this](QWidget*, const QString& start) {
            asked.push_back("folder " + start.toStdString());
            return answer;
        };
    }

    // Records the given names (each file holds its own name) and lists them.
    void Record(std::initializer_list<std::string> names) {
        for (const std::string& name : names) {
            WriteFile(recordings + name + ".wav", name);
        }
        finder.OnInit();
        finder.Update();
    }
    // A recording of `seconds` of silence at 8 kHz that keeps `info`.
    void RecordWave(const std::string& name, int seconds, const RecordingInfo& info) {
        const std::string path = recordings + name + ".wav";
        {
            LWaveWriter writer(path, 8000, 0, 2, 1);
            std::vector<std::int32_t> samples(static_cast<std::size_t>(seconds) * 8000);
            writer.Write(samples.data(), static_cast<std::int32_t>(samples.size()));
        }
        ASSERT_EQ(WriteRecordingInfo(path, info), "");
    }
    QTreeWidget* List() const { return finder.ItemAs<QTreeWidget>(FindPlayDialog::kIdList); }
    QTreeWidgetItem* Item(int row) const { return List()->topLevelItem(row); }
    // The texts of the row's columns.
    std::vector<std::string> Row(int row) const {
        std::vector<std::string> texts;
        for (int column = 0; column < List()->columnCount(); ++column) {
            texts.push_back(Item(row)->text(column).toStdString());
        }
        return texts;
    }
    void Select(std::initializer_list<int> rows) {
        List()->clearSelection();
        for (int row : rows) {
            Item(row)->setSelected(true);
        }
        finder.Update();
    }
    void Filter(const char* text) {
        finder.ItemAs<QLineEdit>(FindPlayDialog::kIdFilter)->setText(QString::fromUtf8(text));
        finder.Command(FindPlayDialog::kIdFilter, kCodeEditChange);
    }
    std::vector<int> Enabled() const {
        std::vector<int> ids;
        for (int id : {1, 9, 102, 104, 105, 106, 107}) {
            if (finder.IsItemEnabled(id)) {
                ids.push_back(id);
            }
        }
        return ids;
    }
    QString Count() const { return finder.ItemAs<QLabel>(FindPlayDialog::kIdCount)->text(); }

    QApplication& application = QtWidgetsTestApp();  // before any widget
    TempDir dir;
    ScopedEnv data{"XDG_DATA_HOME", dir / "data"};
    const std::string recordings = dir / "Recordings/";
    const std::string settings = dir / "settings.ini";
    FindPlayDialog finder{recordings, settings};
    MessageRecorder messages;
    std::vector<std::string> asked;
    QString answer;
};

TEST_F(FindPlayDialogTest, ButtonsFollowTheSelectionAndTheFilterNarrowsTheList) {
    Record({});
    EXPECT_EQ(List()->topLevelItemCount(), 0);
    EXPECT_EQ(Enabled(), (std::vector<int>{1, 9}));
    EXPECT_EQ(Count(), QStringLiteral("0 recordings"));

    Record({kNames[2], kNames[0], kNames[1]});
    ASSERT_EQ(List()->topLevelItemCount(), 3);
    EXPECT_EQ(Item(0)->text(0).toStdString(), kNames[0]);  // oldest first
    EXPECT_EQ(finder.SelectedFiles(), (std::vector<std::string>{recordings + kNames[0] + ".wav"}));
    EXPECT_EQ(Enabled(), (std::vector<int>{1, 9, 102, 104, 105, 106, 107}));
    Select({0, 2});
    EXPECT_EQ(Enabled(), (std::vector<int>{1, 9, 105, 106, 107}));
    EXPECT_EQ(Count(), QStringLiteral("3 recordings"));

    Filter("bob");
    EXPECT_EQ(Count(), QStringLiteral("1 of 3 recordings"));
    EXPECT_EQ(finder.SelectedFiles(), (std::vector<std::string>{recordings + kNames[2] + ".wav"}));
    Filter("555");
    Select({0, 1, 2});  // the hidden one is not acted on
    EXPECT_EQ(finder.SelectedFiles().size(), 2u);
    EXPECT_EQ(Count(), QStringLiteral("2 of 3 recordings"));
}

TEST_F(FindPlayDialogTest, ColumnsFillInBatchesFromEachFilesInfoAndHeaderAndTheFilterSeesThem) {
    RecordingInfo info;
    info.caller = "5551234 ANNA";
    info.date = "2026-12-01 09:00:00";
    info.note = "Contract agreed";
    RecordWave(kNames[0], 125, info);
    RecordWave(kNames[1], 3, {});  // an older recording: no info
    info = {};
    info.caller = "5550000 ZED";  // known to the info only
    RecordWave(kNames[2], 1, info);
    Filter("contract");
    Record({});
    EXPECT_FALSE(finder.ColumnsFilled());
    EXPECT_EQ(Count(), QStringLiteral("0 of 3 recordings"));  // no note read yet
    finder.FillColumns(2);
    EXPECT_EQ(Row(0), (std::vector<std::string>{kNames[0], "5551234 ANNA", "2026-12-01 09:00:00",
                                                "2:05", "Contract agreed"}));
    EXPECT_EQ(Row(1), (std::vector<std::string>{kNames[1], "", "", "0:03", ""}));
    EXPECT_EQ(Row(2)[1], "");
    EXPECT_EQ(Count(), QStringLiteral("1 of 3 recordings"));
    finder.FillColumns(FindPlayDialog::kColumnBatch);
    EXPECT_TRUE(finder.ColumnsFilled());
    Filter("zed");
    EXPECT_EQ(finder.SelectedFiles(), (std::vector<std::string>{recordings + kNames[2] + ".wav"}));
    Filter("");
    Record({"2026-12-04 08-00-00"});  // not a WAV file
    finder.FillColumns(FindPlayDialog::kColumnBatch);
    EXPECT_EQ(Row(3), (std::vector<std::string>{"2026-12-04 08-00-00", "", "", "", ""}));
}

TEST_F(FindPlayDialogTest, TheNoteIsEditedInPlaceAndWrittenOrTheOldOneComesBackWithTheReason) {
    RecordingInfo info;
    info.caller = "5551234 ANNA";
    info.note = "Old";
    RecordWave(kNames[0], 1, info);
    RecordWave(kNames[1], 1, {});
    Record({});
    finder.FillColumns(INT_MAX);
    const std::string path = recordings + kNames[0] + ".wav";
    // A double-click on the note, or F2 anywhere on the row, opens its editor.
    const auto edit = [this](int row, bool byKey) {
        List()->setCurrentItem(Item(row), byKey ? 0 : FindPlayDialog::kColumnNote);
        if (byKey) {
            QShortcut* key = List()->findChild<QShortcut*>();
            ASSERT_EQ(key->key(), QKeySequence(Qt::Key_F2));
            emit key->activated();
        } else {
            finder.Command(FindPlayDialog::kIdList, kCodeDoubleClick);
        }
    };
    const auto type = [this](const char* text) {
        auto* editor = List()->viewport()->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
        editor->setText(QString::fromUtf8(text));
        QTest::keyClick(editor, Qt::Key_Return);
        // The editor hands its text over from the event loop, and goes.
        DeliverPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    List()->setCurrentItem(Item(0), FindPlayDialog::kColumnCaller);
    finder.Command(FindPlayDialog::kIdList, kCodeDoubleClick);
    EXPECT_EQ(List()->viewport()->findChild<QLineEdit*>(), nullptr);  // not on other columns
    edit(0, false);
    type("Contract agreed");
    info.note = "Contract agreed";
    EXPECT_EQ(ReadRecordingInfo(path), info);  // the rest kept
    edit(1, true);
    type("Wrong number");
    EXPECT_EQ(ReadRecordingInfo(recordings + kNames[1] + ".wav")->note, "Wrong number");
    EXPECT_TRUE(messages.requests.empty());

    // The file went while the note was edited.
    edit(0, false);
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    type("Lost");
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, messages::kNoteNotSaved.caption);
    EXPECT_NE(messages.requests[0].text.find(kNames[0]), std::string::npos);
    EXPECT_EQ(Row(0)[FindPlayDialog::kColumnNote], "Contract agreed");
}

TEST_F(FindPlayDialogTest, PlayAdvancedStepsThroughTheListAndEndsAtItsEnds) {
    Record({kNames[0], kNames[1], kNames[2]});
    std::vector<std::pair<std::uint16_t, std::string>> played;
    std::vector<int> results;
    finder.runPlayer = [&](LPlayParams& params, QWidget*) {
        played.emplace_back(params.flags, params.name.toStdString());
        params.result = results[played.size() - 1];
    };
    // Next, next, next on the last: the loop ends there.
    results = {3, 3, 3};
    finder.Command(FindPlayDialog::kIdPlayAdvanced);
    EXPECT_EQ(played, (std::vector<std::pair<std::uint16_t, std::string>>{
                          {0x51, kNames[0]}, {0x71, kNames[1]}, {0x71, kNames[2]}}));
    EXPECT_EQ(List()->currentItem(), Item(2));
    // Back to the first, which offers no previous track.
    played.clear();
    results = {2, 2, 0};
    Select({2});
    finder.Command(FindPlayDialog::kIdPlayAdvanced);
    EXPECT_EQ(played.size(), 3u);
    EXPECT_EQ(played.back(), (std::pair<std::uint16_t, std::string>{0x51, kNames[0]}));
    EXPECT_EQ(ReadTextSetting(settings, "player", "volume", ""), "0dB");  // its settings kept
}

TEST_F(FindPlayDialogTest, SaveAsCopiesOneToAFileAndSeveralIntoAFolderOverwritingThere) {
    RecordingInfo info;
    info.note = "Contract agreed";
    info.eventRate = 8000;
    info.events = {{800, 0, CallEventKind::Tone, ""}};
    RecordWave(kNames[0], 1, info);
    Record({kNames[1]});
    std::filesystem::create_directories(dir / "out");
    answer = QString::fromStdString(dir / "out/first.wav");
    finder.Command(FindPlayDialog::kIdSaveAs);
    EXPECT_EQ(ReadRecordingInfo(dir / "out/first.wav"), info);  // the story goes with the copy
    EXPECT_EQ(ReadSetting(settings, settings::kSaveAsPath), dir / "out");

    WriteFile(dir / ("out/" + kNames[1] + ".wav"), "an older file");
    answer = QString::fromStdString(dir / "out");
    Select({0, 1});
    finder.Command(FindPlayDialog::kIdSaveAs);
    // Without a folder of its own yet, the first is proposed in the home folder.
    EXPECT_EQ(asked, (std::vector<std::string>{
                         "file " + QDir::homePath().toStdString() + "/" + kNames[0] + ".wav",
                         "folder " + dir / "out"}));
    EXPECT_EQ(ReadFile(dir / ("out/" + kNames[0] + ".wav")), ReadFile(dir / "out/first.wav"));
    EXPECT_EQ(ReadFile(dir / ("out/" + kNames[1] + ".wav")), kNames[1]);
    EXPECT_TRUE(messages.requests.empty());

    // A copy that cannot be made is said, and what was there stays.
    answer = QString::fromStdString(dir / "missing/x.wav");
    Select({0});
    finder.Command(FindPlayDialog::kIdSaveAs);
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, messages::kSaveFailed.caption);
}

TEST_F(FindPlayDialogTest, DeleteMovesTheSelectedToTheTrashAndListsAgain) {
    // A name from an older system: Latin-1, not UTF-8.
    const std::string latin = "2026-11-30 08-00-00 M\xFCller";
    Record({kNames[0], kNames[1], latin});
    ASSERT_EQ(List()->topLevelItemCount(), 3);
    EXPECT_EQ(Item(0)->text(0), QStringLiteral("2026-11-30 08-00-00 Müller"));
    EXPECT_EQ(finder.SelectedFiles(), (std::vector<std::string>{recordings + latin + ".wav"}));
    Select({0, 1});
    finder.Command(FindPlayDialog::kIdDelete);
    ASSERT_EQ(List()->topLevelItemCount(), 1);
    EXPECT_EQ(Item(0)->text(0).toStdString(), kNames[1]);
    EXPECT_EQ(ReadFile(dir / ("data/Trash/files/" + latin + ".wav")), latin);
    EXPECT_EQ(ReadFile(dir / ("data/Trash/files/" + kNames[0] + ".wav")), kNames[0]);
}

TEST_F(FindPlayDialogTest, EmailSendsTheSelectedInListOrderAndSaysWhenThereIsNoMailProgram) {
    Record({kNames[0], kNames[1], kNames[2]});
    WriteSetting(settings, settings::kSendEmail, "old@example.org");
    std::vector<QString> offered;
    finder.askMail = [&offered](QString& address, QString& message, QWidget*) {
        offered.push_back(address);
        address = QStringLiteral("new@example.org");
        message = QStringLiteral("Bcc: not a header");
        return true;
    };
    std::vector<std::string> sent;
    finder.sendMail = [&](const std::string&, const std::string& address,
                          const std::string& message, const std::vector<std::string>& files) {
        sent = {address, message};
        sent.insert(sent.end(), files.begin(), files.end());
        return SendRecordings(settings, address, message, files, {});  // no mail program
    };
    Select({2, 0});
    finder.Command(FindPlayDialog::kIdEmail);
    EXPECT_EQ(sent, (std::vector<std::string>{"new@example.org", "Bcc: not a header",
                                              recordings + kNames[0] + ".wav",
                                              recordings + kNames[2] + ".wav"}));
    EXPECT_EQ(ReadSetting(settings, settings::kSendEmail), "new@example.org");
    EXPECT_EQ(offered, std::vector<QString>{QStringLiteral("old@example.org")});
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, messages::kMailNotSent.caption);
    EXPECT_NE(messages.requests[0].text.find("sendmail"), std::string::npos);
}

TEST_F(FindPlayDialogTest, TheSendDialogRefusesAnAddressThatCouldAddHeaderLines) {
    SendMailDialog send(QStringLiteral("a@example.org"));
    send.Initialize();
    EXPECT_EQ(send.ItemAs<QLineEdit>(SendMailDialog::kIdAddress)->text(),
              QStringLiteral("a@example.org"));
    send.ItemAs<QLineEdit>(SendMailDialog::kIdAddress)->setText(QStringLiteral("a@b\r\nBcc: c@d"));
    send.Command(kIdOK);
    EXPECT_FALSE(send.IsFinished());
    ASSERT_EQ(messages.requests.size(), 1u);
    EXPECT_EQ(messages.requests[0].caption, messages::kMailAddressRefused.caption);

    auto* text = static_cast<QPlainTextEdit*>(send.Item(SendMailDialog::kIdMessage));
    text->setPlainText(QString(300, QLatin1Char('x')));
    EXPECT_EQ(text->toPlainText().size(), SendMailDialog::kMaxText);
    send.ItemAs<QLineEdit>(SendMailDialog::kIdAddress)->setText(QStringLiteral("SMTP:a@b"));
    send.Command(kIdOK);
    EXPECT_TRUE(send.IsFinished());
    EXPECT_EQ(send.address, QStringLiteral("SMTP:a@b"));
    EXPECT_EQ(send.message.size(), SendMailDialog::kMaxText);
}

}  // namespace
