// The steps of the commands that write an audio file from another.
#include "tool/FileConversion.h"

#include "audio/files/AudioConversion.h"
#include "tool/AudioInput.h"
#include "tool/Tool.h"

std::optional<int> OpenConversionInput(const std::string& input, const std::string& output,
                                       std::ostream& err, LSoundSourcePtr& source) {
    if (IsSameFile(input, output)) {
        return UsageError(err, "the output would overwrite the input");
    }
    source = OpenToolInput(input, err);
    if (!source) {
        return kToolFailed;
    }
    return std::nullopt;
}

int WriteConversionOutput(LSoundSource& chain, const LSoundSinkPtr& writer,
                          const std::string& output, std::ostream& err) {
    if (!writer || writer->IsInvalid()) {
        err << "quillon-tool: " << output << ": cannot be written\n";
        return kToolFailed;
    }
    WriteConverted(chain, *writer);
    return kToolOk;
}
