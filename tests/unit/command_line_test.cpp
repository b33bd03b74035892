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
    EXPECT_FALSE(ParseCommandLine({}).showHelp);
}

TEST(CommandLine, AnythingElseShowsHelp) {
    // Full-width look-alikes too, which a code page's best-fit mapping would turn into "-s".
    for (const wchar_t* arg : {L"-h", L"--help", L"-V", L"--Verbose", L"/v", L"-v=1", L"--silent=yes", L"",
                               L"-pvs", L"v", L"\uFF0D\uFF53", L"-\uFF53", L"\u2010s"}) {
        EXPECT_TRUE(Parse({arg}).showHelp) << testing::PrintToString(std::wstring(arg));
    }
}

TEST(CommandLine, HelpAndBannerLines) {
    const auto& help = HelpScreenLines();
    ASSERT_EQ(help.size(), 9u);
    EXPECT_EQ(help[0], std::wstring(72, L'-'));
    EXPECT_EQ(help[1], L"-------------------------- Orbalt Installer --------------------------");
    EXPECT_EQ(help[5],
              L"-pv | --provision-verbose  | Provision the package (with detailed installer logging)");
    EXPECT_EQ(help[8], L"-h  | --help               | Display this help screen");
    for (std::size_t i = 3; i < help.size(); ++i) {
        EXPECT_EQ(help[i].find(L"| "), 4u) << i;   // short option padded to 4
        EXPECT_EQ(help[i].rfind(L"| "), 27u) << i; // long option padded to 21
    }
    const auto& banner = RunBannerLines();
    ASSERT_EQ(banner.size(), 3u);
    EXPECT_EQ(banner[0].size(), 52u);
    EXPECT_EQ(banner[1], L"---------------- Orbalt Installer ----------------");
}

} // namespace
} // namespace orbalt
