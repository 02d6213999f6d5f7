// The shielding of audio sent to a voice modem.
#include "telephony/providers/modem/ModemShielding.h"

void AppendShielded(ModemBytes& out, std::span<const std::uint8_t> audio) {
    out.reserve(out.size() + audio.size());
    for (const std::uint8_t byte : audio) {
        out.push_back(byte);
        if (byte == kDle) {
            out.push_back(kDle);
        }
    }
}
