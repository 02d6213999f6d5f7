// The play and record commands' progress lines.
#include "tool/ProgressPrinter.h"

#include "settings/TimeText.h"
#include "tool/ToolEventLoop.h"

void ProgressPrinter::Position(std::int32_t position) {
    lastPosition = position;
    if (position / kTimeUnitsPerSecond != shownSecond) {
        shownSecond = position / kTimeUnitsPerSecond;
        out << FormatTime1(position) << "  " << static_cast<int>(level) << " dB" << std::endl;
    }
}

void ProgressPrinter::Line(const char* text) {
    out << text << std::endl;
}

void ProgressPrinter::Stopped(const char* before, const char* after) {
    out << before << FormatTime1(lastPosition) << after << std::endl;
    QuitToolEventLoop();
}
