#include <gtest/gtest.h>

#include "core/text.h"
#include "prerequisites/prerequisites_text.h"
#include "reporting/log_format.h"
#include "reporting/window_wait.h"

namespace orbalt {
namespace {

// The end-to-end rows read the rest of the bytes: CR LF, the line feeds and prefixes of notices.
TEST(LogRecord, Latin1BytesAndEscapesAboveFF) {
    // U+00FF is the last one-byte character and U+0100 the first escaped one; a character outside
    // the BMP is two escaped UTF-16 units.
    EXPECT_EQ(FormatLogRecord(kLogPrefix, L"\u00ff\u0100"), "|LOG|: \xff\\u0100\r\n");
    EXPECT_EQ(FormatLogRecord(kLogPrefix, FromUtf16(u"\U0001F600")), "|LOG|: \\uD83D\\uDE00\r\n");
}

// Both ends of every length of UTF-8, the same units on both platforms (wchar_t is UTF-16 on
// Windows, UTF-32 on Linux); each byte that starts no valid sequence is one U+FFFD.
TEST(Text, Utf8AndUtf16AtEveryBoundary) {
    for (const auto& [utf8, utf16] : {std::pair<std::string, std::u16string>{"\x7F", u"\x7F"},
                                      {"\xC2\x80", u"\x80"},
                                      {"\xDF\xBF", u"\x7FF"},
                                      {"\xE0\xA0\x80", u"\x800"},
                                      {"\xEF\xBF\xBF", u"\xFFFF"},
                                      {"\xF0\x90\x80\x80", u"\U00010000"},
                                      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"}}) {
        EXPECT_EQ(ToUtf16(FromUtf8(utf8)), utf16) << utf8;
        EXPECT_EQ(ToUtf8(FromUtf16(utf16)), utf8) << utf8;
    }
    // A stray continuation byte, a cut sequence, a surrogate's code point, one above U+10FFFF.
    for (const std::string bad : {"\x80", "\xE0\xA0", "\xED\xA0\x80", "\xF4\x90\x80\x80"}) {
        EXPECT_EQ(ToUtf16(FromUtf8(bad)), std::u16string(bad.size(), u'\xFFFD')) << bad;
    }
    EXPECT_EQ(ToUtf8(FromUtf16(u"\xD800")), "\xEF\xBF\xBD"); // a lone surrogate
    // A result code as notices write it: eight upper-case digits.
    EXPECT_EQ(FormatHex(0xAu), L"0x0000000A");
    EXPECT_EQ(FormatHex(0xC0000005u), L"0xC0000005");
}

// From the bytes the download callback is told of to the status text: the share of the current
// download, folded with the download's number and count into one whole percentage.
TEST(ProgressText, EveryBoundaryOfTheArithmetic) {
    struct Row {
        std::int32_t count, number;
        std::uint32_t received, expected;
        const wchar_t* text;
    };
    const Row rows[] = {
        {0, 0, 1000, 1000, L"Getting ready..."}, // nothing to download: also at 100
        {1, 1, 512, 0, L"Getting ready..."},     // no size known yet
        {1, 1, 4, 1000, L"Getting ready..."},
        {1, 1, 5, 1000, L"1%"}, // halfway goes up
        {1, 1, 994, 1000, L"99%"},
        {1, 1, 995, 1000, L"Installing..."},
        {1, 1, 0xFFFFFFFFu, 0xFFFFFFFFu, L"Installing..."}, // no 32-bit overflow
        {2, 1, 1000, 1000, L"50%"},
        {2, 2, 500, 1000, L"75%"},
        {2, 2, 990, 1000, L"Installing..."},
        // A server that declares 1 byte and sends 30 MB: clamped, never an undefined conversion.
        {1, 1, 30'000'000, 1, L"2147483647%"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ProgressText(row.count, row.number, DownloadPercent(row.received, row.expected)), row.text)
            << row.count << " " << row.number << " " << row.received << "/" << row.expected;
    }
}

// What each output mode shows where.
TEST(Reporting, ChannelsOfEveryMode) {
    for (const auto& [mode, window, console] :
         {std::tuple{Mode::Gui, true, false}, {Mode::Verbose, false, true}, {Mode::Silent, false, false}}) {
        EXPECT_EQ(ReportingChannelsOf(mode).statusWindow, window) << static_cast<int>(mode);
        EXPECT_EQ(ReportingChannelsOf(mode).ownConsole, console) << static_cast<int>(mode);
    }
}

// The virtual keys that end the wait for a key, pressed down and let go.
TEST(Reporting, KeysThatEndTheWait) {
    // VK_SHIFT, VK_CONTROL, VK_MENU, VK_CAPITAL, VK_LWIN, VK_RWIN, VK_NUMLOCK, VK_SCROLL
    for (int key : {0x10, 0x11, 0x12, 0x14, 0x5B, 0x5C, 0x90, 0x91}) {
        EXPECT_FALSE(EndsKeyWait(true, static_cast<std::uint16_t>(key))) << key;
    }
    // VK_RETURN, VK_ESCAPE, VK_SPACE, 'A', '0', VK_F1
    for (int key : {0x0D, 0x1B, 0x20, 0x41, 0x30, 0x70}) {
        EXPECT_TRUE(EndsKeyWait(true, static_cast<std::uint16_t>(key))) << key;
        EXPECT_FALSE(EndsKeyWait(false, static_cast<std::uint16_t>(key))) << key;
    }
}

// Wine shows no test which icon a message box has.
TEST(Notice, AnErrorShowsTheErrorIconAndAResultTheInformationOne) {
    EXPECT_EQ(NoticeBoxStyle(NoticeKind::Error), 0x10u);
    EXPECT_EQ(NoticeBoxStyle(NoticeKind::Info), 0x40u);
}

// Under Wine the window always answers at once, or never.
TEST(WindowWait, ElevenSleepsOf50MillisecondsAtMost) {
    std::vector<int> sleeps;
    auto sleep = [&](int milliseconds) { sleeps.push_back(milliseconds); };
    EXPECT_FALSE(AwaitWindowAnswer(sleep, [] { return false; }));
    EXPECT_EQ(sleeps, std::vector<int>(11, 50));
    sleeps.clear();
    EXPECT_TRUE(AwaitWindowAnswer(sleep, [&] { return sleeps.size() == 11; })); // the last look
    sleeps.clear();
    EXPECT_TRUE(AwaitWindowAnswer(sleep, [] { return true; }));
    EXPECT_EQ(sleeps.size(), 1u); // a sleep before the first look
}

// Wine runs nothing as LocalSystem.
TEST(LogRecord, ALocalSystemRunSaysWhereItLogsInstead) {
    EXPECT_EQ(
        LogFolderSetAsideLine(L"C:\\Windows\\Temp\\Tessaly Installer Temp\\",
                              L"C:\\Windows\\Temp\\Tessaly Installer Temp-0a\\"),
        L"The log folder C:\\Windows\\Temp\\Tessaly Installer Temp\\ was made, or may be changed, by someone "
        L"other than SYSTEM and the Administrators: it is left as it is, and this run logs in "
        L"C:\\Windows\\Temp\\Tessaly Installer Temp-0a\\ instead.");
}

// Under Wine every run is elevated and owns its desktop, and no run is LocalSystem: only the
// elevated case is seen end to end. Never Silent, never an elevated program on a desktop that is
// not its account's, never a program the user's settings choose for an elevated run.
TEST(LogOpener, EveryModeAccountAndDesktop) {
    const LogOpener N = LogOpener::None, A = LogOpener::Association, S = LogOpener::SystemNotepad;
    // Gui, Verbose and Silent, each on another account's desktop and then on its own.
    for (const auto& [account, openers] : {std::pair{Account::Standard, std::array{A, A, A, A, N, N}},
                                           {Account::Elevated, std::array{N, S, N, S, N, N}},
                                           {Account::LocalSystem, std::array{N, N, N, N, N, N}},
                                           {Account::Unknown, std::array{N, N, N, N, N, N}}}) {
        for (std::size_t i = 0; i < openers.size(); ++i) {
            EXPECT_EQ(ChooseLogOpener(static_cast<Mode>(i / 2), account, i % 2 == 1), openers[i])
                << static_cast<int>(account) << " " << i;
        }
    }
}

} // namespace
} // namespace orbalt
