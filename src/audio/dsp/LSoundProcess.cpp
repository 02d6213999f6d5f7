// The pass-through rule common to all processes.
#include "audio/dsp/LSoundProcess.h"

bool LSoundProcess::PassThrough(LSoundSourcePtr& out, const LSoundSourcePtr& in) {
    if (in && !in->IsInvalid()) {
        return false;
    }
    out = in;
    return true;
}
