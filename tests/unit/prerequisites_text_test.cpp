#include <gtest/gtest.h>

#include "prerequisites/prerequisites_text.h"

namespace orbalt {
namespace {

TEST(Prerequisites, ProgressAndProcessLines) {
    // S_OK alone is a transfer; S_FALSE (1), another success code, and INET_E_DOWNLOAD_FAILURE are not.
    EXPECT_FALSE(IsDownloadFailure(0));
    EXPECT_TRUE(IsDownloadFailure(1));
    EXPECT_TRUE(IsDownloadFailure(0x000401E0));
    EXPECT_TRUE(IsDownloadFailure(static_cast<std::int32_t>(0x800C0008u)));

    // The outcomes no run under Wine produces; the others are in the end-to-end rows.
    EXPECT_EQ(ProcessStartFailedLine(L"C:\\x.exe", L""),
              L"[Process Runner] Unable to start \"C:\\x.exe\" process (with args of \"\")!");
    EXPECT_EQ(ProcessOutcomeLine(L"p", L"a", 1u),
              L"[Process Runner] Executed \"p\" (with args of \"a\"): Failed! Exit Code: 1");
    EXPECT_EQ(ProcessOutcomeLine(L"p", L"a", 0xC0000005u),
              L"[Process Runner] Executed \"p\" (with args of \"a\"): Failed! Exit Code: 3221225477");
    EXPECT_EQ(ProcessOutcomeLine(L"p", L"a", std::nullopt),
              L"[Process Runner] Executed \"p\" (with args of \"a\"): Unknown Exit Code!");
}

// Which address is pinned to what, and the lower-case hex, the downloads of the end-to-end rows
// and of held_files_test show.
TEST(Prerequisites, PinnedDigestsAreComparedStrictly) {
    EXPECT_TRUE(DigestMatches(L"00ab12ff", L"00AB12FF"));
    EXPECT_FALSE(DigestMatches(L"00ab12ff", L"00ab12fe"));
    EXPECT_FALSE(DigestMatches(L"00ab12ff", L"00ab12f"));
    EXPECT_FALSE(DigestMatches(L"", L""));                  // a failed hash never matches
    EXPECT_FALSE(DigestMatches(L"00ab12ff", L"00ab12ff ")); // nor a digest with stray characters
}

} // namespace
} // namespace orbalt
