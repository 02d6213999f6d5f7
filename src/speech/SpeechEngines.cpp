// The speech engines a user chooses from.
#include "speech/SpeechEngines.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "base/AsciiText.h"
#include "settings/SettingsKeys.h"
#include "speech/EspeakEngine.h"

namespace {

SpeechEngine*& Replacement() {
    static SpeechEngine* engine = nullptr;
    return engine;
}

const std::vector<SpeechVoice>& Voices() {
    return CurrentSpeechEngine().Voices();
}

// The voice that speaks the language `code` at the lowest priority, the first of equals; -1
// when none speaks it.
int BestVoiceFor(std::string_view code) {
    int best = -1;
    int bestPriority = INT_MAX;
    const std::vector<SpeechVoice>& voices = Voices();
    for (std::size_t index = 0; index < voices.size(); ++index) {
        for (const SpeechLanguage& language : voices[index].languages) {
            if (language.priority < bestPriority && EqualsNoCase(language.code, code)) {
                best = static_cast<int>(index);
                bestPriority = language.priority;
            }
        }
    }
    return best;
}

// The language of a locale as voices name it: "de_DE.UTF-8" gives "de-DE".
std::string LocaleLanguage(std::string_view locale) {
    std::string code(locale.substr(0, locale.find_first_of(".@")));
    std::replace(code.begin(), code.end(), '_', '-');
    return code;
}

}  // namespace

SpeechEngine& CurrentSpeechEngine() {
    return Replacement() ? *Replacement() : EspeakEngine::Instance();
}

void SetSpeechEngine(SpeechEngine* engine) {
    Replacement() = engine;
}

int CountSpeechEngines() {
    return static_cast<int>(Voices().size());
}

std::string GetSpeechEngineName(int index) {
    return index >= 0 && index < CountSpeechEngines() ? Voices()[index].name : std::string();
}

int FindSpeechEngine(std::string_view name) {
    const std::vector<SpeechVoice>& voices = Voices();
    auto named = std::find_if(voices.begin(), voices.end(), [&](const SpeechVoice& voice) {
        return EqualsNoCase(voice.name, ReadableVoiceName(name)) ||
               EqualsNoCase(voice.identifier, name);
    });
    return named != voices.end() ? static_cast<int>(named - voices.begin()) : BestVoiceFor(name);
}

int DefaultSpeechEngine() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* locale = std::getenv(variable);
        if (locale != nullptr && *locale != 0) {
            std::string code = LocaleLanguage(locale);
            int voice = BestVoiceFor(code);
            if (voice < 0) {
                voice = BestVoiceFor(code.substr(0, code.find('-')));
            }
            return std::max(voice, 0);
        }
    }
    return 0;
}

int PreferredSpeechEngine(const std::string& settingsFile) {
    const IntSetting& key = settings::kPreferredSpeaker;
    return ReadTextSetting(settingsFile, kSettingsSection, key.name, "").empty()
               ? DefaultSpeechEngine()
               : ReadSetting(settingsFile, key);
}
