#include <gtest/gtest.h>

#include "driver/command_line.h"

namespace orbalt {
namespace {

ParsedCommandLine Parse(std::vector<std::wstring> rest) {
    rest.insert(rest.begin(), L"C:\\Downloads\\Orbalt.exe");
    return ParseCommandLine(rest);
}

TEST(CommandLine, OptionTable) {
    struct Case {
        std::vector<std::wstring> args;
        Mode mode;
        bool provision;
    };
    const Case cases[] = {
        {{}, Mode::Gui, false},
        {{L"-v"}, Mode::Verbose, false},
        {{L"--verbose"}, Mode::Verbose, false},
        {{L"-p"}, Mode::Gui, true},
        {{L"--provision"}, Mode::Gui, true},
        {{L"-pv"}, Mode::Verbose, true},
        {{L"--provision-verbose"}, Mode::Verbose, true},
        {{L"-s"}, Mode::Silent, false},
        {{L"--silent"}, Mode::Silent, false},
        {{L"-g"}, Mode::Gui, false},
        {{L"--gui"}, Mode::Gui, false},
        {{L"-p", L"-s"}, Mode::Gui, true}, // only the first argument counts
    };
    for (const Case& c : cases) {
        ParsedCommandLine parsed = Parse(c.args);
        EXPECT_FALSE(parsed.showHelp) << testing::PrintToString(c.args);
        EXPECT_EQ(parsed.outputMode, c.mode) << testing::PrintToString(c.args);
        EXPECT_EQ(parsed.provision, c.provision) << testing::PrintToString(c.args);
    }
}

TEST(CommandLine, AnythingElseShowsHelp) {
    // Full-width look-alikes too, which a code page's best-fit mapping would turn into "-s".
    for (const wchar_t* arg : {L"-h", L"--help", L"-V", L"--Verbose", L"/v", L"-v=1", L"--silent=yes", L"",
                               L"-pvs", L"v", L"-", L"--verb", L"\uFF0D\uFF53", L"-\uFF53", L"\u2010s"}) {
        EXPECT_TRUE(Parse({arg}).showHelp) << testing::PrintToString(std::wstring(arg));
    }
}

} // namespace
} // namespace orbalt
