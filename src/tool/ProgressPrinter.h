// What the play and record commands print while audio runs: the position once a second with
// the level the device reported last, and the position where it stopped, which ends the
// command's event loop.
#pragma once

#include <cstdint>
#include <ostream>

#include "audio/devices/LLevelReport.h"

class ProgressPrinter {
public:
    explicit ProgressPrinter(std::ostream& output) : out(output) {}

    // Notes `position` (1/10,000 s) and prints it with the level when a new second has begun.
    void Position(std::int32_t position);
    void Levels(const LLevelReport& report) { level = report.Single(); }
    // A line of its own, such as a change of state.
    void Line(const char* text);
    // Prints `before`, the last position and `after` on one line, and quits the event loop.
    void Stopped(const char* before, const char* after);

private:
    std::ostream& out;
    std::int32_t lastPosition = 0;
    std::int32_t shownSecond = -1;
    std::int8_t level = -127;
};
