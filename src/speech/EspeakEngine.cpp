// The speech engine of espeak-ng.
#include "speech/EspeakEngine.h"

#include <espeak-ng/espeak_ng.h>

#include <algorithm>
#include <cstring>
#include <tuple>

namespace {

// Milliseconds of speech per synthesis callback.
constexpr int kBufferMilliseconds = 50;

// The output of the text being spoken travels as the text's user data; the end of the text is
// the call without samples.
int SynthesisCallback(short* samples, int count, espeak_EVENT* events) {
    auto* output = static_cast<SpeechOutput*>(events->user_data);
    if (samples == nullptr) {
        output->End();
        return 0;
    }
    return output->Samples(samples, count) ? 0 : 1;
}

// The languages of a voice: pairs of a priority byte and a name, ended by a zero byte.
std::vector<SpeechLanguage> Languages(const char* list) {
    std::vector<SpeechLanguage> languages;
    while (*list != 0) {
        languages.push_back(SpeechLanguage{list + 1, static_cast<unsigned char>(*list)});
        list += std::strlen(list + 1) + 2;
    }
    return languages;
}

}  // namespace

std::string ReadableVoiceName(std::string_view name) {
    std::string readable(name);
    std::replace(readable.begin(), readable.end(), '_', ' ');
    return readable;
}

EspeakEngine& EspeakEngine::Instance() {
    static EspeakEngine engine;
    return engine;
}

EspeakEngine::EspeakEngine() {
    espeak_ng_InitializePath(nullptr);
    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    espeak_ng_ClearErrorContext(&context);
    initialized = status == ENS_OK;
    if (!initialized || espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, kBufferMilliseconds,
                                                   nullptr) != ENS_OK) {
        return;
    }
    sampleRate = espeak_ng_GetSampleRate();
    espeak_SetSynthCallback(SynthesisCallback);
    const espeak_VOICE** list = espeak_ListVoices(nullptr);
    for (; list != nullptr && *list != nullptr; ++list) {
        const espeak_VOICE& voice = **list;
        voices.push_back(SpeechVoice{ReadableVoiceName(voice.name), voice.identifier,
                                     Languages(voice.languages)});
    }
    std::sort(voices.begin(), voices.end(), [](const SpeechVoice& a, const SpeechVoice& b) {
        return std::tie(a.name, a.identifier) < std::tie(b.name, b.identifier);
    });
}

EspeakEngine::~EspeakEngine() {
    if (initialized) {
        espeak_ng_Terminate();
    }
}

bool EspeakEngine::Speak(const std::string& text, const SpeechVoice& voice, SpeechOutput& output) {
    std::lock_guard lock(speaking);
    if (voices.empty() || espeak_ng_SetVoiceByName(voice.identifier.c_str()) != ENS_OK) {
        return false;
    }
    espeak_ng_STATUS status = espeak_ng_Synthesize(text.c_str(), text.size() + 1, 0, POS_CHARACTER,
                                                   0, espeakCHARS_UTF8, nullptr, &output);
    return status == ENS_OK;
}
