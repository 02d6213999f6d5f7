// quillon-tool note: setting the note a recording keeps with its call's story.
#include "audio/files/RecordingInfo.h"
#include "tool/AudioInput.h"
#include "tool/Tool.h"

int RunNoteCommand(const ToolArgs& args, std::ostream&, std::ostream& err) {
    if (args.size() != 2) {
        return UsageError(err, "note takes a file and a text");
    }
    const std::string& path = args[0];
    if (!ReadRecordingInfo(path)) {
        return ReportUnreadableInput(path, "a WAV file", err);
    }
    if (const std::string error = WriteRecordingNote(path, args[1]); !error.empty()) {
        err << "quillon-tool: " << path << ": the note cannot be stored: " << error << "\n";
        return kToolFailed;
    }
    return kToolOk;
}
