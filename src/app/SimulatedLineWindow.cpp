// The "Simulated Line" window.
#include "app/SimulatedLineWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "telephony/providers/simulated/SimulatedLine.h"

namespace {

constexpr int kRefreshMs = 250;

QPushButton* Button(const char* text, QWidget* parent) {
    return new QPushButton(QString::fromLatin1(text), parent);
}

// An audio file field with its Browse button.
QHBoxLayout* FileRow(QLineEdit* edit, QWidget* parent) {
    auto* row = new QHBoxLayout;
    row->addWidget(edit, 1);
    auto* browse = Button("Browse...", parent);
    QObject::connect(browse, &QPushButton::clicked, parent, [edit, parent] {
        QString file =
            QFileDialog::getOpenFileName(parent, QStringLiteral("Audio File"), edit->text(),
                                         QStringLiteral("Wav or Mp3 Files (*.wav *.mp3)"));
        if (!file.isEmpty()) {
            edit->setText(file);
            emit edit->editingFinished();
        }
    });
    row->addWidget(browse);
    return row;
}

}  // namespace

SimulatedLineWindow::SimulatedLineWindow(std::shared_ptr<SimulatedLine> line,
                                         std::string sampleFile, QWidget* parent)
    : QWidget(parent, Qt::Window),
      line(std::move(line)),
      sampleFile(std::move(sampleFile)),
      callerKind(new QComboBox(this)),
      number(new QLineEdit(QStringLiteral("5551234"), this)),
      name(new QLineEdit(QStringLiteral("JOHN SMITH"), this)),
      digits(new QLineEdit(QStringLiteral("123"), this)),
      farAudio(new QLineEdit(this)),
      farSample(new QCheckBox(QStringLiteral("Built-in spoken sample"), this)),
      nearAudio(new QLineEdit(this)),
      state(new QLabel(this)),
      note(new QLabel(this)) {
    setWindowTitle(QStringLiteral("Simulated Line"));

    callerKind->addItems({QStringLiteral("Number and name"), QStringLiteral("Withheld"),
                          QStringLiteral("Out of area"), QStringLiteral("Unknown"),
                          QStringLiteral("Unavailable")});
    auto* caller = new QGroupBox(QStringLiteral("Incoming call"), this);
    auto* callerForm = new QFormLayout(caller);
    callerForm->addRow(QStringLiteral("Caller ID:"), callerKind);
    callerForm->addRow(QStringLiteral("Number:"), number);
    callerForm->addRow(QStringLiteral("Name:"), name);

    auto* actions = new QGridLayout;
    struct Entry {
        const char* text;
        void (SimulatedLineWindow::*action)();
    };
    const Entry entries[] = {{"Ring", &SimulatedLineWindow::Ring},
                             {"Far party answers", &SimulatedLineWindow::FarPartyAnswers},
                             {"Far party hangs up", &SimulatedLineWindow::FarPartyHangsUp},
                             {"Busy", &SimulatedLineWindow::Busy},
                             {"Fax tone", &SimulatedLineWindow::FaxTone}};
    int index = 0;
    for (const Entry& entry : entries) {
        auto* button = Button(entry.text, this);
        connect(button, &QPushButton::clicked, this, entry.action);
        actions->addWidget(button, index / 3, index % 3);
        ++index;
    }
    auto* digitsRow = new QHBoxLayout;
    digitsRow->addWidget(digits, 1);
    auto* send = Button("Send digits", this);
    connect(send, &QPushButton::clicked, this, &SimulatedLineWindow::SendDigits);
    digitsRow->addWidget(send);

    auto* audio = new QGroupBox(QStringLiteral("What the parties say"), this);
    auto* audioForm = new QFormLayout(audio);
    audioForm->addRow(QStringLiteral("Far party:"), FileRow(farAudio, this));
    audioForm->addRow(QString(), farSample);
    audioForm->addRow(QStringLiteral("Near party:"), FileRow(nearAudio, this));
    farSample->setChecked(true);
    connect(farAudio, &QLineEdit::editingFinished, this, [this] {
        farSample->setChecked(farAudio->text().isEmpty());
        ApplyFarAudio();
    });
    connect(farSample, &QCheckBox::toggled, this, &SimulatedLineWindow::ApplyFarAudio);
    connect(nearAudio, &QLineEdit::editingFinished, this, &SimulatedLineWindow::ApplyNearAudio);

    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(caller);
    layout->addLayout(actions);
    layout->addLayout(digitsRow);
    layout->addWidget(audio);
    layout->addWidget(state);
    layout->addWidget(note);

    ApplyFarAudio();
    connect(&refresh, &QTimer::timeout, this, &SimulatedLineWindow::ShowState);
    refresh.start(kRefreshMs);
    ShowState();
}

void SimulatedLineWindow::Ring() {
    SimulatedCallerId caller;
    caller.kind = static_cast<SimulatedCallerId::Kind>(callerKind->currentIndex());
    caller.number = number->text().toStdString();
    caller.name = name->text().toStdString();
    Report(line->Ring(caller), "Ring: the line is busy with a call");
}

void SimulatedLineWindow::FarPartyAnswers() {
    Report(line->FarPartyAnswers(), "Far party answers: no call is being dialled");
}

void SimulatedLineWindow::FarPartyHangsUp() {
    Report(line->FarPartyHangsUp(), "Far party hangs up: there is no call");
}

void SimulatedLineWindow::Busy() {
    Report(line->FarPartyBusy(), "Busy: there is no call in progress");
}

void SimulatedLineWindow::SendDigits() {
    Report(line->SendDigits(digits->text().toStdString()),
           "Send digits: the far party is not on the line");
}

void SimulatedLineWindow::FaxTone() {
    Report(line->SendFaxTone(), "Fax tone: the far party is not on the line");
}

void SimulatedLineWindow::ApplyFarAudio() {
    if (farSample->isChecked()) {
        line->SetFarPartyAudioFile(sampleFile);
    } else if (farAudio->text().isEmpty()) {
        line->SetFarPartyAudio(nullptr);
    } else {
        Report(line->SetFarPartyAudioFile(farAudio->text().toStdString()),
               "Far party: the file cannot be read as audio");
    }
}

void SimulatedLineWindow::ApplyNearAudio() {
    if (nearAudio->text().isEmpty()) {
        line->SetNearPartyAudio(nullptr);
    } else {
        Report(line->SetNearPartyAudioFile(nearAudio->text().toStdString()),
               "Near party: the file cannot be read as audio");
    }
}

void SimulatedLineWindow::Report(bool done, const char* what) {
    note->setText(done ? QString() : QString::fromLatin1(what));
    ShowState();
}

void SimulatedLineWindow::ShowState() {
    QString text =
        QStringLiteral("Line: %1").arg(QString::fromLatin1(SimulatedCallStateName(line->State())));
    if (line->State() == SimulatedCallState::Offering) {
        text += QStringLiteral(", ring %1").arg(line->RingCount());
    }
    if (line->IsOffHook()) {
        text += QStringLiteral(", the program is off hook");
    }
    state->setText(text);
}

QString SimulatedLineWindow::Status() const {
    return note->text().isEmpty() ? state->text() : note->text();
}
