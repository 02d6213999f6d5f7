// Volume adjustment by a fixed number of dB.
#include "audio/dsp/LGainFilter.h"

#include "audio/dsp/SoundLevel.h"

LGainFilter::LGainFilter(const LSoundSourcePtr& upstream, std::int8_t db)
    : LSoundFilter(upstream), gain(AmplitudeGain(db)) {
    if (db > 0) {
        peakBound = kDefaultPeakBound;
    }
}

void LGainFilter::Read(std::int32_t* buffer, std::int32_t frames) {
    ReadUpstream(buffer, frames);
    if (frames <= 0) {
        return;
    }
    std::int32_t* end = buffer + static_cast<std::ptrdiff_t>(frames) * channels;
    for (std::int32_t* x = buffer; x != end; ++x) {
        *x = GainProduct(*x, gain);
    }
}

void LGainProcess::Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const {
    if (!PassThrough(out, in)) {
        out = MakeCounted<LGainFilter>(in, gain);
    }
}
