// Prompt previews and replacements.
#include "ui/PromptPreview.h"

#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QMenu>

#include "audio/files/WaveReaders.h"
#include "base/PosixFile.h"
#include "base/TempFiles.h"
#include "controls/LProgressDialog.h"
#include "controls/LRecordDlg.h"
#include "recorder/AppState.h"
#include "recorder/PromptImport.h"
#include "settings/SettingsKeys.h"
#include "speech/SpeechEngines.h"
#include "ui/MessageBox.h"
#include "ui/PlaybackDevice.h"
#include "ui/TTSInputDialog.h"

namespace {

// A file converted into a slot under the progress dialog, whose Cancel stops it.
class PromptConversion : public LProgressDialog {
public:
    PromptConversion(const std::string& input, const std::string& dataFolder, PromptSlot slot)
        : input(input), dataFolder(dataFolder), slot(slot) {
        title = QStringLiteral("Quillon Recorder");
        message = QStringLiteral("Please wait...");
    }

    PromptImport result = PromptImport::Cancelled;

protected:
    std::uint32_t Work() override {
        SetText(QStringLiteral("Process Audio File"), 0);
        SetText(QStringLiteral("Quillon Recorder"), 1);
        SetProgress(0);
        // The bar stops short of the end: the length of an MP3 file is only an estimate.
        result =
            ImportPrompt(input, dataFolder, slot, [this](std::int32_t at, std::int32_t length) {
                SetProgress(at / (1.1 * length));
                return !Pump();
            });
        return result == PromptImport::Done ? 1 : 0;
    }

private:
    const std::string& input;
    const std::string& dataFolder;
    PromptSlot slot;
};

QString ChooseAudioFile(QWidget* owner, const QString& title, const QString& folder) {
    return QFileDialog::getOpenFileName(
        owner, title, folder, QStringLiteral("Wav or Mp3 Files (*.wav *.WAV *.mp3 *.MP3)"));
}

}  // namespace

PromptPreview::PromptPreview(std::string settingsFile, std::string dataFolder,
                             PromptPageTexts texts)
    : record([this](const std::string& file, const char* name, QWidget* owner) {
          LRecordParams params;
          params.Load(this->settingsFile);
          params.flags = LPlayParams::kNameDisabled | LRecordParams::kAutoTrim;
          params.name = QString::fromLatin1(name);
          params.path = file;
          params.sampleRate = kPromptRate;
          params.channels = kPromptChannels;
          LRecordDlg dialog(params);
          RunModelessDialog(dialog, owner);
          params.Save(this->settingsFile);
          LSoundSourcePtr recorded = OpenWaveFile(file);
          return recorded && recorded->GetLength() > 0;
      }),
      speak([this](const std::string& file, QWidget* owner) {
          int voice = PreferredSpeechEngine(this->settingsFile);
          TTSInputDialog dialog(voice, file, owner);
          if (dialog.exec() != kResultOK) {
              return false;
          }
          WriteSetting(this->settingsFile, settings::kPreferredSpeaker, voice);
          return true;
      }),
      chooseFile(ChooseAudioFile),
      queueForLevel([](const std::string& path) {
          if (App().levelQueue) {
              App().levelQueue(path);
          }
      }),
      settingsFile(std::move(settingsFile)),
      dataFolder(std::move(dataFolder)),
      texts(texts) {}

PromptPreview::~PromptPreview() {
    player.Stop();
}

void PromptPreview::Toggle(PromptSlot slot, QWidget* owner) {
    if (player.IsActive()) {
        player.Stop();
        return;
    }
    if (!PlayOnPlaybackDevice(player, settingsFile, PromptFile(dataFolder, slot))) {
        ShowMessage(owner, texts.playError);
    }
}

bool PromptPreview::IsPlaying() const {
    return player.IsActive();
}

void PromptPreview::Stop() {
    player.Stop();
}

void PromptPreview::ShowChangeMenu(PromptSlot slot, QWidget* owner) {
    changeSlot = slot;
    changeOwner = owner;
    if (!changeMenu) {
        changeMenu = std::make_unique<QMenu>();
        for (auto [id, text] : {std::pair{kIdChangeRecord, "&Record..."},
                                {kIdChangeLoad, "&Load Wav or Mp3 File..."},
                                {kIdChangeSynthesize, "&Synthesize Speech..."},
                                {kIdChangeReset, "Reset to &Default"}}) {
            QAction* action = changeMenu->addAction(QString::fromLatin1(text));
            action->setData(id);
            QObject::connect(action, &QAction::triggered, [this, id = id] { Change(id); });
        }
    }
    changeMenu->popup(QCursor::pos());
}

void PromptPreview::Change(int id) {
    player.Stop();  // the file may be about to change
    switch (id) {
        case kIdChangeRecord: {
            ScratchFolder scratch("record");
            std::string file = scratch.path + "/Record.wav";
            if (!scratch.path.empty() && record && record(file, texts.recordName, changeOwner)) {
                Process(file);
            }
            break;
        }
        case kIdChangeLoad: {
            QString folder =
                QString::fromStdString(ReadSetting(settingsFile, settings::kWavImportDir));
            QString chosen = chooseFile(changeOwner, QString::fromLatin1(texts.loadTitle), folder);
            if (!chosen.isEmpty()) {
                std::string file = QFile::encodeName(chosen).toStdString();
                WriteSetting(settingsFile, settings::kWavImportDir, ParentFolder(file));
                Process(file);
            }
            break;
        }
        case kIdChangeSynthesize: {
            ScratchFolder scratch("speech");
            std::string file = scratch.path + "/Synthesized.wav";
            if (!scratch.path.empty() && speak && speak(file, changeOwner)) {
                Process(file);
            }
            break;
        }
        case kIdChangeReset:
            ResetPromptToDefault(dataFolder, changeSlot);
            break;
        default:
            break;
    }
}

void PromptPreview::Process(const std::string& file) {
    PromptConversion conversion(file, dataFolder, changeSlot);
    conversion.Run(changeOwner);
    if (conversion.result == PromptImport::Done) {
        queueForLevel(PromptFile(dataFolder, changeSlot));
    }
}
