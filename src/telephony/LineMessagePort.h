// Carries what line providers report, from whatever thread they report on, to the application's
// thread, where its event loop hands each message over.
#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "telephony/LineProvider.h"

// A provider's report about an open line, addressed by the layer's line handle.
struct LineMessage {
    enum class Kind { CallState, LineDevState, Digit, Media, Generate, Reply };
    Kind kind;
    std::uint32_t line;
    ProviderCallId call;  // 0 for line and reply messages
    std::uint32_t param1;
    std::uint32_t param2;
    std::uint32_t param3;
};

// The report sink of one open line. Reports are posted until Close.
class LineMessageSink : public LineEventSink {
public:
    LineMessageSink(QObject* receiver, std::uint32_t line) : receiver(receiver), line(line) {}

    void CallState(ProviderCallId call, std::uint32_t state, std::uint32_t detail) override;
    void LineDevState(std::uint32_t state, std::uint32_t param2, std::uint32_t param3) override;
    void DigitDetected(ProviderCallId call, char digit, std::uint32_t digitMode) override;
    void MediaDetected(ProviderCallId call, std::uint32_t mediaMode) override;
    void GenerateEnded(ProviderCallId call, std::uint32_t termination) override;
    void RequestCompleted(std::uint32_t requestId, std::int32_t result) override;

    // Stops posting; returns once no report is being posted.
    void Close();

private:
    void Post(const LineMessage& message);

    std::mutex mutex;
    QObject* receiver;
    const std::uint32_t line;
};

class LineMessagePort {
public:
    // `deliver` receives each message on the thread that creates the port.
    explicit LineMessagePort(std::function<void(const LineMessage&)> deliver);
    // Closes every sink; messages still on their way are dropped.
    ~LineMessagePort();
    LineMessagePort(const LineMessagePort&) = delete;
    LineMessagePort& operator=(const LineMessagePort&) = delete;

    std::shared_ptr<LineMessageSink> OpenSink(std::uint32_t line);

private:
    class Receiver;
    std::unique_ptr<Receiver> receiver;
    std::vector<std::weak_ptr<LineMessageSink>> sinks;
};
