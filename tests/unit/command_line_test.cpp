#include <gtest/gtest.h>

#include "driver/command_line.h"

namespace orbalt {
namespace {

// Every form of the vocabulary and its near misses. Only the first argument counts, compared whole
// and case-sensitively; anything else is the help screen, also full-width look-alikes, which a code
// page's best-fit mapping would turn into "-s".
TEST(CommandLine, EveryFormAndItsNearMisses) {
    // The first argument, the rest; the output mode and whether it provisions.
    for (const auto& [first, rest, mode, provision] : {std::tuple{L"", L"", Mode::Gui, false},
                                                       {L"-v", L"", Mode::Verbose, false},
                                                       {L"--verbose", L"", Mode::Verbose, false},
                                                       {L"-p", L"", Mode::Gui, true},
                                                       {L"--provision", L"", Mode::Gui, true},
                                                       {L"-pv", L"", Mode::Verbose, true},
                                                       {L"--provision-verbose", L"", Mode::Verbose, true},
                                                       {L"-s", L"", Mode::Silent, false},
                                                       {L"--silent", L"", Mode::Silent, false},
                                                       {L"-g", L"", Mode::Gui, false},
                                                       {L"--gui", L"", Mode::Gui, false},
                                                       {L"-p", L"-s", Mode::Gui, true},
                                                       {L"-s", L"-p", Mode::Silent, false},
                                                       {L"-v", L"-h", Mode::Verbose, false}}) {
        std::vector<std::wstring> args{L"C:\\Downloads\\Orbalt.exe", first, rest};
        args.resize(*first == L'\0' ? 1 : *rest == L'\0' ? 2 : 3);
        const ParsedCommandLine parsed = ParseCommandLine(args);
        EXPECT_EQ(std::tuple(parsed.showHelp, parsed.outputMode, parsed.provision),
                  std::tuple(false, mode, provision))
            << testing::PrintToString(args);
    }
    for (const auto& misses :
         {std::vector<std::wstring>{L"-h", L"--help", L"", L"-", L"--", L"v", L"-V", L"-S", L"--Verbose",
                                    L"--GUI", L"/v", L"/p", L"/s", L"-v=1", L"--silent=yes", L"-p:1"},
          std::vector<std::wstring>{L"-v ", L" -v", L"-pvs", L"-sp", L"-vp", L"-ps", L"--verb",
                                    L"--provision-", L"-provision", L"---silent", L"--s", L"\uFF0D\uFF53",
                                    L"-\uFF53", L"\u2010s"}}) {
        for (const std::wstring& arg : misses) {
            EXPECT_TRUE(ParseCommandLine({L"Orbalt.exe", arg}).showHelp) << testing::PrintToString(arg);
            EXPECT_TRUE(ParseCommandLine({L"Orbalt.exe", arg, L"-s"}).showHelp);
        }
    }
}

} // namespace
} // namespace orbalt
