#include <gtest/gtest.h>

#include "prerequisites/prerequisites_text.h"

namespace orbalt {
namespace {

TEST(Prerequisites, ProgressAndProcessLines) {
    EXPECT_EQ(DownloadPercent(0, 0), 0.0);
    EXPECT_EQ(DownloadPercent(512, 0), 0.0);
    EXPECT_EQ(DownloadPercent(512, 1024), 50.0);
    EXPECT_EQ(DownloadPercent(0xFFFFFFFFu, 0xFFFFFFFFu), 100.0); // no 32-bit overflow
    EXPECT_DOUBLE_EQ(DownloadPercent(1, 3), 100.0 / 3.0);

    // The outcomes no run under Wine produces; the others are in the end-to-end rows.
    EXPECT_EQ(ProcessStartFailedLine(L"C:\\x.exe", L""),
              L"[Process Runner] Unable to start \"C:\\x.exe\" process (with args of \"\")!");
    EXPECT_EQ(ProcessOutcomeLine(L"p", L"a", 0xC0000005u),
              L"[Process Runner] Executed \"p\" (with args of \"a\"): Failed! Exit Code: 3221225477");
    EXPECT_EQ(ProcessOutcomeLine(L"p", L"a", std::nullopt),
              L"[Process Runner] Executed \"p\" (with args of \"a\"): Unknown Exit Code!");
}

TEST(Prerequisites, PinnedDigestsAreChosenByAddressAndComparedStrictly) {
    std::vector<PinnedDownload> pinned{
        {L"https://a/dotnet.exe", L"AB12"}, {L"https://a/fw.appx", L""}, {L"", L"ff"}};
    EXPECT_EQ(RequiredDigest(L"https://a/dotnet.exe", pinned), L"AB12");
    EXPECT_EQ(RequiredDigest(L"https://a/fw.appx", pinned), L"");
    EXPECT_EQ(RequiredDigest(L"https://a/DOTNET.exe", pinned), L""); // the exact constant only
    EXPECT_EQ(RequiredDigest(L"", pinned), L"");

    const unsigned char bytes[] = {0x00, 0xab, 0x12, 0xff};
    EXPECT_EQ(HexDigest(bytes, sizeof(bytes)), L"00ab12ff");
    EXPECT_TRUE(DigestMatches(L"00ab12ff", L"00AB12FF"));
    EXPECT_FALSE(DigestMatches(L"00ab12ff", L"00ab12fe"));
    EXPECT_FALSE(DigestMatches(L"00ab12ff", L"00ab12f"));
    EXPECT_FALSE(DigestMatches(L"", L""));                  // a failed hash never matches
    EXPECT_FALSE(DigestMatches(L"00ab12ff", L"00ab12ff ")); // nor a digest with stray characters
}

} // namespace
} // namespace orbalt
