// The process that converts between mono and stereo.
#include "audio/dsp/LChannelsProcess.h"

#include "audio/dsp/LMonoToStereo.h"
#include "audio/dsp/LStereoToMono.h"

void LChannelsProcess::Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const {
    if (PassThrough(out, in)) {
        return;
    }
    if (in->channels == 2 && channels == 1) {
        out = MakeCounted<LStereoToMono>(in);
    } else if (in->channels == 1 && channels == 2) {
        out = MakeCounted<LMonoToStereo>(in);
    } else {
        out = in;
    }
}
