#include <gtest/gtest.h>

#include "prerequisites/local_copy.h"

namespace orbalt {
namespace {

// The name is the last segment of the address's path; a query or fragment is no part of it, and a
// name Windows could not give a file (its documented naming rules) stands for no file at all.
TEST(LocalCopy, TheNameIsTheLastSegmentOfThePathAndOneWindowsCanHold) {
    const std::wstring x251(251, L'x'), h = L"https://cdn.example/";
    const std::pair<std::wstring, std::wstring> named[] = {
        {L"https://download.visualstudio.microsoft.com/download/pr/907765b0-2bf8-494e-93aa-5ef9553c5d68/"
         L"a9308dc010617e6716c0e6abd53b05ce/windowsdesktop-runtime-8.0.8-win-x64.exe",
         L"windowsdesktop-runtime-8.0.8-win-x64.exe"},
        {L"https://aka.ms/Microsoft.VCLibs.x64.14.00.Desktop.appx",
         L"Microsoft.VCLibs.x64.14.00.Desktop.appx"},
        {h + L"a/b/setup.exe?sig=x/y.exe&t=1", L"setup.exe"},
        {h + L"a/setup.exe#part/two.exe", L"setup.exe"},
        {h + L"a?b/c.exe", L"a"},
        {L"file:///Z:/build/fake.exe", L"fake.exe"},
        {h + L"my%20setup.exe", L"my%20setup.exe"}, // escapes stay as written
        {h + L"CONSOLE.exe", L"CONSOLE.exe"},
        {h + L"COM10.exe", L"COM10.exe"},
        {h + x251 + L".exe", x251 + L".exe"}};
    for (const auto& [url, name] : named) {
        EXPECT_EQ(LocalCopyName(url), name) << url;
    }
    // No path, an empty last segment, no address at all.
    for (const wchar_t* url : {L"https://setup.exe", L"https://cdn.example?x=/setup.exe",
                               L"https://cdn.example/files/", L"windowsdesktop-runtime-8.0.8-win-x64.exe"}) {
        EXPECT_EQ(LocalCopyName(url), L"") << url;
    }
    // Names Windows cannot hold, or holds under another name or as a device.
    const std::wstring unfit[] = {L"..",
                                  L"setup.exe.",
                                  L"setup.exe ",
                                  L"a\\..\\..\\b.exe",
                                  L"b.exe:stream",
                                  L"b\t.exe",
                                  L"NUL.txt",
                                  L"Con",
                                  L"LPT1.appx",
                                  L"COM0",
                                  L"PRN",
                                  L"AUX.tar.gz",
                                  L"com\u00B9.exe",
                                  L"a<b",
                                  L"a>b",
                                  L"a\"b",
                                  L"a|b",
                                  L"a*b",
                                  x251 + L"x.exe"};
    for (const std::wstring& name : unfit) {
        EXPECT_EQ(LocalCopyName(h + name), L"") << name;
    }
}

// A file beside the installer spares the download only when it is there, a digest is pinned for
// it, it could be copied, and the copy has that digest; the first fact missing says why not.
TEST(LocalCopy, UsedOnlyWhenFoundPinnedCopiedAndMatching) {
    using enum LocalCopy;
    // Indexed by found * 8 + pinned * 4 + copied * 2 + matches.
    const LocalCopy expected[16] = {Absent,     Absent,     Absent,   Absent,   Absent,   Absent,
                                    Absent,     Absent,     Unpinned, Unpinned, Unpinned, Unpinned,
                                    Unreadable, Unreadable, Mismatch, Used};
    for (int bits = 0; bits < 16; ++bits) {
        EXPECT_EQ(JudgeLocalCopy(bits & 8, bits & 4, bits & 2, bits & 1), expected[bits]) << bits;
    }
}

} // namespace
} // namespace orbalt
