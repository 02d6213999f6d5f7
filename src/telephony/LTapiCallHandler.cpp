// Default behaviour of the call handler: answer offered calls, ignore progress and levels, and
// end the call when an operation finishes or the far end goes.
#include "telephony/LTapiCallHandler.h"

#include "telephony/LTelephoneLine.h"

bool LTapiCallHandler::OfferCall(std::uint32_t) {
    return true;
}

void LTapiCallHandler::OnDigit(char) {}

void LTapiCallHandler::OnGenerateDone() {
    if (line != nullptr) {
        line->Drop();
    }
}

void LTapiCallHandler::OnPlayDone() {
    if (line != nullptr) {
        line->Drop();
    }
}

void LTapiCallHandler::OnListenDone() {
    if (line != nullptr) {
        line->Drop();
    }
}

void LTapiCallHandler::OnRecordDone() {
    if (line != nullptr) {
        line->Drop();
    }
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
    if (line != nullptr) {
        line->Drop();
    }
}

void LTapiCallHandler::OnCallEnded() {}
