// The steps that the commands writing an audio file OUT from an audio file IN share: IN opened
// unless OUT would overwrite it, and the converted audio written whole into OUT.
#pragma once

#include <cstdint>
#include <functional>
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

// Makes the writer for a file name.
using WriterFactory = std::function<LSoundSinkPtr(const std::string& fileName)>;

// Writes all of `chain` into OUT through the writer `makeWriter` gives for OUT's temporary file,
// and puts the file in OUT's place once it is whole (ToolOutputFile). Returns kToolOk, or
// kToolFailed with the reason printed to `err`; `frames` receives the frames written.
int WriteConversionOutput(LSoundSource& chain, const std::string& output,
                          const WriterFactory& makeWriter, std::ostream& err,
                          std::int32_t* frames = nullptr);
