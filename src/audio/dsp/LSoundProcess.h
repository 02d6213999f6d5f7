// Process objects: each wraps a source in one kind of filter, or passes the source on when the
// filter would change nothing.
#pragma once

#include "audio/dsp/LSoundSource.h"

class LSoundProcess {
public:
    virtual ~LSoundProcess() = default;

    // Sets `out` to a new filter on `in`, or to `in` itself (one more reference) when `in` is
    // missing or invalid or the filter would change nothing. `out` may be `in`: that replaces
    // the head of a chain and releases the previous head reference. `out` is empty when `in`
    // is empty or memory is short.
    virtual void Create(LSoundSourcePtr& out, const LSoundSourcePtr& in) const = 0;

protected:
    // The rule common to all processes: true (with `out` = `in`) when `in` is missing or
    // invalid.
    static bool PassThrough(LSoundSourcePtr& out, const LSoundSourcePtr& in);
};
