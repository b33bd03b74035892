#include <gtest/gtest.h>

#include "core/text.h"
#include "prerequisites/prerequisites_text.h"
#include "reporting/log_format.h"
#include "reporting/temp_folder.h"

namespace orbalt {
namespace {

// The end-to-end rows read the rest of the bytes: CR LF, the line feeds and prefixes of notices.
TEST(LogRecord, Latin1BytesAndEscapesAboveFF) {
    // U+0141 is just above one byte; a character outside the BMP is two escaped UTF-16 units.
    EXPECT_EQ(FormatLogRecord(kLogPrefix, L"\u00e9\u0141"), "|LOG|: \xe9\\u0141\r\n");
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

// Wine reports a linked folder as a reparse point but not a linked file, and has no junctions:
// the file cases are proven here only.
TEST(TempFolder, NoRelativePathAndNoReparsePoint) {
    for (const wchar_t* path : {L"C:\\Users\\ana\\AppData\\Local\\Temp\\", L"d:\\", L"\\\\server\\temp\\"}) {
        EXPECT_EQ(TempPathRefusal(path), 0) << path;
    }
    for (const wchar_t* path : {L"", L"Temp\\", L"C:Temp\\", L"\\Temp\\", L"1:\\"}) {
        EXPECT_EQ(TempPathRefusal(path), kBadPath) << path;
    }
    EXPECT_EQ(TempFolderRefusal(kAttributeDirectory | 0x2000 /* not indexed */), 0);
    EXPECT_EQ(TempFolderRefusal(0x20 /* archive: a file */), kNotAFolder);
    EXPECT_EQ(TempFileRefusal(0x20 | kAttributeReparsePoint), kStoppedOnLink);
    EXPECT_EQ(TempFileRefusal(kAttributeDirectory | kAttributeReparsePoint), kStoppedOnLink);
}

} // namespace
} // namespace orbalt
