// Runs a scenario against a running session on a simulated line.
#include "simulation/ScenarioRunner.h"

#include <dirent.h>
#include <sys/stat.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <algorithm>
#include <climits>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>

#include "audio/dsp/TelephoneFormat.h"
#include "audio/files/WaveReaders.h"
#include "base/AsciiText.h"
#include "base/IniFile.h"
#include "base/TempFiles.h"
#include "recorder/PromptFiles.h"
#include "settings/SettingsKeys.h"
#include "settings/TimeText.h"
#include "telephony/LineTones.h"

namespace {

constexpr std::int64_t kNsPerSecond = 1'000'000'000;
// After "quit", the line is given this long (line time) to report the call idle.
constexpr std::int64_t kEndWaitNs = 10 * kNsPerSecond;
// While the run waits for the call to end, it looks this often (line time).
constexpr std::int64_t kEndLookNs = kNsPerSecond / 10;
// What was sent down the line is scanned at least this often (line time), so that little of it
// is held.
constexpr std::int64_t kScanEveryNs = kNsPerSecond;
// A stepped run moves line time on this much at a time.
constexpr std::int64_t kStepNs = kNsPerSecond / 100;
// Recording lengths are checked to within this many seconds.
constexpr double kLengthTolerance = 0.2;

double RecordingSeconds(const std::string& path) {
    LSoundSourcePtr source = OpenWaveFile(path);
    if (!source || source->IsInvalid() || source->sampleRate <= 0) {
        return -1;
    }
    return static_cast<double>(source->GetLength()) / source->sampleRate;
}

}  // namespace

class ScenarioRunner::Alarm : public ClockedDevice {
public:
    explicit Alarm(std::function<void()> ring) : ring(std::move(ring)) {}
    // Rings once the clock reaches `time`, instead of any time set before.
    void Set(DeviceClock& clock, std::int64_t time) {
        {
            std::lock_guard lock(mutex);
            due = time;
        }
        clock.Wake();
    }
    std::int64_t Tick(std::int64_t now) override {
        std::lock_guard lock(mutex);
        if (due <= now) {
            due = INT64_MAX;
            ring();
        }
        return due;
    }

private:
    std::mutex mutex;
    std::int64_t due = INT64_MAX;
    std::function<void()> ring;  // called on the clock's thread
};

ScenarioRunner::ScenarioRunner(AppState& state, RecorderSession& recorderSession,
                               std::shared_ptr<SimulatedLine> simulatedLine,
                               std::function<void(CallCommand)> userActions,
                               const WindowNotifications* windowNotifications, std::ostream& output)
    : app(state),
      session(recorderSession),
      line(std::move(simulatedLine)),
      user(std::move(userActions)),
      notifications(windowNotifications),
      out(output),
      inbox(std::make_unique<QObject>()) {
    for (PromptSlot slot : kPromptSlots) {
        prompts.push_back(LoadPromptSound(PromptName(slot), PromptFile(app.dataFolder, slot)));
    }
    alarm = std::make_shared<Alarm>([this] { PostPoll(); });
    line->Clock().Attach(alarm);
}

ScenarioRunner::~ScenarioRunner() {
    line->Clock().Detach(alarm.get());
}

void ScenarioRunner::PostPoll() {
    QMetaObject::invokeMethod(
        inbox.get(), [this] { Poll(); }, Qt::QueuedConnection);
}

double ScenarioRunner::Elapsed() const {
    return static_cast<double>(line->Clock().Now() - startNs) / kNsPerSecond;
}

std::string ScenarioRunner::AudioFile(const ScenarioStep& step) const {
    const std::string& name = step.args[0];
    return name.empty() || name[0] == '/' ? name : baseFolder + "/" + name;
}

bool ScenarioRunner::PrepareSpeech() {
    speechFiles.assign(steps.size(), "");
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const ScenarioStep& step = steps[i];
        if (step.action != ScenarioAction::SayText && step.action != ScenarioAction::NearSayText) {
            continue;
        }
        if (speechFolder.empty()) {
            speechFolder = CreateUniqueFolder(TemporaryFolder(), "speech");
            if (speechFolder.empty()) {
                out << "line " << step.lineNumber << ": no temporary folder for speech\n";
                return false;
            }
        }
        std::string file = speechFolder + "/" + std::to_string(i) + ".wav";
        int result =
            QProcess::execute("espeak-ng", {"-v", "en-us", "-w", QString::fromStdString(file),
                                            QString::fromStdString(step.args[0])});
        if (result != 0) {
            out << "line " << step.lineNumber << ": espeak-ng could not speak the text\n";
            return false;
        }
        speechFiles[i] = file;
    }
    return true;
}

bool ScenarioRunner::Run(const std::vector<ScenarioStep>& scenario) {
    steps = scenario;
    next = 0;
    failures = 0;
    checks = 0;
    checksFailed = 0;
    if (!PrepareSpeech()) {
        return false;
    }
    startNs = line->Clock().Now();
    phase = Phase::Running;
    line->SetStateObserver([this] { PostPoll(); });
    Poll();
    if (steppedClock) {
        while (phase != Phase::Done) {
            // What the steps set off, then what the line and the program did meanwhile.
            QCoreApplication::processEvents();
            steppedClock->Advance(kStepNs);
            QCoreApplication::processEvents();
            Poll();
        }
    } else {
        QEventLoop loop;
        eventLoop = &loop;
        if (phase != Phase::Done) {
            loop.exec();
        }
        eventLoop = nullptr;
    }
    line->SetStateObserver(nullptr);
    alarm->Set(line->Clock(), INT64_MAX);
    if (!speechFolder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(speechFolder, ignored);
        speechFolder.clear();
    }
    return failures == 0;
}

void ScenarioRunner::Poll() {
    if (phase == Phase::Done) {
        return;
    }
    CollectCapture();
    std::int64_t now = line->Clock().Now();
    std::int64_t wake = now + kScanEveryNs;
    if (phase == Phase::Running) {
        while (phase == Phase::Running && next < steps.size() &&
               now - startNs >= static_cast<std::int64_t>(steps[next].time * kNsPerSecond)) {
            Perform(steps[next++]);
        }
        if (phase == Phase::Running && next == steps.size()) {
            BeginFinish();
        } else if (phase == Phase::Running) {
            wake = std::min(wake,
                            startNs + static_cast<std::int64_t>(steps[next].time * kNsPerSecond));
        }
    }
    if (phase == Phase::Ending) {
        bool ended = session.Line().GetCall() == 0 && !line->IsOffHook();
        if (ended || now >= finishDeadlineNs) {
            Finish();
        }
        wake = std::min(now + kEndLookNs, finishDeadlineNs);
    }
    if (phase == Phase::Done) {
        if (eventLoop) {
            eventLoop->quit();
        }
        return;
    }
    alarm->Set(line->Clock(), wake);
}

void ScenarioRunner::Perform(const ScenarioStep& step) {
    bool done = true;
    std::optional<std::string> audio;  // the file a step plays
    const std::string& speech = speechFiles[static_cast<std::size_t>(&step - steps.data())];
    switch (step.action) {
        case ScenarioAction::Ring:
            done = line->Ring(step.callerId);
            break;
        case ScenarioAction::AnswerFar:
            done = line->FarPartyAnswers();
            break;
        case ScenarioAction::HangupFar:
            done = line->FarPartyHangsUp();
            break;
        case ScenarioAction::Busy:
            done = line->FarPartyBusy();
            break;
        case ScenarioAction::Fax:
            done = line->SendFaxTone();
            break;
        case ScenarioAction::Digits:
            done = line->SendDigits(step.args[0]);
            break;
        case ScenarioAction::Say:
            audio = AudioFile(step);
            done = line->SetFarPartyAudioFile(*audio);
            break;
        case ScenarioAction::NearSay:
            audio = AudioFile(step);
            done = line->SetNearPartyAudioFile(*audio);
            break;
        case ScenarioAction::SayText:
            audio = speech;
            done = line->SetFarPartyAudioFile(speech);
            break;
        case ScenarioAction::NearSayText:
            audio = speech;
            done = line->SetNearPartyAudioFile(speech);
            break;
        case ScenarioAction::SilenceFar:
            line->SetFarPartyAudio(LSoundSourcePtr());
            break;
        case ScenarioAction::User:
            user(step.command);
            break;
        case ScenarioAction::Set:
            done =
                WriteProfileString(app.settingsFile, kSettingsSection, step.args[0], step.args[1]);
            break;
        case ScenarioAction::Modem:
            if (!modemPeer) {
                ++failures;
                out << "line " << step.lineNumber << ": modem cannot be done without a modem\n";
                return;
            }
            done = ActOnModem(step.fault);
            break;
        case ScenarioAction::Expect:
            Expect(step);
            return;
        case ScenarioAction::Quit:
            BeginFinish();
            return;
    }
    if (!done) {
        ++failures;
        out << "line " << step.lineNumber << ": " << ScenarioActionWord(step.action);
        if (audio) {
            out << ": " << *audio << " is not a WAV file that can be read\n";
        } else {
            out << " cannot be done now (the call is " << SimulatedCallStateName(line->State())
                << ")\n";
        }
    }
}

bool ScenarioRunner::ActOnModem(ModemFault fault) {
    // Bytes no modem sends: a broken result, an unknown DLE code, a NUL, a line too long to be
    // one and blank lines.
    static const std::string kGarbage =
        std::string("\r\nOKAY?\r\n\x10Z\0\xff", 13) + std::string(300, 'x') + "\r\n\r\n";
    switch (fault) {
        case ModemFault::Stall:
            modemPeer->Stall(true);
            return true;
        case ModemFault::Resume:
            modemPeer->Stall(false);
            return true;
        case ModemFault::Garbage:
            modemPeer->SendRaw(ModemBytes(kGarbage.begin(), kGarbage.end()));
            return true;
        case ModemFault::Vanish:
            modemPeer->Vanish();
            return true;
        case ModemFault::Return:
            return modemPeer->Return();
    }
    return false;
}

void ScenarioRunner::Expect(const ScenarioStep& step) {
    ++checks;
    std::string got;
    if (Check(step, got)) {
        return;
    }
    ++failures;
    ++checksFailed;
    out << "line " << step.lineNumber << ": expect";
    for (const std::string& arg : step.args) {
        out << " " << arg;
    }
    // Flushed: whoever watches the run sees each failure as it happens.
    out << " failed at" << FormatTime1(static_cast<std::int32_t>(Elapsed() * 10000)) << ": " << got
        << "\n"
        << std::flush;
}

bool ScenarioRunner::Check(const ScenarioStep& step, std::string& got) {
    switch (step.expectation) {
        case Expectation::Recordings:
            got = std::to_string(Recordings().size()) + " recordings";
            return Recordings().size() == std::stoul(step.args[1]);
        case Expectation::Log: {
            std::vector<std::string> entries = LogEntries();
            got = "no such caller log line";
            return std::any_of(entries.begin(), entries.end(), [&](const std::string& entry) {
                return entry.find(step.args[1]) != std::string::npos;
            });
        }
        case Expectation::Heard:
            ScanHeard();
            got = "not heard";
            return std::any_of(heard.begin(), heard.end(),
                               [&](const HeardSound& h) { return h.what == step.args[1]; });
        case Expectation::Beeps: {
            ScanHeard();
            auto beeps = std::count_if(heard.begin(), heard.end(),
                                       [](const HeardSound& h) { return h.what == kBeepSound; });
            got = std::to_string(beeps) + " beeps";
            return beeps == std::stol(step.args[1]);
        }
        case Expectation::Mode:
            got = std::string("mode ") + CallModeWord(app.callMode);
            return app.callMode == step.mode;
        case Expectation::Call:
            got = std::string("call ") + SimulatedCallStateName(line->State());
            return line->State() == step.callState;
        case Expectation::Popups:
            if (!notifications) {
                got = "popups are not counted here";
                return false;
            }
            got = std::to_string(notifications->popups.size()) + " popups";
            return notifications->popups.size() == std::stoul(step.args[1]);
        case Expectation::Length:
            return CheckLength(step, got);
    }
    return false;
}

bool ScenarioRunner::CheckLength(const ScenarioStep& step, std::string& got) const {
    std::vector<std::string> recordings = Recordings();
    std::size_t index = std::stoul(step.args[1]);
    if (index == 0 || index > recordings.size()) {
        got = "there is no recording " + step.args[1];
        return false;
    }
    double seconds = RecordingSeconds(recordings[index - 1]);
    got = std::to_string(seconds) + " s";
    return std::fabs(seconds - std::stod(step.args[2])) <= kLengthTolerance;
}

void ScenarioRunner::CollectCapture() {
    // Once the line is on hook, nothing more comes to the stretch that ended.
    bool offHook = line->IsOffHook();
    std::int64_t from = 0;
    std::vector<std::int16_t> audio = line->TakeSettledCapture(from);
    if (scanner && from != scanTo) {
        EndCaptureScan();  // a new stretch began since the last look
    }
    if (!audio.empty()) {
        if (!scanner) {
            scanner.emplace(prompts);
            scanFrom = from;
        }
        scanner->Add(audio.data(), audio.size());
        scanTo = from + static_cast<std::int64_t>(audio.size());
    }
    if (!offHook && scanner) {
        EndCaptureScan();
    }
}

void ScenarioRunner::EndCaptureScan() {
    scanner->Finish();
    AddHeard(heardBefore);
    scanner.reset();
}

void ScenarioRunner::ScanHeard() {
    CollectCapture();
    heard = heardBefore;
    if (scanner) {
        AddHeard(heard);
    }
}

void ScenarioRunner::AddHeard(std::vector<HeardSound>& into) const {
    std::int64_t offset = scanFrom - LineFrameAt(startNs);
    for (HeardSound sound : scanner->Heard()) {
        sound.frame += offset;
        into.push_back(sound);
    }
}

void ScenarioRunner::BeginFinish() {
    app.callMode = CallMode::Idle;
    session.Line().Drop();
    phase = Phase::Ending;
    finishDeadlineNs = line->Clock().Now() + kEndWaitNs;
}

void ScenarioRunner::Finish() {
    ScanHeard();
    // The worker levels what it has taken to its end; whatever it has not taken is levelled
    // now, before the summary.
    session.Queue().AwaitThreadEnd();
    LStopEvent never;
    session.Queue().ProcessQueued(never);
    session.TellQueueReports();
    PrintSummary();
    phase = Phase::Done;
}

std::vector<std::string> ScenarioRunner::Recordings() const {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(app.recordingsFolder, error)) {
        if (entry.is_regular_file() && EndsWithNoCase(entry.path().filename().string(), ".wav")) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> ScenarioRunner::LogEntries() const {
    std::vector<std::string> entries;
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(app.logsFolder, error)) {
        files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    for (const std::string& file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string lineText;
        while (std::getline(in, lineText)) {
            if (!lineText.empty() && lineText.back() == '\r') {
                lineText.pop_back();
            }
            // Entries start with their time; the three header lines do not.
            if (lineText.size() > 9 && lineText[2] == ':' && lineText[5] == ':') {
                entries.push_back(lineText);
            }
        }
    }
    return entries;
}

void ScenarioRunner::PrintSummary() {
    std::vector<std::string> recordings = Recordings();
    out << "Recordings (" << recordings.size() << ") in " << app.recordingsFolder << ":\n";
    for (const std::string& path : recordings) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f s", RecordingSeconds(path));
        out << "  " << std::filesystem::path(path).filename().string() << "  " << seconds << "\n";
    }
    out << "Caller log:\n";
    for (const std::string& entry : LogEntries()) {
        out << "  " << entry << "\n";
    }
    out << "Heard on the line:\n";
    for (const HeardSound& sound : heard) {
        out << " " << FormatTime1(static_cast<std::int32_t>(sound.frame * 10000 / kLineRate))
            << "  " << sound.what << "\n";
    }
    if (notifications) {
        out << "Notifications: " << notifications->levels << " level, "
            << notifications->popups.size() << " caller ID, " << notifications->callsEnded
            << " call ended\n";
        for (const std::string& problem : notifications->problems) {
            out << "  " << problem << "\n";
        }
    }
    out << "Expectations: " << checks - checksFailed << " held, " << checksFailed << " failed\n";
    if (failures > checksFailed) {
        out << "Steps that could not be done: " << failures - checksFailed << "\n";
    }
}
