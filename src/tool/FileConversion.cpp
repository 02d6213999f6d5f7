// The steps of the commands that write an audio file from another.
#include "tool/FileConversion.h"

#include "audio/files/AudioConversion.h"
#include "tool/AudioInput.h"
#include "tool/Tool.h"
#include "tool/ToolOutput.h"

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

int WriteConversionOutput(LSoundSource& chain, const std::string& output,
                          const WriterFactory& makeWriter, std::ostream& err,
                          std::int32_t* frames) {
    ToolOutputFile file(output, err);
    if (!file.IsOpen()) {
        return kToolFailed;
    }
    LSoundSinkPtr writer = makeWriter(file.TempName());
    if (WriterError(writer) == 0) {
        WriteConverted(chain, *writer);
    }
    const int error = WriterError(writer);
    if (frames && writer) {
        *frames = writer->position;
    }
    writer.Release();  // the file is complete once its writer has gone
    return file.Finish(error);
}
