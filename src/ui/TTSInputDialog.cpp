// The speech dialog.
#include "ui/TTSInputDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

#include "controls/LProgressDialog.h"
#include "speech/SpeechEngines.h"
#include "speech/SpeechSynthesis.h"
#include "ui/MessageTexts.h"

namespace {

// Speaks the text under the progress dialog; Run gives 1 once it is done.
class SynthesisTask : public LProgressDialog {
public:
    SynthesisTask(std::string text, int engineIndex, const std::string& outputFile)
        : text(std::move(text)), engineIndex(engineIndex), outputFile(outputFile) {
        title = QStringLiteral("Synthesize Voice");
    }

protected:
    std::uint32_t Work() override {
        SetText(QStringLiteral("Synthesizing Voice"), 0);
        SetText(QStringLiteral("Please wait"), 1);
        SpeechResult result = SynthesizeSpeech(text, engineIndex, outputFile, [this](double shown) {
            SetProgress(shown);
            return !Pump();
        });
        if (result == SpeechResult::NoEngine) {
            ShowMessage(Window(), messages::kNoSpeechEngine);
        }
        return result == SpeechResult::Done ? 1 : 0;
    }

private:
    std::string text;
    int engineIndex;
    const std::string& outputFile;
};

}  // namespace

TTSInputDialog::TTSInputDialog(int& engineIndex, std::string outputFile, QWidget* parent)
    : LDialog(parent), engineIndex(engineIndex), outputFile(std::move(outputFile)) {
    setWindowTitle(QStringLiteral("Synthesize Speech"));
    auto* edit = Bind(kIdText, new QPlainTextEdit(this));
    edit->setTabChangesFocus(true);
    auto* editLabel = new QLabel(QStringLiteral("&Text to speak:"), this);
    editLabel->setBuddy(edit);
    auto* voices = Bind(kIdVoice, new QComboBox(this));
    auto* voiceLabel = new QLabel(QStringLiteral("&Voice:"), this);
    voiceLabel->setBuddy(voices);

    auto* buttons = new QDialogButtonBox(this);
    auto* speak = Bind(kIdOK, buttons->addButton(QStringLiteral("Synthesize Speech"),
                                                 QDialogButtonBox::AcceptRole));
    speak->setDefault(true);
    Bind(kIdCancel, buttons->addButton(QDialogButtonBox::Cancel));

    auto* layout = new QGridLayout(this);
    layout->addWidget(editLabel, 0, 0, 1, 2);
    layout->addWidget(edit, 1, 0, 1, 2);
    layout->addWidget(voiceLabel, 2, 0);
    layout->addWidget(voices, 2, 1);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setColumnStretch(1, 1);
    resize(DialogUnits(fontMetrics(), 240, 130));
}

void TTSInputDialog::OnInit() {
    ItemAs<QPlainTextEdit>(kIdText)->setPlainText(text);
    auto* voices = ItemAs<QComboBox>(kIdVoice);
    for (int voice = 0; voice < CountSpeechEngines(); ++voice) {
        voices->addItem(QString::fromStdString(GetSpeechEngineName(voice)));
    }
    voices->setCurrentIndex(engineIndex);
}

bool TTSInputDialog::OnOK() {
    text = ItemAs<QPlainTextEdit>(kIdText)->toPlainText().left(kMaxText);
    // Nothing to say: an announcement of silence helps nobody. Without voices the task says
    // where to get them, whatever the text.
    if (text.trimmed().isEmpty() && CountSpeechEngines() > 0) {
        Item(kIdText)->setFocus();
        return false;
    }
    engineIndex = std::max(ItemAs<QComboBox>(kIdVoice)->currentIndex(), 0);
    SynthesisTask task(text.toStdString(), engineIndex, outputFile);
    return task.Run(this) == 1;
}
