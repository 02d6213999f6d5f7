// The time from a DTMF event on the voice modem's port to the call handler's OnDigit: a modem
// peer on a pseudo terminal answers a call, then writes DLE digit codes straight to the port
// while the program's line layer runs its event loop. Usage: bench_modem_digit_delay [PRESSES]
// (default 200).
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <vector>

#include "base/TempFiles.h"
#include "simulation/ModemPeer.h"
#include "telephony/LTapiCallHandler.h"
#include "telephony/LTapiLine.h"
#include "telephony/LineProviders.h"
#include "telephony/providers/modem/ModemLineProvider.h"

namespace {

using Clock = std::chrono::steady_clock;

// Answers the first ring and notes when each digit arrives.
class DigitTimer : public LTapiCallHandler {
public:
    bool OfferCall(std::uint32_t) override { return true; }
    void Start() override { connected = true; }
    void OnDigit(char) override {
        arrived = Clock::now();
        ++digits;
    }
    bool connected = false;
    int digits = 0;
    Clock::time_point arrived;
};

// Runs the event loop until `done` holds or `seconds` pass; returns done().
template <class Done>
bool RunUntil(Done done, double seconds) {
    const Clock::time_point end = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                     std::chrono::duration<double>(seconds));
    while (!done() && Clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return done();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int presses = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const std::string folder = CreateUniqueFolder(TemporaryFolder(), "bench");
    {
        std::shared_ptr<SimulatedLine> line = SimulatedLine::Create();
        std::shared_ptr<ModemPeer> peer =
            ModemPeer::Create(line, folder, ModemPeerOptions::Of(ModemDialect::Conexant));
        ModemLineOptions options;
        options.ports = {peer->PortPath()};
        options.lockFolder = folder;
        LineProviderRegistration provider(
            "Bench", [&options] { return std::make_unique<ModemLineProvider>(options); });
        SetActiveLineProviders({"Bench"});
        LTapiLine tapi;
        auto handler = std::make_unique<DigitTimer>();
        DigitTimer* timer = handler.get();
        tapi.SetStandingHandler(std::move(handler));
        if (!LTapiLine::Initialize() || !tapi.Open(0, 0)) {
            std::fprintf(stderr, "the modem line did not open\n");
            return 1;
        }
        line->Ring({SimulatedCallerId::Kind::Number, "5551234", "BENCH"});
        if (!RunUntil([timer] { return timer->connected; }, 10)) {
            std::fprintf(stderr, "the call was not answered\n");
            return 1;
        }
        std::vector<double> delays;
        std::mt19937 random(1);
        std::uniform_real_distribution<double> gap(0.02, 0.1);
        for (int i = 0; i < presses; ++i) {
            const int before = timer->digits;
            const Clock::time_point sent = Clock::now();
            peer->SendRaw({kDle, '5'});
            if (!RunUntil([&] { return timer->digits > before; }, 2)) {
                std::fprintf(stderr, "digit %d did not arrive\n", i + 1);
                return 1;
            }
            delays.push_back(
                std::chrono::duration<double, std::milli>(timer->arrived - sent).count());
            // Presses come at no fixed phase to the line's reads of the port.
            RunUntil([] { return false; }, gap(random));
        }
        std::sort(delays.begin(), delays.end());
        std::printf(
            "DTMF event on the port to OnDigit, %d presses: min %.2f ms, median %.2f ms, "
            "95th %.2f ms, max %.2f ms (goal: under 20 ms)\n",
            presses, delays.front(), delays[delays.size() / 2], delays[delays.size() * 95 / 100],
            delays.back());
        tapi.Close();
        LTapiLine::Shutdown();
    }
    std::filesystem::remove_all(folder);
    return 0;
}
