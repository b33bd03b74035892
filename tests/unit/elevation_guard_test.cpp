#include <gtest/gtest.h>

#include "core/account.h"
#include "deployment/deployment_rules.h"
#include "driver/elevation_guard.h"
#include "driver/mitigations.h"
#include "launch/launch_rules.h"

namespace orbalt {
namespace {

// The shell record in every mode (SEE_MASK_NOCLOSEPROCESS, 0x40: without a process handle there is
// no exit code to relay; SW_SHOWNORMAL, 1), and what each end of the copy becomes.
TEST(ElevatedCopy, AskedForWithTheElevationPromptInEveryModeAndAnUnknownEndIsAFailure) {
    for (const auto& [mode, parameters] :
         {std::pair{Mode::Gui, L"-p"}, std::pair{Mode::Verbose, L"-pv"}, std::pair{Mode::Silent, L"-pv"}}) {
        const ElevatedCopyRequest request = ElevatedCopyShellRequest(mode);
        EXPECT_EQ(request.verb, L"runas");
        EXPECT_EQ(request.parameters, parameters);
        EXPECT_EQ(request.mask, 0x40u);
        EXPECT_EQ(request.show, 1);
    }
    EXPECT_EQ(ElevatedCopyExitCode(std::nullopt), 1u);
    EXPECT_EQ(ElevatedCopyExitCode(0u), 0u);
    EXPECT_EQ(ElevatedCopyExitCode(4294967295u), 4294967295u);
    EXPECT_EQ(ElevatedCopyExitLine(3221225477u), L"Self-elevated EXE exited with code 3221225477");
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

// The launch's final AsyncStatus: Started 0, Completed 1, Canceled 2, Error 3; an ended operation
// with any other status (or none of them) sends the user to the Start menu.
TEST(Launch, OnlyACompletedLaunchIsQuietAndOnlyACanceledOneRaises) {
    for (const auto& [status, verdict] :
         {std::pair{0, LaunchVerdict::Notice}, std::pair{1, LaunchVerdict::Launched},
          std::pair{2, LaunchVerdict::Canceled}, std::pair{3, LaunchVerdict::Notice},
          std::pair{4, LaunchVerdict::Notice}, std::pair{-1, LaunchVerdict::Notice}}) {
        EXPECT_EQ(JudgeLaunch(status), verdict) << status;
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

// Only a copy that this very installer started with the provision option stops: never a user's own
// run, never one whose parent is another program, a later process under a reused id, or unknown.
TEST(ElevationGuard, StopsOnlyACopyStartedByThisInstaller) {
    const ExecutableIdentity self{L"C:\\Dl\\Orbalt.exe", FileIdentity{1, 99}};
    using F = std::optional<FileIdentity>;
    const struct {
        bool provision;
        const wchar_t* parentPath;
        F parentFile;              // volume and file index, when the parent's image could be opened
        std::uint64_t parentStart; // this run started at 200
        bool stops;
    } table[] = {
        {false, L"C:\\Dl\\Orbalt.exe", F{{1, 99}}, 100, false},
        {true, L"C:\\Dl\\Orbalt.exe", F{{1, 99}}, 100, true},
        {true, L"C:\\Dl\\Orbalt.exe", F{{1, 99}}, 200, true},       // started in the same tick
        {true, L"C:\\Dl\\Orbalt.exe", F{{1, 99}}, 201, false},      // a reused process id
        {true, L"C:\\Windows\\explorer.exe", F{{1, 5}}, 50, false}, // "-p" typed in a shell
        {true, L"C:\\B\\Setup.exe", F{{1, 99}}, 100, true},         // a hard link: the file decides
        {true, L"C:\\Dl\\Orbalt.exe", F{{1, 98}}, 100, false},      // replaced since
        {true, L"C:\\Dl\\Orbalt.exe", F{{2, 99}}, 100, false},      // another volume
        {true, L"c:/dl/ORBALT.EXE", std::nullopt, 100, true},       // unknown file: the path decides
        {true, L"\\\\?\\C:\\Dl\\Orbalt.exe", std::nullopt, 100, true},
        {true, L"C:\\Dl\\Orbalt.exe.bak", std::nullopt, 100, false},
        {true, L"D:\\Dl\\Orbalt.exe", std::nullopt, 100, false},
    };
    for (const auto& row : table) {
        const ParentProcess parent{{row.parentPath, row.parentFile}, row.parentStart};
        EXPECT_EQ(IsUnelevatedElevatedCopy(row.provision, self, 200, parent), row.stops) << row.parentPath;
    }
    // A parent that could not be found out: a user must never be kept from elevating.
    EXPECT_FALSE(IsUnelevatedElevatedCopy(true, self, 200, std::nullopt));
    EXPECT_TRUE(IsSamePath(L"\\\\?\\UNC\\server\\share\\Orbalt.exe", L"\\\\server\\share\\Orbalt.exe"));
    EXPECT_FALSE(IsSamePath(L"", L""));
}

} // namespace
} // namespace orbalt
