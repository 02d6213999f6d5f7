// The telephone play process chain.
#include "audio/dsp/PlayChain.h"

#include "audio/dsp/LCompressor.h"
#include "audio/dsp/LGainFilter.h"
#include "audio/dsp/LHighPassFilter.h"

LSoundSourcePtr BuildPlayChain(const LSoundSourcePtr& source, std::int32_t highPass,
                               std::int8_t compressorThreshold, std::int8_t gain) {
    if (!source || source->IsInvalid()) {
        return {};
    }
    LSoundSourcePtr head = source;
    if (highPass > 20) {
        LHighPassProcess(highPass).Create(head, head);
    }
    if (compressorThreshold < -2) {
        LCompressorProcess(compressorThreshold, kPlayCompressorSlope, kPlayCompressorBlockTime)
            .Create(head, head);
    }
    if (gain >= 2 || gain <= -2) {
        LGainProcess(gain).Create(head, head);
    }
    return head;
}
