// Recordings an unexpected stop (a crash, a kill, a power cut) left unfinished are mended at the
// next start, so that none is lost or left unplayable.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "recorder/AppState.h"

// Looks through the recordings folder once: each recording whose sizes disagree with its length
// or that has a journal left (CallStory) is repaired in place, gets its info (from the journal
// when the file has none) with a Recovered event at its end, and is handed to the background
// queue (QueueRecording). A recording that another running program still writes is left alone,
// and journals whose recording has gone are removed. Returns the recordings recovered, in name
// order.
std::vector<std::string> RecoverRecordings(const AppState& app);

// For runs without a window: RecoveredText and the recordings' names, one a line; nothing when
// there are none.
void PrintRecovered(std::ostream& out, const std::vector<std::string>& recovered);

// For the desktop's tray and caller log: RecoveredText and the recordings' names on one line.
std::string RecoveredMessage(const std::vector<std::string>& recovered);
