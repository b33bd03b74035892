#include <gtest/gtest.h>

#include <string>

#include "deployment/deployment_rules.h"

namespace orbalt {
namespace {

constexpr std::int32_t Hr(std::uint32_t code) {
    return static_cast<std::int32_t>(code);
}

// Every operation over every final status and every pair of codes it may be handed: each of the
// three recognised results (ERROR_PACKAGE_ALREADY_EXISTS, ERROR_SINGLETON_RESOURCE_INSTALLED_IN_
// ACTIVE_USER, ERROR_PACKAGED_SERVICE_REQUIRES_ADMIN_PRIVILEGES as HRESULTs), another failure and
// none, in ErrorCode and in ExtendedErrorCode. Completed is a success whatever the codes; otherwise
// the codes are tried in the order below, each where the operation recognises it and in the codes
// it reads, and anything else is a failure with Windows' text.
TEST(DeploymentRules, EveryOperationStatusAndCode) {
    enum Meaning { No, Done, OtherUser, Admin };
    const std::int32_t recognised[3] = {Hr(0x80073CFB), Hr(0x80073D25), Hr(0x80073D28)};
    struct Rule {
        DeploymentKind kind;
        bool readsError, readsExtended;
        Meaning meaning[3]; // of each recognised code, in that order
    };
    const Rule rules[] = {{DeploymentKind::Stage, true, false, {Done, No, No}},
                          {DeploymentKind::Provision, false, false, {No, No, No}},
                          {DeploymentKind::AddForUser, true, false, {Done, OtherUser, No}},
                          {DeploymentKind::Register, true, true, {Done, OtherUser, Admin}}};
    // Each one's lines: preparing, success, already done, another user, admin rights, failure.
    const wchar_t* const lines[][6] = {
        {L"[Package Stager] Preparing to stage package on the system...",
         L"[Package Stager] Package successfully staged!", L"[Package Stager] Package already staged!",
         nullptr, nullptr, L"[Package Stager] Failed to stage package! Error: "},
        {L"[Package Provisioner] Preparing to provision package on the system...",
         L"[Package Provisioner] Package successfully provisioned!", nullptr, nullptr, nullptr,
         L"[Package Provisioner] Failed to provision package! Error: "},
        {L"[Package Add] Preparing to add package for the current user...",
         L"[Package Add] Package successfully installed for the current user!",
         L"[Package Add] Package already installed for the current user!",
         L"[Package Add] Another user is logged in, cannot register package.", nullptr,
         L"[Package Add] Failed to add package for current user! Error: "},
        {L"[Package Registrar] Preparing to register package for user...",
         L"[Package Registrar] Package successfully registered!",
         L"[Package Registrar] Package already registered!",
         L"[Package Registrar] Another user is logged in, cannot register package.",
         L"[Package Registrar] Package did not register due to required admin privileges, but it should be "
         L"staged "
         L"and provisioned ready for launch.",
         L"[Package Registrar] Failed to register package! Error: "}};
    const std::wstring otherUserNotice =
        L"Orbalt cannot apply this update because another user is signed in with "
        L"the app running. Please sign out all other users and try again.";
    const std::int32_t codes[] = {0, Hr(0x80073CFB), Hr(0x80073D25), Hr(0x80073D28), Hr(0x80073CF9)};
    for (std::size_t k = 0; k < 4; ++k) {
        const Rule& op = rules[k];
        const wchar_t* const* line = lines[k];
        EXPECT_EQ(PreparingLine(op.kind), line[0]);
        for (OperationStatus status :
             {OperationStatus::Started, OperationStatus::Completed, OperationStatus::Error}) {
            for (std::int32_t error : codes) {
                for (std::int32_t extended : codes) {
                    for (const std::wstring windowsText : {L"Windows says no", L""}) {
                        SCOPED_TRACE(testing::Message() << line[0] << " status " << static_cast<int>(status)
                                                        << std::hex << " codes " << error << " " << extended);
                        Meaning meaning = No;
                        for (int i = 2; i >= 0; --i) { // the first in the order wins
                            if (op.meaning[i] != No && ((op.readsError && error == recognised[i]) ||
                                                        (op.readsExtended && extended == recognised[i]))) {
                                meaning = op.meaning[i];
                            }
                        }
                        bool result =
                            status == OperationStatus::Completed || (meaning != No && meaning != OtherUser);
                        std::wstring text = L"Unknown Error", expected = line[1];
                        if (status != OperationStatus::Completed) {
                            expected = meaning == Done        ? line[2]
                                       : meaning == OtherUser ? line[3]
                                       : meaning == Admin     ? line[4]
                                                              : line[5] + windowsText;
                            text = meaning == OtherUser ? otherUserNotice
                                   : meaning == No      ? windowsText
                                                        : text;
                        }
                        std::wstring errorText = L"Unknown Error", logLine;
                        const DeploymentVerdict verdict = JudgeDeployment(op.kind, status, error, extended);
                        EXPECT_EQ(ApplyDeploymentVerdict(op.kind, verdict, windowsText, errorText, logLine),
                                  result);
                        EXPECT_EQ(errorText, text);
                        EXPECT_EQ(logLine, expected);
                    }
                }
            }
        }
    }
}

// Only an X64 (9) package of exactly the family, read no further than needed, and the version
// order at its boundaries: the first field that differs decides, and the minimum itself is enough.
TEST(DeploymentRules, InstalledPackageQueryOverArchitecturesFamiliesAndVersions) {
    const std::wstring vclibs = L"Microsoft.VCLibs.140.00.UWPDesktop_8wekyb3d8bbwe";
    struct Row {
        std::int32_t architecture; // X86 0, Arm 5, X64 9, Neutral 11, Arm64 12, X86OnArm64 14, Unknown 65535
        std::wstring family;
        PackageVersion version;
        InstalledPackageVerdict verdict;
        const char* reads;
    };
    using V = InstalledPackageVerdict;
    const Row rows[] = {
        {9, vclibs, {14, 0, 33728, 0}, V::Found, "afv"},
        {9, vclibs, {14, 0, 33728, 1}, V::Found, "afv"},
        {9, vclibs, {14, 0, 33729, 0}, V::Found, "afv"},
        {9, vclibs, {14, 1, 0, 0}, V::Found, "afv"},
        {9, vclibs, {15, 0, 0, 0}, V::Found, "afv"},
        {9, vclibs, {14, 0, 33727, 65535}, V::TooOld, "afv"},
        {9, vclibs, {14, 0, 30000, 0}, V::TooOld, "afv"},
        {9, vclibs, {13, 65535, 65535, 65535}, V::TooOld, "afv"},
        {9, vclibs, {0, 0, 0, 0}, V::TooOld, "afv"},
        {0, vclibs, {99, 0, 0, 0}, V::Skipped, "a"},
        {5, vclibs, {99, 0, 0, 0}, V::Skipped, "a"},
        {11, vclibs, {99, 0, 0, 0}, V::Skipped, "a"},
        {12, vclibs, {99, 0, 0, 0}, V::Skipped, "a"},
        {14, vclibs, {99, 0, 0, 0}, V::Skipped, "a"},
        {65535, vclibs, {99, 0, 0, 0}, V::Skipped, "a"},
        {9, L"microsoft.vclibs.140.00.uwpdesktop_8wekyb3d8bbwe", {99, 0, 0, 0}, V::Skipped, "af"},
        {9, L"Microsoft.VCLibs.140.00.UWPDesktop", {99, 0, 0, 0}, V::Skipped, "af"},
        {9, vclibs + L" ", {99, 0, 0, 0}, V::Skipped, "af"},
        {9, L"", {99, 0, 0, 0}, V::Skipped, "af"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.architecture << " " << testing::PrintToString(row.family)
                                        << " " << FormatPackageVersion(row.version));
        std::string reads;
        const V verdict = JudgeInstalledPackage(
            [&] { return reads += 'a', row.architecture; }, [&] { return reads += 'f', row.family; },
            [&] { return reads += 'v', row.version; }, vclibs, ParsePackageVersion(L"14.0.33728.0"));
        EXPECT_EQ(verdict, row.verdict);
        EXPECT_EQ(reads, row.reads);
    }
}

} // namespace
} // namespace orbalt
