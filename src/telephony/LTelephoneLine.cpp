// Handler management and event delivery of the telephone line.
#include "telephony/LTelephoneLine.h"

LTelephoneLine::~LTelephoneLine() {
    ownedHandler.reset();
    currentHandler = nullptr;
    standingHandler.reset();
    pendingHandler.reset();
    discarded.clear();
}

void LTelephoneLine::SetStandingHandler(std::unique_ptr<LTapiCallHandler> handler) {
    if (standingHandler && standingHandler.get() == currentHandler) {
        // Still handling a call: it lives on as an ordinary current handler.
        ownedHandler = std::move(standingHandler);
    } else {
        Discard(std::move(standingHandler));
    }
    standingHandler = std::move(handler);
    if (standingHandler) {
        standingHandler->line = this;
    }
}

void LTelephoneLine::SetHandler(std::unique_ptr<LTapiCallHandler> handler) {
    if (dispatchDepth != 0) {
        pendingHandler = std::move(handler);
        return;
    }
    StopAudio();
    ClearCurrent();
    if (!handler) {
        Drop();
        return;
    }
    ownedHandler = std::move(handler);
    currentHandler = ownedHandler.get();
    currentHandler->line = this;
    Fire([](LTapiCallHandler& current) { current.Start(); });
}

void LTelephoneLine::EnterDelivery() {
    if (dispatchDepth != 255) {
        ++dispatchDepth;
    }
}

void LTelephoneLine::EndDelivery() {
    for (;;) {
        if (dispatchDepth != 0) {
            --dispatchDepth;
        }
        if (dispatchDepth != 0) {
            return;
        }
        if (!pendingHandler) {
            discarded.clear();
            return;
        }
        ClearCurrent();
        StopAudio();
        ownedHandler = std::move(pendingHandler);
        currentHandler = ownedHandler.get();
        currentHandler->line = this;
        EnterDelivery();
        currentHandler->Start();
    }
}

void LTelephoneLine::Discard(std::unique_ptr<LTapiCallHandler> handler) {
    if (handler && dispatchDepth != 0) {
        discarded.push_back(std::move(handler));
    }
}

void LTelephoneLine::ClearCurrent() {
    Discard(std::move(ownedHandler));
    currentHandler = nullptr;
}

void LTelephoneLine::Connected() {
    if (currentHandler != standingHandler.get()) {
        CallEnded();
    }
    currentHandler = standingHandler.get();
    Fire([](LTapiCallHandler& current) { current.Start(); });
}

void LTelephoneLine::CallEnded() {
    if (currentHandler != nullptr) {
        EnterDelivery();
        currentHandler->OnCallEnded();
        pendingHandler.reset();
        EndDelivery();
    }
    ClearCurrent();
}
