#include <gtest/gtest.h>

#include "driver/command_line.h"

namespace orbalt {
namespace {

ParsedCommandLine Parse(std::vector<std::string> rest) {
    rest.insert(rest.begin(), "C:\\Downloads\\Orbalt.exe");
    return ParseCommandLine(rest);
}

TEST(CommandLine, OptionTable) {
    struct Case {
        std::vector<std::string> args;
        Mode mode;
        bool provision;
    };
    const Case cases[] = {
        {{}, Mode::Gui, false},
        {{"-v"}, Mode::Verbose, false},
        {{"--verbose"}, Mode::Verbose, false},
        {{"-p"}, Mode::Gui, true},
        {{"--provision"}, Mode::Gui, true},
        {{"-pv"}, Mode::Verbose, true},
        {{"--provision-verbose"}, Mode::Verbose, true},
        {{"-s"}, Mode::Silent, false},
        {{"--silent"}, Mode::Silent, false},
        {{"-g"}, Mode::Gui, false},
        {{"--gui"}, Mode::Gui, false},
        {{"-p", "-s"}, Mode::Gui, true}, // only the first argument counts
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
    for (const char* arg : {"-h", "--help", "-V", "--Verbose", "/v", "-v=1", "--silent=yes", "", "-pvs", "v"}) {
        EXPECT_TRUE(Parse({arg}).showHelp) << arg;
    }
}

TEST(CommandLine, HelpAndBannerLines) {
    const auto& help = HelpScreenLines();
    ASSERT_EQ(help.size(), 9u);
    EXPECT_EQ(help[0], std::wstring(72, L'-'));
    EXPECT_EQ(help[1], L"-------------------------- Orbalt Installer --------------------------");
    EXPECT_EQ(help[5], L"-pv | --provision-verbose  | Provision the package (with detailed installer logging)");
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
