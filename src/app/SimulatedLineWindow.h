// The "Simulated Line" window of `quillon --simulate`: plays the telephone network and the far
// party for the simulated line, so the program can be tried without a voice modem.
#pragma once

#include <QTimer>
#include <QWidget>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class SimulatedLine;

class SimulatedLineWindow : public QWidget {
    Q_OBJECT

public:
    // `sampleFile` is the built-in spoken sample offered as the far party's voice.
    SimulatedLineWindow(std::shared_ptr<SimulatedLine> line, std::string sampleFile,
                        QWidget* parent = nullptr);

    // The controls, for tests and scenarios to press.
    void Ring();
    void FarPartyAnswers();
    void FarPartyHangsUp();
    void Busy();
    void SendDigits();
    void FaxTone();

    QComboBox* CallerKind() const { return callerKind; }
    QLineEdit* Number() const { return number; }
    QLineEdit* Name() const { return name; }
    QLineEdit* Digits() const { return digits; }
    QLineEdit* FarAudio() const { return farAudio; }
    QCheckBox* FarSample() const { return farSample; }
    QLineEdit* NearAudio() const { return nearAudio; }
    // What the window last reported: the call's state, or why a control did nothing.
    QString Status() const;

private:
    void ApplyFarAudio();
    void ApplyNearAudio();
    void Report(bool done, const char* what);
    void ShowState();

    std::shared_ptr<SimulatedLine> line;
    std::string sampleFile;
    QComboBox* callerKind;
    QLineEdit* number;
    QLineEdit* name;
    QLineEdit* digits;
    QLineEdit* farAudio;
    QCheckBox* farSample;
    QLineEdit* nearAudio;
    QLabel* state;
    QLabel* note;
    QTimer refresh;
};
