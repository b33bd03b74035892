#include <gtest/gtest.h>

#include "core/state.h"
#include "driver/install_sequence.h"

namespace orbalt {
namespace {

// A machine that has both prerequisites and on which every package step succeeds but, where a row
// says so, registration, seen through a recording operation table.
struct Machine {
    bool system = false, elevated = false, registered = true;
    ElevationOutcome copy;
    std::wstring calls; // each call the sequence makes, with its arguments, and "; "

    std::uint32_t Run(std::vector<std::wstring> args) {
        OutputMode = Mode::Gui;
        ProvisionMode = false;
        RunAccount = Account::Unknown;
        args.insert(args.begin(), L"Orbalt.exe");
        auto rec = [this](const std::wstring& call) { calls += call + L"; "; };
        auto deploy = [rec](const wchar_t* name, bool ok) {
            return [=](std::wstring what, std::wstring& error) {
                rec(name + what + L" " + error);
                error = ok ? error : L"Windows says no";
                return ok;
            };
        };
        Operations ops;
        ops.StartReporting = [](bool) {};
        ops.LogLine = [rec](std::wstring t) { rec(L"Log " + t); };
        ops.EndReporting = [rec] { rec(L"EndReporting"); };
        ops.ReportError = [rec](std::wstring title, std::wstring text) {
            rec(L"Error " + title + L" | " + text);
        };
        ops.SetStatusText = [rec](std::wstring t) { rec(L"Status " + t); };
        ops.SetProgress = [rec](double p) { rec(L"Progress " + std::to_wstring(static_cast<int>(p))); };
        ops.OpenLogFile = [rec] { rec(L"OpenLogFile"); };
        ops.IsWindowsVersionSupported = [] { return true; };
        ops.InitializeCom = [rec] { rec(L"InitializeCom"); };
        ops.IsRunningAsSystem = [this, rec] { return rec(L"IsRunningAsSystem"), system; };
        ops.IsTokenElevated = [this, rec] { return rec(L"IsTokenElevated"), elevated; };
        ops.RunElevatedCopy = [this, rec] { return rec(L"RunElevatedCopy"), copy; };
        ops.ShowStatusWindow = [rec] { rec(L"ShowStatusWindow"); };
        ops.IsSideloadingDisabled = ops.CheckDeploymentService = [] { return false; };
        ops.IsDotNetRuntimeInstalled = [] { return true; };
        ops.IsPackageInstalled = [](std::wstring, PackageVersion) { return true; };
        ops.ExtractResource = [rec](std::wstring name, std::wstring type) {
            return rec(L"Extract " + name + L" " + type), L"T:\\" + name + L"." + type;
        };
        ops.InstallPackage = [rec](std::wstring path, std::wstring& error, std::uint32_t options) {
            return rec(L"Install " + path + L" " + error + L" " + std::to_wstring(options)), true;
        };
        ops.StagePackage = deploy(L"Stage ", true);
        ops.ProvisionPackage = deploy(L"Provision ", true);
        ops.RegisterPackage = deploy(L"Register ", registered);
        ops.LaunchApp = [rec] { rec(L"LaunchApp"); };
        ops.DeleteFile = [rec](std::wstring path) { rec(L"Delete " + path); };
        ops.Sleep = [rec](std::uint32_t ms) { rec(L"Sleep " + std::to_wstring(ms)); };
        return InstallSequence(args, ops,
                               {L"https://dotnet.test/rt.exe", L"https://cdn.test/vclibs.appx",
                                L"Tessaly.Orbalt_family", L"Tessaly.Orbalt_full"});
    }

    std::wstring From(const std::wstring& call) const {
        return calls.substr(std::min(calls.find(call), calls.size()));
    }
};

// The options as the command line gives them: each output mode, with and without provisioning.
const std::vector<std::vector<std::wstring>> kOptions{{}, {L"-v"}, {L"-s"}, {L"-p"}, {L"-pv"}};

// An elevated token, LocalSystem (whose token is elevated) and LocalSystem without one all take the
// elevated branch: provisioning stages and provisions, anything else installs for the user; only
// Gui and Verbose without provisioning launch. Both account checks are asked, in this order, before
// either answer is tested.
TEST(InstallSequence, ElevatedBranchForEveryOptionAndAccount) {
    const std::wstring start =
        L"InitializeCom; IsRunningAsSystem; IsTokenElevated; Progress 0; Progress 100; "
        L"Status Installing dependencies...; Log Installing dependencies...; "
        L"Status Installing Orbalt...; Log Installing Orbalt...; Extract MSIX_ORBALT MSIX; ";
    const std::wstring install =
        L"Install T:\\MSIX_ORBALT.MSIX Unknown Error 64; Delete T:\\MSIX_ORBALT.MSIX; ";
    const std::wstring provision =
        L"Stage T:\\MSIX_ORBALT.MSIX Unknown Error; Provision Tessaly.Orbalt_family "
        L"Unknown Error; Delete T:\\MSIX_ORBALT.MSIX; ";
    const std::wstring byOption[] = {install + L"LaunchApp; ", install + L"LaunchApp; ", install, provision,
                                     provision};
    for (const auto& [system, elevated, account] : {std::tuple{false, true, Account::Elevated},
                                                    {true, true, Account::LocalSystem},
                                                    {true, false, Account::LocalSystem}}) {
        for (std::size_t i = 0; i < kOptions.size(); ++i) {
            Machine m;
            m.system = system;
            m.elevated = elevated;
            EXPECT_EQ(m.Run(kOptions[i]), 0u) << i << system << elevated;
            EXPECT_EQ(m.From(L"InitializeCom"), start + byOption[i] + L"EndReporting; ")
                << i << system << elevated;
            EXPECT_EQ(RunAccount, account);
        }
    }
}

// Wine's "runas" copy is never elevated: a standard user's run past a good copy is proven here. The
// option changes nothing but the copy's own (elevation_guard_test); the copy's end decides.
TEST(InstallSequence, NonElevatedBranchForEveryOptionAndEndOfTheCopy) {
    const std::wstring relayed = L"RunElevatedCopy; EndReporting; ";
    const std::wstring notStarted =
        L"RunElevatedCopy; Error Self Elevation Error | An error occurred while self "
        L"elevating the Orbalt installer.; EndReporting; ";
    // It extracted nothing, so it deletes nothing.
    const std::wstring registering =
        L"RunElevatedCopy; Status Installing Orbalt...; Log Installing Orbalt...; "
        L"ShowStatusWindow; Sleep 5000; Register Tessaly.Orbalt_full Unknown Error; ";
    const std::wstring failed =
        L"Error Orbalt Install Failed | Unable to install Orbalt, please try again. Check "
        L"the logs for more information.\n\nWindows says no; EndReporting; OpenLogFile; ";
    struct Row {
        ElevationOutcome copy;
        bool registers;
        std::uint32_t exitCode;
        std::wstring calls;
    };
    const Row rows[] = {
        {{ElevationResult::NotStarted, 0}, true, 1, notStarted},
        {{ElevationResult::NoProcessHandle, 0}, true, 0, relayed},
        // The copy has shown its own notice: its code, whatever it is, becomes the run's.
        {{ElevationResult::Finished, 1}, true, 1, relayed},
        {{ElevationResult::Finished, 3010}, true, 3010, relayed},
        {{ElevationResult::Finished, 0xC0000005u}, true, 0xC0000005u, relayed},
        {{ElevationResult::Finished, 0}, true, 0, registering + L"LaunchApp; EndReporting; "},
        {{ElevationResult::Finished, 0}, false, 1, registering + failed},
    };
    for (const std::vector<std::wstring>& option : kOptions) {
        for (const Row& row : rows) {
            Machine m;
            m.copy = row.copy;
            m.registered = row.registers;
            EXPECT_EQ(m.Run(option), row.exitCode) << testing::PrintToString(option);
            EXPECT_EQ(m.From(L"RunElevatedCopy"), row.calls) << testing::PrintToString(option);
            EXPECT_EQ(RunAccount, Account::Standard);
        }
    }
}

// An error raised to the entry: the system's message and the code in hex, or "Error" where the
// system has no message for the code (the end-to-end rows raise only codes it has one for).
TEST(InstallSequence, ARaisedErrorIsReportedWithItsMessageOrErrorAndItsCode) {
    const std::wstring notice =
        L"Error Orbalt Installer Error | Unable to install Orbalt because of an unexpected "
        L"error, please try again. Check the logs for more information.\n\n";
    for (const auto& [message, reason] :
         {std::pair{L"Disk full.", L"Disk full. (0x80070070)"}, std::pair{L"", L"Error (0x80070070)"}}) {
        std::wstring calls;
        Operations ops;
        ops.ReportError = [&](std::wstring title, std::wstring text) {
            calls += L"Error " + title + L" | " + text + L"; ";
        };
        ops.EndReporting = [&] { calls += L"EndReporting; "; };
        ops.OpenLogFile = [&] { calls += L"OpenLogFile; "; };
        ReportRaisedError(ops, 0x80070070u, message);
        EXPECT_EQ(calls, notice + reason + L"; EndReporting; OpenLogFile; ");
    }
}

} // namespace
} // namespace orbalt
