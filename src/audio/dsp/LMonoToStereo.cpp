// Up-mix of one channel to two by copying every sample to both.
#include "audio/dsp/LMonoToStereo.h"

LMonoToStereo::LMonoToStereo(const LSoundSourcePtr& upstream) : LSoundFilter(upstream) {
    if (channels != 1) {
        flags |= kSoundInvalid;
    }
    channels = 2;
}

void LMonoToStereo::Read(std::int32_t* buffer, std::int32_t frames) {
    if (IsInvalid()) {
        FillSilence(buffer, frames);
        return;
    }
    if (frames <= 0) {
        return;
    }
    // The mono frames fill the first half of the buffer; spreading from the end backwards never
    // overwrites a sample before it has been copied.
    upstream->Read(buffer, frames);
    for (std::int32_t f = frames - 1; f >= 0; --f) {
        buffer[2 * f + 1] = buffer[2 * f] = buffer[f];
    }
}
