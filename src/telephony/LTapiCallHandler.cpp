// Default behaviour of the call handler: answer offered calls, ignore progress and levels, and
// end the call when an operation finishes or the far end goes.
#include "telephony/LTapiCallHandler.h"

#include "telephony/LTelephoneLine.h"

bool LTapiCallHandler::OfferCall(std::uint32_t) {
    return true;
}

void LTapiCallHandler::OnDigit(char) {}

void LTapiCallHandler::OnGenerateDone() {
    DropCall();
}

void LTapiCallHandler::OnPlayDone() {
    DropCall();
}

void LTapiCallHandler::OnListenDone() {
    DropCall();
}

void LTapiCallHandler::OnRecordDone() {
    DropCall();
}

void LTapiCallHandler::OnRecordProgress(std::int32_t) {}

void LTapiCallHandler::OnRecordLevel(std::int8_t) {}

void LTapiCallHandler::OnPlayProgress(std::int32_t) {}

void LTapiCallHandler::OnPlayLevel(std::int8_t) {}

void LTapiCallHandler::OnFaxTone() {
    if (line != nullptr) {
        line->HandOff();
    }
}

void LTapiCallHandler::OnRemoteHangUp() {
    DropCall();
}

void LTapiCallHandler::OnCallEnded() {}

void LTapiCallHandler::OnLineService(bool) {}

void LTapiCallHandler::DropCall() {
    if (line != nullptr) {
        line->Drop();
    }
}
