#include <gtest/gtest.h>

#include "driver/command_line.h"

namespace orbalt {
namespace {

// Every form of the vocabulary and its near misses. Only the first argument counts, compared whole
// and case-sensitively; anything else is the help screen, also full-width look-alikes, which a code
// page's best-fit mapping would turn into "-s".
TEST(CommandLine, EveryFormAndItsNearMisses) {
    struct Case {
        std::vector<std::wstring> args;
        Mode mode;
        bool provision;
    };
    const Case run[] = {
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
        {{L"-p", L"-s"}, Mode::Gui, true},
        {{L"-s", L"-p"}, Mode::Silent, false},
        {{L"-v", L"-h"}, Mode::Verbose, false},
    };
    for (const Case& c : run) {
        std::vector<std::wstring> args = c.args;
        args.insert(args.begin(), L"C:\\Downloads\\Orbalt.exe");
        const ParsedCommandLine parsed = ParseCommandLine(args);
        EXPECT_FALSE(parsed.showHelp) << testing::PrintToString(c.args);
        EXPECT_EQ(parsed.outputMode, c.mode) << testing::PrintToString(c.args);
        EXPECT_EQ(parsed.provision, c.provision) << testing::PrintToString(c.args);
    }
    for (const wchar_t* arg : {L"-h",
                               L"--help",
                               L"",
                               L"-",
                               L"--",
                               L"v",
                               L"-V",
                               L"-S",
                               L"--Verbose",
                               L"--GUI",
                               L"/v",
                               L"/p",
                               L"/s",
                               L"-v=1",
                               L"--silent=yes",
                               L"-p:1",
                               L"-v ",
                               L" -v",
                               L"-pvs",
                               L"-sp",
                               L"-vp",
                               L"-ps",
                               L"--verb",
                               L"--provision-",
                               L"-provision",
                               L"---silent",
                               L"--s",
                               L"\uFF0D\uFF53",
                               L"-\uFF53",
                               L"\u2010s",
                               L"\u2013v"}) {
        EXPECT_TRUE(ParseCommandLine({L"Orbalt.exe", arg}).showHelp)
            << testing::PrintToString(std::wstring(arg));
        EXPECT_TRUE(ParseCommandLine({L"Orbalt.exe", arg, L"-s"}).showHelp);
    }
}

} // namespace
} // namespace orbalt
