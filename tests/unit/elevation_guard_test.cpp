#include <gtest/gtest.h>

#include "core/account.h"
#include "deployment/deployment_rules.h"
#include "driver/elevation_guard.h"
#include "driver/mitigations.h"
#include "launch/launch_rules.h"

namespace orbalt {
namespace {

TEST(ElevatedCopy, AskedForWithTheElevationPromptAndAnUnknownEndIsAFailure) {
    const ElevatedCopyRequest gui = ElevatedCopyShellRequest(Mode::Gui);
    EXPECT_EQ(gui.verb, L"runas");
    EXPECT_EQ(gui.parameters, L"-p");
    EXPECT_EQ(gui.mask, 0x40u); // without a process handle there is no exit code to relay
    EXPECT_EQ(gui.show, 1);
    EXPECT_EQ(ElevatedCopyShellRequest(Mode::Silent).parameters, L"-pv");
    EXPECT_EQ(ElevatedCopyExitCode(std::nullopt), 1u);
    EXPECT_EQ(ElevatedCopyExitCode(0u), 0u);
    EXPECT_EQ(ElevatedCopyExitLine(ElevatedCopyExitCode(3221225477u)),
              L"Self-elevated EXE exited with code 3221225477");
}

// Wine runs nothing as LocalSystem: what such a run does differently is proven here only.
TEST(LocalSystem, RecognisedByItsSidAndStagesInsteadOfAdding) {
    EXPECT_TRUE(IsLocalSystemSid(L"S-1-5-18"));
    for (const wchar_t* other : {L"S-1-5-19" /* LocalService */, L"S-1-5-20" /* NetworkService */,
                                 L"S-1-5-32-544", L"S-1-5-21-1-2-3-500", L""}) {
        EXPECT_FALSE(IsLocalSystemSid(other)) << other;
    }
    EXPECT_EQ(InstallKind(true), DeploymentKind::Stage);
    EXPECT_EQ(InstallKind(false), DeploymentKind::AddForUser);
}

// Under Wine every run owns its desktop and none is LocalSystem.
TEST(Launch, NoAdministratorsProgramOnAnotherPersonsDesktop) {
    const std::wstring leftToUser =
        L"Not launching Orbalt: this elevated run's account is not the one signed in "
        L"to this desktop. Launching Orbalt is left to the user.";
    const std::wstring system = L"Cannot launch Orbalt as we are running as a system account!";
    const struct {
        Account account;
        bool ownsDesktop;
        std::optional<std::wstring> refusal;
    } table[] = {
        {Account::Standard, true, std::nullopt}, {Account::Standard, false, std::nullopt},
        {Account::Elevated, true, std::nullopt}, {Account::Elevated, false, leftToUser},
        {Account::LocalSystem, true, system},    {Account::LocalSystem, false, system},
        {Account::Unknown, true, leftToUser},    {Account::Unknown, false, leftToUser},
    };
    for (const auto& row : table) {
        EXPECT_EQ(LaunchRefusal(row.account, row.ownsDesktop), row.refusal)
            << static_cast<int>(row.account) << " " << row.ownsDesktop;
    }
}

// Wine accepts both policies and shows neither's effect.
TEST(Mitigations, RedirectionGuardAndActivationContextTrustForEveryPrivilegedRun) {
    // ProcessRedirectionTrustPolicy (16) with EnforceRedirectionTrust, ProcessActivationContextTrustPolicy
    // (19) with AssemblyManifestRedirectionTrust.
    const std::vector<MitigationPolicy> none, both{{16, 1}, {19, 1}};
    for (Account account : {Account::Standard, Account::Elevated, Account::LocalSystem, Account::Unknown}) {
        EXPECT_EQ(MitigationsFor(account), account == Account::Standard ? none : both)
            << static_cast<int>(account);
    }
}

TEST(SamePath, CaseSeparatorsAndLongPathPrefix) {
    EXPECT_TRUE(
        IsSamePath(L"C:\\Users\\Ann\\Downloads\\Orbalt.exe", L"c:\\users\\ann\\downloads\\ORBALT.EXE"));
    EXPECT_TRUE(IsSamePath(L"C:/Users/Ann/Orbalt.exe", L"C:\\Users\\Ann\\Orbalt.exe"));
    EXPECT_TRUE(IsSamePath(L"\\\\?\\C:\\Apps\\Orbalt.exe", L"C:\\Apps\\Orbalt.exe"));
    EXPECT_TRUE(IsSamePath(L"\\\\?\\UNC\\server\\share\\Orbalt.exe", L"\\\\server\\share\\Orbalt.exe"));
    EXPECT_FALSE(IsSamePath(L"C:\\Apps\\Orbalt.exe", L"C:\\Apps\\Orbalt.exe.bak"));
    EXPECT_FALSE(IsSamePath(L"C:\\Apps\\Orbalt.exe", L"D:\\Apps\\Orbalt.exe"));
    EXPECT_FALSE(IsSamePath(L"", L""));
}

TEST(SameExecutable, FileIdentityWinsOverPath) {
    ExecutableIdentity a{L"C:\\A\\Orbalt.exe", FileIdentity{7, 42}};
    ExecutableIdentity hardLink{L"C:\\B\\Setup.exe", FileIdentity{7, 42}};
    ExecutableIdentity replaced{L"C:\\A\\Orbalt.exe", FileIdentity{7, 43}};
    ExecutableIdentity otherVolume{L"C:\\A\\Orbalt.exe", FileIdentity{8, 42}};
    ExecutableIdentity unknown{L"c:\\a\\orbalt.exe", std::nullopt};
    EXPECT_TRUE(IsSameExecutable(a, hardLink));
    EXPECT_FALSE(IsSameExecutable(a, replaced));
    EXPECT_FALSE(IsSameExecutable(a, otherVolume));
    EXPECT_TRUE(IsSameExecutable(a, unknown)); // path decides when one identity is missing
    EXPECT_FALSE(IsSameExecutable(hardLink, unknown));
}

TEST(ElevationGuard, StopsOnlyACopyStartedByThisInstaller) {
    const ExecutableIdentity self{L"C:\\Dl\\Orbalt.exe", FileIdentity{1, 99}};
    const ParentProcess installer{{L"C:\\Dl\\Orbalt.exe", FileIdentity{1, 99}}, 100};
    const ParentProcess explorer{{L"C:\\Windows\\explorer.exe", FileIdentity{1, 5}}, 50};
    const std::uint64_t selfStart = 200;

    // Without the provision option this is a user's own run, even when started by the installer.
    EXPECT_FALSE(IsUnelevatedElevatedCopy(false, self, selfStart, installer));
    // "-p" typed by a user in a shell: the parent is not the installer.
    EXPECT_FALSE(IsUnelevatedElevatedCopy(true, self, selfStart, explorer));
    // The parent could not be found out: a user must never be kept from elevating.
    EXPECT_FALSE(IsUnelevatedElevatedCopy(true, self, selfStart, std::nullopt));
    // A process id reused by an installer started after us is not our parent.
    const ParentProcess later{installer.image, 300};
    EXPECT_FALSE(IsUnelevatedElevatedCopy(true, self, selfStart, later));
    const ParentProcess sameTick{installer.image, selfStart};
    EXPECT_TRUE(IsUnelevatedElevatedCopy(true, self, selfStart, sameTick));
}

} // namespace
} // namespace orbalt
