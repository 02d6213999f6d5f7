// quillon-tool settings: sections and keys that would not read back as themselves are refused
// with the reason, and the settings file is left as it was.
#include "ToolRun.h"
#include "base/IniFile.h"

namespace {

class SettingsKeysTest : public ToolRun {};

TEST_F(SettingsKeysTest, NamesThatWouldNotReadBackAreRefusedWithTheReason) {
    const std::string file = root / "s.ini";
    WriteFile(file, "[settings]\ndevice=1\n");
    const std::pair<ToolArgs, const char*> rows[] = {
        {{"settings", "[evil]", "x"}, "start with '['"},
        {{"settings", "device=2", "x"}, "'='"},
        {{"settings", "   ", "x"}, "empty or only white space"},
        {{"settings", " device", "x"}, "start or end with white space"},
        {{"set]tings", "device", "x"}, "']'"},
        {{"settings", "dev\nice", "x"}, "line break"},
    };
    for (const auto& [names, reason] : rows) {
        for (const char* verb : {"set", "get"}) {
            ToolArgs args{"settings", verb, names[0], names[1]};
            if (verb == std::string("set")) {
                args.push_back(names[2]);
            }
            args.insert(args.end(), {"--file", file});
            EXPECT_EQ(Run(args), kToolUsage) << verb << " " << names[1];
            EXPECT_NE(err.find(reason), std::string::npos) << err;
        }
    }
    EXPECT_EQ(ReadFile(file), "[settings]\ndevice=1\n");
    // A key that only looks odd is stored and read back as it is.
    ASSERT_EQ(Run({"settings", "set", "settings", "a[b] c", "x y", "--file", file}), kToolOk);
    ASSERT_EQ(Run({"settings", "get", "settings", "A[B] C", "--file", file}), kToolOk);
    EXPECT_EQ(out, "x y\n");
}

}  // namespace
