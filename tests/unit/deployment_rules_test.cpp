#include <gtest/gtest.h>

#include <string>

#include "deployment/deployment_rules.h"

namespace orbalt {
namespace {

constexpr std::int32_t kOther = static_cast<std::int32_t>(0x80073CF9u); // ERROR_INSTALL_FAILED
constexpr std::int32_t kNone = 0;

struct Row {
    DeploymentKind kind;
    OperationStatus status;
    std::int32_t errorCode;
    std::int32_t extendedErrorCode;
    bool result;
    const wchar_t* errorText; // what the caller's text holds afterwards ("Unknown Error" before)
    const wchar_t* logLine;
};

// The verdicts the end-to-end rows do not show: every code each operation must ignore, and
// registration's (the Wine registration test reads its success and its other user).
TEST(DeploymentRules, JudgingTableOfEveryOperation) {
    using K = DeploymentKind;
    using S = OperationStatus;
    const Row rows[] = {
        // Stage: ErrorCode only; only 0x80073CFB is recognised.
        {K::Stage, S::Error, kOther, kPackageAlreadyExists, false, L"Windows says no",
         L"[Package Stager] Failed to stage package! Error: Windows says no"},
        {K::Stage, S::Error, kPackageInUseByOtherUser, kNone, false, L"Windows says no",
         L"[Package Stager] Failed to stage package! Error: Windows says no"},
        {K::Stage, S::Error, kPackageNeedsAdmin, kNone, false, L"Windows says no",
         L"[Package Stager] Failed to stage package! Error: Windows says no"},
        // AddForUser: ErrorCode only; 0x80073D28 is not recognised.
        {K::AddForUser, S::Error, kPackageAlreadyExists, kNone, true, L"Unknown Error",
         L"[Package Add] Package already installed for the current user!"},
        {K::AddForUser, S::Error, kPackageNeedsAdmin, kNone, false, L"Windows says no",
         L"[Package Add] Failed to add package for current user! Error: Windows says no"},
        {K::AddForUser, S::Error, kOther, kPackageInUseByOtherUser, false, L"Windows says no",
         L"[Package Add] Failed to add package for current user! Error: Windows says no"},
        {K::AddForUser, S::Error, kOther, kPackageAlreadyExists, false, L"Windows says no",
         L"[Package Add] Failed to add package for current user! Error: Windows says no"},
        // Register: either code matches, tried 0x80073CFB, 0x80073D25, 0x80073D28.
        {K::Register, S::Error, kPackageAlreadyExists, kNone, true, L"Unknown Error",
         L"[Package Registrar] Package already registered!"},
        {K::Register, S::Error, kOther, kPackageAlreadyExists, true, L"Unknown Error",
         L"[Package Registrar] Package already registered!"},
        {K::Register, S::Error, kPackageInUseByOtherUser, kNone, false, kOtherUserNotice,
         L"[Package Registrar] Another user is logged in, cannot register package."},
        {K::Register, S::Error, kOther, kPackageNeedsAdmin, true, L"Unknown Error",
         L"[Package Registrar] Package did not register due to required admin privileges, but it should be "
         L"staged and provisioned ready for launch."},
        // Order: 0x80073CFB in one code wins over 0x80073D25 in the other; 0x80073D25 over 0x80073D28.
        {K::Register, S::Error, kPackageInUseByOtherUser, kPackageAlreadyExists, true, L"Unknown Error",
         L"[Package Registrar] Package already registered!"},
        {K::Register, S::Error, kPackageNeedsAdmin, kPackageInUseByOtherUser, false, kOtherUserNotice,
         L"[Package Registrar] Another user is logged in, cannot register package."},
        {K::Register, S::Error, kOther, kOther, false, L"Windows says no",
         L"[Package Registrar] Failed to register package! Error: Windows says no"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.logLine)));
        std::wstring errorText = L"Unknown Error";
        std::wstring line;
        const auto verdict = JudgeDeployment(row.kind, row.status, row.errorCode, row.extendedErrorCode);
        EXPECT_EQ(ApplyDeploymentVerdict(row.kind, verdict, L"Windows says no", errorText, line), row.result);
        EXPECT_EQ(errorText, row.errorText);
        EXPECT_EQ(line, row.logLine);
    }
}

TEST(DeploymentRules, EmptyWindowsTextLeavesTheCallersTextEmpty) {
    for (DeploymentKind kind : {DeploymentKind::Stage, DeploymentKind::Provision, DeploymentKind::Register,
                                DeploymentKind::AddForUser}) {
        std::wstring errorText = L"Unknown Error";
        std::wstring line;
        const auto verdict = JudgeDeployment(kind, OperationStatus::Error, kOther, kNone);
        ASSERT_EQ(verdict, DeploymentVerdict::Failed);
        EXPECT_FALSE(ApplyDeploymentVerdict(kind, verdict, L"", errorText, line));
        EXPECT_EQ(errorText, L"");
        EXPECT_EQ(line.substr(line.size() - 7), L"Error: ");
    }
}

} // namespace
} // namespace orbalt
