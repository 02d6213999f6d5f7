// The speech engines a user chooses from, which are the voices of the process's speech engine:
// counted, named, looked up by name or language, and the one that fits the desktop's language.
#pragma once

#include <string>
#include <string_view>

class SpeechEngine;

// The engine of the process: espeak-ng, unless SetSpeechEngine has put another in its place.
SpeechEngine& CurrentSpeechEngine();
// Puts `engine` in the place of espeak-ng until called again with null (tests bring voices
// of their own). Not for use while a text is being spoken.
void SetSpeechEngine(SpeechEngine* engine);

int CountSpeechEngines();
// The readable name of voice `index`, such as "English (Great Britain)"; empty when there is
// no such voice.
std::string GetSpeechEngineName(int index);
// The voice `name` names, without regard to case: by its readable or espeak-ng name, its
// identifier, or a language code (the voice that fits that language best); -1 when none.
int FindSpeechEngine(std::string_view name);
// The voice that fits the desktop's language, from the first of LC_ALL, LC_MESSAGES and LANG
// that is set: "de_DE.UTF-8" gives German, "en_US" American English when there is such a voice
// and English otherwise. 0 when no voice fits.
int DefaultSpeechEngine();
// The voice of the "preferredspeaker" setting of `settingsFile`, or DefaultSpeechEngine() while
// the user has chosen none.
int PreferredSpeechEngine(const std::string& settingsFile);
