// A default prompt as the installation file delivers it.
#include "setup/DeliveredPrompt.h"

#include "audio/dsp/LGainFilter.h"
#include "audio/files/LMp3Reader.h"

LSoundSourcePtr OpenDeliveredPrompt(const std::string& mp3) {
    LSoundSourcePtr decoded = OpenMp3File(mp3);
    if (!decoded || decoded->IsInvalid()) {
        return {};
    }
    LSoundSourcePtr louder;
    LGainProcess(kDeliveredPromptGainDb).Create(louder, decoded);
    return louder;
}
