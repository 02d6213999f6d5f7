// The voices a user chooses from: counted and named in order, looked up by name, identifier or
// language, and the default that fits the desktop's language.
#include "speech/SpeechEngines.h"

#include <gtest/gtest.h>

#include "speech/SpeechTestSupport.h"
#include "support/TempDir.h"

namespace {

TEST(SpeechEnginesTest, FindsAVoiceByNameIdentifierOrTheLanguageItFitsBest) {
    FakeSpeechEngine engine;
    const std::pair<const char*, int> rows[] = {{"English (Great Britain)", 1},
                                                {"english_(great_britain)", 1},
                                                {"GMW/EN-US", 0},
                                                {"de", 2},
                                                {"en-GB", 1},
                                                {"en", 1},
                                                {"English", -1},
                                                {"", -1}};
    for (const auto& [name, voice] : rows) {
        EXPECT_EQ(FindSpeechEngine(name), voice) << name;
    }
}

TEST(SpeechEnginesTest, TheDefaultVoiceFitsTheFirstLocaleVariableThatIsSet) {
    FakeSpeechEngine engine;
    struct Row {
        std::optional<std::string> all, messages, lang;
        int voice;
    };
    const Row rows[] = {
        {{}, {}, "de_DE.UTF-8", 2}, {{}, {}, "en_US", 0},           {{}, {}, "en_AU.UTF-8@euro", 1},
        {{}, "de_AT", "en_US", 2},  {"en_GB", "de_AT", "en_US", 1}, {"", "", "de", 2},
        {{}, {}, "C.UTF-8", 0},     {{}, {}, "fr_FR", 0},           {{}, {}, {}, 0}};
    for (const Row& row : rows) {
        ScopedEnv all("LC_ALL", row.all), messages("LC_MESSAGES", row.messages),
            lang("LANG", row.lang);
        EXPECT_EQ(DefaultSpeechEngine(), row.voice) << row.lang.value_or("-");
    }
}

}  // namespace
