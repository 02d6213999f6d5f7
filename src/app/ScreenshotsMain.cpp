// quillon-screenshots FOLDER: draws the program's windows offscreen, as a user would see them
// on first use, and saves each as a PNG file in FOLDER for reviewers.
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/AboutDialog.h"
#include "app/Artwork.h"
#include "app/CallerIdFlash.h"
#include "app/LSplashScreen.h"
#include "app/MainWindow.h"
#include "app/RotatingText.h"
#include "app/SimulatedLineWindow.h"
#include "audio/devices/WaveDevices.h"
#include "audio/files/LWaveWriter.h"
#include "audio/files/RecordingInfo.h"
#include "controls/LPlayDlg.h"
#include "controls/LProgressDialog.h"
#include "controls/LRecordAdvancedDlg.h"
#include "controls/LRecordDlg.h"
#include "recorder/PromptFiles.h"
#include "recorder/RecorderSession.h"
#include "settings/SettingsKeys.h"
#include "speech/SpeechEngines.h"
#include "telephony/LTapiLine.h"
#include "telephony/LineProviders.h"
#include "telephony/providers/simulated/SimulatedLineProvider.h"
#include "ui/CallLogViewer.h"
#include "ui/FindPlayDialog.h"
#include "ui/GeneralPage.h"
#include "ui/Help.h"
#include "ui/HelpWindow.h"
#include "ui/HoldPage.h"
#include "ui/LineDevices.h"
#include "ui/SendMailDialog.h"
#include "ui/SettingsSheet.h"
#include "ui/TTSInputDialog.h"
#include "ui/TipDialog.h"

namespace {

// Line devices as a machine with one voice modem shows them.
class SampleLines : public LineDevices {
public:
    int NumDevices() override { return static_cast<int>(names.size()); }
    std::string GetLineName(int device) override { return names.at(device); }
    bool IsVoiceLine(int device) override { return device == 0; }
    void ConfigDialog(int, QWidget*) override {}

private:
    std::vector<std::string> names{"Simulated Line", "USB Voice Modem"};
};

class Shooter {
public:
    explicit Shooter(QString folder) : folder(std::move(folder)) {}

    void Save(QWidget& window, const char* name) {
        window.show();
        if (!window.testAttribute(Qt::WA_Resized)) {
            window.adjustSize();  // a window its code sized keeps that size
        }
        QCoreApplication::processEvents();
        Write(window.grab(), name);
    }

    // Everything shown on the screen, each window where it was placed.
    void SaveScreen(const char* name) {
        QCoreApplication::processEvents();
        Write(QGuiApplication::primaryScreen()->grabWindow(0), name);
    }

    bool failed = false;

private:
    void Write(const QPixmap& picture, const char* name) {
        QString file = folder + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
        if (picture.save(file)) {
            std::printf("%s\n", qPrintable(file));
        } else {
            std::fprintf(stderr, "could not write %s\n", qPrintable(file));
            failed = true;
        }
    }

    QString folder;
};

// A prompt being converted, part way through.
class SampleProgress : public LProgressDialog {
public:
    explicit SampleProgress(Shooter& shooter) : shooter(shooter) {
        title = QStringLiteral("Quillon Recorder");
    }

protected:
    std::uint32_t Work() override {
        SetText(QStringLiteral("Process Audio File"), 0);
        SetText(QStringLiteral("Start Prompt.wav"), 1);
        SetProgress(0.4);
        shooter.Save(*Window(), "progress-dialog");
        return 1;
    }

private:
    Shooter& shooter;
};

constexpr std::int32_t kSampleRate = 8000;

// Twelve seconds of something like speech: syllables of a few voiced harmonics under a rising
// and falling envelope, with pauses between phrases.
std::vector<std::int32_t> SampleSpeech() {
    constexpr std::int32_t kRate = kSampleRate;
    std::vector<std::int32_t> samples(12 * kRate);
    std::uint32_t seed = 7;
    auto next = [&seed] { return (seed = seed * 1664525 + 1013904223) >> 8; };
    for (std::size_t at = kRate / 2; at + kRate / 2 < samples.size();) {
        std::size_t syllable = kRate / 8 + next() % (kRate / 4);
        double pitch = 110 + next() % 90;
        double loudness = 40000 + next() % 200000;
        for (std::size_t i = 0; i < syllable; ++i) {
            double t = static_cast<double>(i) / kRate;
            double envelope = std::sin(M_PI * i / syllable);
            double voice = std::sin(2 * M_PI * pitch * t) + 0.5 * std::sin(4 * M_PI * pitch * t) +
                           0.3 * std::sin(6 * M_PI * pitch * t);
            samples[at + i] = static_cast<std::int32_t>(loudness * envelope * voice / 1.8);
        }
        at += syllable + (next() % 5 == 0 ? kRate * 6 / 10 : kRate / 20);
    }
    return samples;
}

void WriteSampleCall(const std::string& path) {
    LWaveWriter writer(path, kSampleRate, 0, 2, 1);
    std::vector<std::int32_t> samples = SampleSpeech();
    writer.Write(samples.data(), static_cast<std::int32_t>(samples.size()));
}

// The story of the sample call: told it is recorded, a tone, a digit pressed, put on hold near
// the end, a tone again and the far end hanging up.
RecordingInfo SampleCallInfo() {
    RecordingInfo info;
    info.caller = "5550123 JOHN SMITH";
    info.date = "2026-12-05 14:03:22";
    info.line = "USB Voice Modem";
    info.eventRate = kSampleRate;
    const auto at = [](double seconds) { return std::llround(seconds * kSampleRate); };
    info.events = {{at(-3.2), 0, CallEventKind::Announcement, "Start Prompt.wav (3.2 s)"},
                   {at(0), 0, CallEventKind::Tone, ""},
                   {at(1.45), 0, CallEventKind::Digit, "5"},
                   {at(10.3), 0, CallEventKind::HoldStarted, ""},
                   {at(10.3), 0, CallEventKind::OnHoldFile, "On Hold 2.wav"},
                   {at(10.8), 0, CallEventKind::HoldEnded, ""},
                   {at(11.1), 0, CallEventKind::Tone, ""},
                   {at(11.85), 0, CallEventKind::FarEndHungUp, ""}};
    return info;
}

// A short recording of silence in 8-bit samples, to list: `seconds` long.
void WriteListedCall(const std::string& path, int seconds) {
    LWaveWriter writer(path, kSampleRate, 0, 1, 1);
    std::vector<std::int32_t> samples(static_cast<std::size_t>(seconds) * kSampleRate);
    writer.Write(samples.data(), static_cast<std::int32_t>(samples.size()));
}

// Runs the event loop for `ms` milliseconds, long enough for devices to report and readers to
// fill their views.
void RunEventsFor(int ms) {
    QEventLoop wait;
    QTimer::singleShot(ms, &wait, &QEventLoop::quit);
    wait.exec();
}

// The play dialog with its waveform drawn.
class SamplePlayDlg : public LPlayDlg {
public:
    using LPlayDlg::LPlayDlg;

    // Shows it playing from `at` (of 200 along the scroll bar), with a stretch selected.
    void ShowPlaying(Shooter& shooter, const char* name, int at, bool select) {
        show();
        ItemAs<QScrollBar>(kIdScroll)->setSliderPosition(at);
        if (select) {
            view.SetSelectionStart(48000);
            view.SetSelectionEnd(52000);
        }
        RunEventsFor(400);
        reader.AwaitIdle();
        shooter.Save(*this, name);
    }
};

// The record dialog part way through a take over the middle of a file, its waveform following.
class SampleRecordDlg : public LRecordDlg {
public:
    using LRecordDlg::LRecordDlg;

    void ShowRecording(Shooter& shooter, const char* name) {
        show();
        ItemAs<QScrollBar>(kIdScroll)->setSliderPosition(70);
        Command(kIdRecord);
        RunEventsFor(1000);
        reader.AwaitIdle();
        shooter.Save(*this, name);
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quillon-screenshots FOLDER\n");
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    app.setWindowIcon(ProgramIcon());
    QString out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(out)) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    QTemporaryDir data;
    std::string dataFolder = data.path().toStdString() + "/";
    std::string settingsFile = dataFolder + "settings.ini";
    Shooter shooter(out);

    // The desktop at start on the simulated line, before any other window is shown: the main
    // window, the tip and the simulated line side by side, the splash over them. Then the main
    // window idle and recording.
    std::string logs = dataFolder + "Logs/";
    SetActiveLineProviders({kSimulatedLineProvider});
    AppState state;
    state.dataFolder = dataFolder;
    state.settingsFile = settingsFile;
    state.recordingsFolder = dataFolder + "Recordings/";
    state.logsFolder = logs;
    QDir().mkpath(QString::fromStdString(state.recordingsFolder));
    {
        RecorderSession session(state);
        SampleLines windowLines;
        SimulatedLineWindow simulator(SharedSimulatedLine(),
                                      DefaultPromptFile(dataFolder, PromptSlot::OnHold2));
        MainWindow window(state, session, windowLines, false);
        window.ShowBesideAtStart(&simulator);
        window.show();
        simulator.show();
        QCoreApplication::processEvents();
        shooter.SaveScreen("desktop-at-start");
        delete window.Splash();
        delete window.Tip();
        window.TextTimer().stop();
        window.Text().Advance();
        shooter.Save(window, "main-window-idle");
        window.Command(MainWindow::kIdCallRecord);
        window.OnLevelMessage(-9);
        shooter.Save(window, "main-window-recording");
        shooter.Save(simulator, "simulated-line");
        window.close();
    }
    LTapiLine::Shutdown();

    SampleLines lines;
    SettingsSheet sheet(settingsFile, dataFolder, lines);
    sheet.show();
    auto* tabs = sheet.findChild<QTabWidget*>();
    const char* pages[] = {"settings-general", "settings-record", "settings-hold"};
    for (int page = 0; page < 3; ++page) {
        tabs->setCurrentIndex(page);
        shooter.Save(sheet, pages[page]);
    }
    sheet.Hold().Preview().ShowChangeMenu(PromptSlot::OnHold2, &sheet.Hold());
    shooter.Save(*sheet.Hold().Preview().ChangeMenu(), "change-menu");
    sheet.Hold().Preview().ChangeMenu()->hide();
    sheet.hide();

    QDir().mkpath(QString::fromStdString(logs));
    for (const char* day : {"Log 2026-12-03.txt", "Log 2026-12-04.txt", "Log 2026-12-05.txt"}) {
        QFile file(QString::fromStdString(logs + day));
        file.open(QIODevice::WriteOnly);
    }
    CallLogViewer viewer(logs);
    viewer.Initialize();
    viewer.ItemAs<QListWidget>(CallLogViewer::kIdList)->setCurrentRow(2);
    viewer.Update();
    shooter.Save(viewer, "call-log-viewer");

    // Find and Play over a month of calls, most with the caller, date and now and then a note
    // kept in the file, and the send dialog filled in.
    const char* callers[] = {"", "5550123 JOHN SMITH", "5554411", "5559876 DR A PATEL",
                             "5552020 CITY GARAGE"};
    const char* notes[] = {"Claim 4471: repair agreed",
                           "",
                           "Call back on Monday",
                           "",
                           "Wrong number",
                           "",
                           "",
                           "Quote for the brakes: 240",
                           "",
                           ""};
    for (int call = 0; call < 36; ++call) {
        char date[32];
        std::snprintf(date, sizeof date, "2026-11-%02d %02d-%02d-%02d", 1 + call * 5 / 6,
                      9 + call * 7 % 9, call * 13 % 60, call * 29 % 60);
        const std::string caller = callers[call % 5];
        const std::string path =
            state.recordingsFolder + date + (caller.empty() ? "" : " " + caller) + ".wav";
        WriteListedCall(path, 4 + call * 37 % 170);
        if (call % 5 != 0) {  // the others come from before calls kept their story
            RecordingInfo info;
            info.caller = caller;
            info.date = date;
            info.date[13] = info.date[16] = ':';  // the time as a clock shows it
            info.note = notes[call % 10];
            WriteRecordingInfo(path, info);
        }
    }
    FindPlayDialog finder(state.recordingsFolder, settingsFile);
    finder.Initialize();
    finder.FillColumns(INT_MAX);
    auto* found = finder.ItemAs<QTreeWidget>(FindPlayDialog::kIdList);
    found->setCurrentItem(found->topLevelItem(27));
    found->topLevelItem(25)->setSelected(true);
    finder.Update();
    shooter.Save(finder, "find-and-play");
    SendMailDialog send(QStringLiteral("claims@insurer.example"));
    send.Initialize();
    send.findChild<QPlainTextEdit*>()->setPlainText(
        QStringLiteral("Here are the two calls about the claim, as we discussed."));
    shooter.Save(send, "send-recording");

    int voice = std::max(FindSpeechEngine("en-us"), 0);
    TTSInputDialog speech(voice, dataFolder + "Synthesized.wav");
    speech.text = QStringLiteral(
        "Thank you for calling. This call is being recorded so that we can serve you better.");
    speech.Initialize();
    shooter.Save(speech, "speech-dialog");

    AboutDialog about;
    shooter.Save(about, "about");

    QWidget owner;
    auto* splash = new LSplashScreen(&owner);
    shooter.Save(*splash, "splash");
    splash->close();

    CallerIdFlash flash;
    flash.Show(QStringLiteral("Incoming call\r\n555 0123 JOHN SMITH"));
    shooter.Save(*flash.Popup(), "caller-id-popup");

    SampleProgress progress(shooter);
    progress.Run(&owner);

    {
        WaveDeviceRegistration speaker(std::make_shared<VirtualWaveDevice>("Speaker"));
        LPlayParams play;
        play.Load(settingsFile);
        play.device = static_cast<std::uint8_t>(speaker.OutputId());
        play.path = dataFolder + "2026-12-05 14-03-22 5550123.wav";
        play.name = QStringLiteral("2026-12-05 14-03-22 5550123");
        WriteSampleCall(play.path);
        {
            SamplePlayDlg dialog(play);
            dialog.ShowPlaying(shooter, "play-dialog", 90, true);
        }
        // The same call with its story: the start and the end of it.
        WriteRecordingInfo(play.path, SampleCallInfo());
        for (auto [at, name] :
             {std::pair{5, "play-dialog-markers"}, {180, "play-dialog-markers-end"}}) {
            SamplePlayDlg dialog(play);
            dialog.ShowPlaying(shooter, name, at, false);
        }
    }

    {
        // A microphone that hears someone speaking.
        auto microphone = std::make_shared<VirtualWaveDevice>("Microphone");
        microphone->SetInputGenerator([speech = SampleSpeech(), at = std::size_t{0}](
                                          std::int16_t* samples, std::int32_t frames,
                                          const WavePcmFormat&, std::int64_t) mutable {
            for (std::int32_t i = 0; i < frames; ++i, at = (at + 1) % speech.size()) {
                samples[i] = static_cast<std::int16_t>(speech[at] / 16);
            }
        });
        WaveDeviceRegistration registration(microphone);
        LRecordParams record;
        record.Load(settingsFile);
        record.flags = LPlayParams::kNameDisabled | LRecordParams::kAutoTrim;
        record.name = QStringLiteral("Prompt");
        record.path = dataFolder + "Record.wav";
        record.sampleRate = kSampleRate;
        record.channels = 1;
        record.device = static_cast<std::uint8_t>(registration.OutputId());
        record.recordDevice = static_cast<std::int8_t>(registration.InputId());
        WriteSampleCall(record.path);
        SampleRecordDlg dialog(record);
        dialog.ShowRecording(shooter, "record-dialog");
        LRecordAdvancedDlg advanced(record);
        shooter.Save(advanced, "record-advanced");
    }

    TipDialog tip(settingsFile, 0);
    shooter.Save(tip, "tip");

    HelpWindow::Show(HelpPageFile(kHelpContents), nullptr);
    shooter.Save(*HelpWindow::Current(), "help-window");
    return shooter.failed ? 1 : 0;
}
