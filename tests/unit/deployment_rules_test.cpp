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
    enum Meaning { Done = 2, OtherUser, Admin, No }; // each the index of its line below
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
    const std::int32_t codes[] = {0, Hr(0x80073CFB), Hr(0x80073D25), Hr(0x80073D28), Hr(0x80073CF9)};
    for (std::size_t k = 0; k < 4; ++k) {
        const Rule& op = rules[k];
        EXPECT_EQ(PreparingLine(op.kind), lines[k][0]);
        for (int status : {0, 1, 3}) { // AsyncStatus Started, Completed, Error (Canceled is raised before)
            for (std::int32_t error : codes) {
                for (std::int32_t extended : codes) {
                    int line = status == 1 ? 1 : No;
                    for (int i = 2; i >= 0 && line != 1; --i) { // the first in the order wins
                        if (op.meaning[i] != No && ((op.readsError && error == recognised[i]) ||
                                                    (op.readsExtended && extended == recognised[i]))) {
                            line = op.meaning[i];
                        }
                    }
                    for (const std::wstring windows : {L"Windows says no", L""}) {
                        std::wstring errorText = L"Unknown Error", logLine;
                        const DeploymentVerdict verdict =
                            JudgeDeployment(op.kind, static_cast<OperationStatus>(status), error, extended);
                        EXPECT_EQ(ApplyDeploymentVerdict(op.kind, verdict, windows, errorText, logLine),
                                  line != OtherUser && line != No);
                        EXPECT_EQ(errorText, line == No ? windows
                                             : line == OtherUser
                                                 ? L"Orbalt cannot apply this update because "
                                                   L"another user is signed in with the app "
                                                   L"running. Please sign out all other users "
                                                   L"and try again."
                                                 : L"Unknown Error");
                        EXPECT_EQ(logLine, lines[k][line] + (line == No ? windows : L""))
                            << lines[k][0] << " status " << status << std::hex << " codes " << error << " "
                            << extended;
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
    auto judge = [&](std::int32_t architecture, const std::wstring& family, PackageVersion version) {
        std::string reads;
        const InstalledPackageVerdict verdict = JudgeInstalledPackage(
            [&] { return reads += 'a', architecture; }, [&] { return reads += 'f', family; },
            [&] { return reads += 'v', version; }, vclibs, ParsePackageVersion(L"14.0.33728.0"));
        return std::pair{verdict, reads};
    };
    using V = InstalledPackageVerdict;
    for (const auto& [version, verdict] : {std::pair{PackageVersion{14, 0, 33728, 0}, V::Found},
                                           {{14, 0, 33728, 1}, V::Found},
                                           {{14, 0, 33729, 0}, V::Found},
                                           {{14, 1, 0, 0}, V::Found},
                                           {{15, 0, 0, 0}, V::Found},
                                           {{14, 0, 33727, 65535}, V::TooOld},
                                           {{14, 0, 30000, 0}, V::TooOld},
                                           {{13, 65535, 65535, 65535}, V::TooOld}}) {
        EXPECT_EQ(judge(9, vclibs, version), std::pair(verdict, std::string("afv")))
            << FormatPackageVersion(version);
    }
    // X86 0, Arm 5, Neutral 11, Arm64 12, X86OnArm64 14, Unknown 65535
    for (std::int32_t architecture : {0, 5, 11, 12, 14, 65535}) {
        EXPECT_EQ(judge(architecture, vclibs, {99, 0, 0, 0}), std::pair(V::Skipped, std::string("a")))
            << architecture;
    }
    for (const std::wstring family :
         {L"microsoft.vclibs.140.00.uwpdesktop_8wekyb3d8bbwe", L"Microsoft.VCLibs.140.00.UWPDesktop",
          L"Microsoft.VCLibs.140.00.UWPDesktop_8wekyb3d8bbwe ", L""}) {
        EXPECT_EQ(judge(9, family, {99, 0, 0, 0}), std::pair(V::Skipped, std::string("af")));
    }
}

} // namespace
} // namespace orbalt
