// The steps that the commands writing an audio file OUT from an audio file IN share: IN opened
// unless OUT would overwrite it, and the converted audio written whole into OUT.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "audio/dsp/LSoundSink.h"
#include "audio/dsp/LSoundSource.h"

// Opens IN for a command that writes OUT from it. Returns the exit code to end with, the reason
// printed to `err` (OUT would overwrite IN: a usage error; IN cannot be used: a failure), or
// nothing once `source` holds IN.
std::optional<int> OpenConversionInput(const std::string& input, const std::string& output,
                                       std::ostream& err, LSoundSourcePtr& source);

// Writes all of `chain` into `writer`, which was made for `output`: kToolOk, or kToolFailed with
// the reason printed when the writer could not be made.
int WriteConversionOutput(LSoundSource& chain, const LSoundSinkPtr& writer,
                          const std::string& output, std::ostream& err);
