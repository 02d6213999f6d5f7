// The commands sent to a modem, one at a time.
#include "telephony/providers/modem/ModemCommands.h"

namespace {

bool IsFinal(ModemResult result) {
    return result != ModemResult::Ring;
}

}  // namespace

void ModemCommands::Queue(std::string text, Done done, bool startsStream, std::int64_t timeout) {
    queue.push_back(Command{std::move(text), std::nullopt, std::move(done), startsStream, timeout});
}

void ModemCommands::QueueRaw(ModemBytes bytes, Done done, bool endsStream, std::int64_t timeout) {
    queue.push_back(Command{{}, std::move(bytes), std::move(done), false, timeout, endsStream});
}

std::optional<ModemBytes> ModemCommands::Next(std::int64_t now, ModemStream& stream) {
    if (outstanding || queue.empty()) {
        return std::nullopt;
    }
    outstanding = std::move(queue.front());
    queue.pop_front();
    deadline = now + outstanding->timeout;
    lines.clear();
    if (outstanding->startsStream) {
        stream.SetMode(ModemStream::Mode::AwaitingConnect);
    }
    if (outstanding->raw) {
        if (outstanding->endsStream) {
            stream.SetMode(ModemStream::Mode::Command);
        }
        return outstanding->raw;
    }
    std::string line = "AT" + outstanding->text + "\r";
    return ModemBytes(line.begin(), line.end());
}

bool ModemCommands::Take(const ModemEvent& event) {
    if (!outstanding) {
        return false;
    }
    if (const auto* text = std::get_if<ModemLine>(&event)) {
        lines.push_back(text->text);
        return true;
    }
    if (const auto* result = std::get_if<ModemResult>(&event); result && IsFinal(*result)) {
        Finish(*result);
        return true;
    }
    return false;
}

bool ModemCommands::Expire(std::int64_t now) {
    if (!outstanding || now < deadline) {
        return false;
    }
    Finish(std::nullopt);
    return true;
}

std::int64_t ModemCommands::Deadline() const {
    return outstanding ? deadline : INT64_MAX;
}

void ModemCommands::Clear() {
    queue.clear();
    outstanding.reset();
    deadline = INT64_MAX;
    lines.clear();
}

void ModemCommands::Finish(std::optional<ModemResult> result) {
    Command done = std::move(*outstanding);
    outstanding.reset();
    deadline = INT64_MAX;
    CommandReply reply{result, std::move(lines)};
    lines.clear();
    if (done.done) {
        done.done(reply);
    }
}
