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

TEST(ProgressText, FoldsDownloadsIntoOnePercentage) {
    EXPECT_EQ(ProgressText(1, 1, 0.4), L"Getting ready...");
    EXPECT_EQ(ProgressText(1, 1, 99.5), L"Installing...");
    EXPECT_EQ(ProgressText(1, 1, 99.4), L"99%");
    EXPECT_EQ(ProgressText(1, 1, 0.5), L"1%"); // halfway goes up
    // Nothing to download: always the getting-ready text, also at 100.
    EXPECT_EQ(ProgressText(0, 0, 100.0), L"Getting ready...");
    // A server that declares 1 byte and sends 30 MB: clamped, never an undefined conversion.
    EXPECT_EQ(ProgressText(1, 1, DownloadPercent(30'000'000, 1)), L"2147483647%");
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
// elevated case is seen end to end.
TEST(LogOpener, NoElevatedProgramOnAnotherAccountsDesktopAndNoUserSetting) {
    EXPECT_EQ(ChooseLogOpener(Mode::Gui, Account::Standard, false), LogOpener::Association);
    EXPECT_EQ(ChooseLogOpener(Mode::Verbose, Account::Elevated, true), LogOpener::SystemNotepad);
    // The copy an administrator approved for a standard user, LocalSystem, a run that never
    // learnt its account, and Silent runs: never.
    EXPECT_EQ(ChooseLogOpener(Mode::Gui, Account::Elevated, false), LogOpener::None);
    EXPECT_EQ(ChooseLogOpener(Mode::Gui, Account::LocalSystem, true), LogOpener::None);
    EXPECT_EQ(ChooseLogOpener(Mode::Gui, Account::Unknown, true), LogOpener::None);
    EXPECT_EQ(ChooseLogOpener(Mode::Silent, Account::Standard, true), LogOpener::None);
    EXPECT_EQ(ChooseLogOpener(Mode::Silent, Account::Elevated, true), LogOpener::None);
}

} // namespace
} // namespace orbalt
