// Carries what line providers report to the application's thread.
#include "telephony/LineMessagePort.h"

#include <QCoreApplication>
#include <QEvent>

namespace {

class MessageEvent : public QEvent {
public:
    static QEvent::Type EventType() {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }
    explicit MessageEvent(const LineMessage& message) : QEvent(EventType()), message(message) {}
    LineMessage message;
};

}  // namespace

class LineMessagePort::Receiver : public QObject {
public:
    explicit Receiver(std::function<void(const LineMessage&)> deliver)
        : deliver(std::move(deliver)) {}

protected:
    void customEvent(QEvent* event) override {
        if (event->type() == MessageEvent::EventType()) {
            deliver(static_cast<MessageEvent*>(event)->message);
        }
    }

private:
    std::function<void(const LineMessage&)> deliver;
};

void LineMessageSink::Post(const LineMessage& message) {
    std::lock_guard lock(mutex);
    if (receiver != nullptr) {
        QCoreApplication::postEvent(receiver, new MessageEvent(message));
    }
}

void LineMessageSink::Close() {
    std::lock_guard lock(mutex);
    receiver = nullptr;
}

void LineMessageSink::CallState(ProviderCallId call, std::uint32_t state, std::uint32_t detail) {
    Post({LineMessage::Kind::CallState, line, call, state, detail, 0});
}

void LineMessageSink::LineDevState(std::uint32_t state, std::uint32_t param2,
                                   std::uint32_t param3) {
    Post({LineMessage::Kind::LineDevState, line, 0, state, param2, param3});
}

void LineMessageSink::DigitDetected(ProviderCallId call, char digit, std::uint32_t digitMode) {
    Post({LineMessage::Kind::Digit, line, call, static_cast<unsigned char>(digit), digitMode, 0});
}

void LineMessageSink::MediaDetected(ProviderCallId call, std::uint32_t mediaMode) {
    Post({LineMessage::Kind::Media, line, call, mediaMode, 0, 0});
}

void LineMessageSink::GenerateEnded(ProviderCallId call, std::uint32_t termination) {
    Post({LineMessage::Kind::Generate, line, call, termination, 0, 0});
}

void LineMessageSink::RequestCompleted(std::uint32_t requestId, std::int32_t result) {
    Post({LineMessage::Kind::Reply, line, 0, requestId, static_cast<std::uint32_t>(result), 0});
}

LineMessagePort::LineMessagePort(std::function<void(const LineMessage&)> deliver)
    : receiver(std::make_unique<Receiver>(std::move(deliver))) {}

LineMessagePort::~LineMessagePort() {
    for (const auto& weak : sinks) {
        if (auto sink = weak.lock()) {
            sink->Close();
        }
    }
}

std::shared_ptr<LineMessageSink> LineMessagePort::OpenSink(std::uint32_t line) {
    std::erase_if(sinks, [](const std::weak_ptr<LineMessageSink>& weak) { return weak.expired(); });
    auto sink = std::make_shared<LineMessageSink>(receiver.get(), line);
    sinks.push_back(sink);
    return sink;
}
