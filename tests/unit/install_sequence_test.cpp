#include <gtest/gtest.h>

#include <algorithm>

#include "core/state.h"
#include "driver/install_sequence.h"

namespace orbalt {
namespace {

// A machine that has both prerequisites and on which every package step succeeds, seen through a
// recording operation table: each call the sequence makes becomes one line, with its arguments.
struct Machine {
    bool system = false, elevated = false, registered = true;
    ElevationOutcome copy;
    std::vector<std::wstring> calls;

    std::uint32_t Run(std::vector<std::wstring> args) {
        OutputMode = Mode::Gui;
        ProvisionMode = false;
        RunAccount = Account::Unknown;
        args.insert(args.begin(), L"Orbalt.exe");
        auto rec = [this](std::wstring line) { calls.push_back(std::move(line)); };
        auto ask = [rec](const wchar_t* name, bool answer) {
            return [=] {
                rec(name);
                return answer;
            };
        };
        auto deploy = [rec](const wchar_t* name, bool ok) {
            return [=](std::wstring what, std::wstring& error) {
                rec(name + what + L" " + error);
                if (!ok) {
                    error = L"Windows says no";
                }
                return ok;
            };
        };
        Operations ops;
        ops.StartReporting = [rec](bool logRequired) { rec(logRequired ? L"StartReporting" : L"no log"); };
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
        ops.IsRunningAsSystem = ask(L"IsRunningAsSystem", system);
        ops.IsTokenElevated = ask(L"IsTokenElevated", elevated);
        ops.RunElevatedCopy = [this, rec] {
            rec(L"RunElevatedCopy");
            return copy;
        };
        ops.ShowStatusWindow = [rec] { rec(L"ShowStatusWindow"); };
        ops.IsSideloadingDisabled = [] { return false; };
        ops.CheckDeploymentService = [] { return false; };
        ops.IsDotNetRuntimeInstalled = [] { return true; };
        ops.IsPackageInstalled = [](std::wstring, PackageVersion) { return true; };
        ops.ExtractResource = [rec](std::wstring name, std::wstring type) {
            rec(L"Extract " + name + L" " + type);
            return L"T:\\" + name + L"." + type;
        };
        ops.InstallPackage = [rec](std::wstring path, std::wstring& error, std::uint32_t options) {
            rec(L"Install " + path + L" " + error + L" " + std::to_wstring(options));
            return true;
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

    // The calls from the first one that starts with `first` to the end.
    std::vector<std::wstring> From(const std::wstring& first) const {
        auto it = std::find_if(calls.begin(), calls.end(),
                               [&](const std::wstring& c) { return c.starts_with(first); });
        return {it, calls.end()};
    }
};

// The options as the command line gives them: each output mode, with and without provisioning.
const std::vector<std::vector<std::wstring>> kOptions{{}, {L"-v"}, {L"-s"}, {L"-p"}, {L"-pv"}};

// An elevated token, LocalSystem (whose token is elevated) and LocalSystem without one all take the
// elevated branch: provisioning stages and provisions, anything else installs for the user; only
// Gui and Verbose without provisioning launch.
TEST(InstallSequence, ElevatedBranchForEveryOptionAndAccount) {
    const std::vector<std::wstring> install{L"Install T:\\MSIX_ORBALT.MSIX Unknown Error 64",
                                            L"Delete T:\\MSIX_ORBALT.MSIX"};
    const std::vector<std::wstring> provision{L"Stage T:\\MSIX_ORBALT.MSIX Unknown Error",
                                              L"Provision Tessaly.Orbalt_family Unknown Error",
                                              L"Delete T:\\MSIX_ORBALT.MSIX"};
    struct Expected {
        std::vector<std::wstring> package;
        bool launch;
    };
    const Expected byOption[] = {
        {install, true}, {install, true}, {install, false}, {provision, false}, {provision, false}};
    struct Who {
        bool system, elevated;
        Account account;
    };
    for (const Who a : {Who{false, true, Account::Elevated}, Who{true, true, Account::LocalSystem},
                        Who{true, false, Account::LocalSystem}}) {
        for (std::size_t i = 0; i < kOptions.size(); ++i) {
            SCOPED_TRACE(testing::Message()
                         << "option " << i << " system " << a.system << " elevated " << a.elevated);
            Machine m;
            m.system = a.system;
            m.elevated = a.elevated;
            EXPECT_EQ(m.Run(kOptions[i]), 0u);
            std::vector<std::wstring> tail{L"Progress 100",
                                           L"Status Installing dependencies...",
                                           L"Log Installing dependencies...",
                                           L"Status Installing Orbalt...",
                                           L"Log Installing Orbalt...",
                                           L"Extract MSIX_ORBALT MSIX"};
            tail.insert(tail.end(), byOption[i].package.begin(), byOption[i].package.end());
            if (byOption[i].launch) {
                tail.push_back(L"LaunchApp");
            }
            tail.push_back(L"EndReporting");
            EXPECT_EQ(m.From(L"Progress 100"), tail);
            // Both account checks are asked, in this order, before either answer is tested.
            EXPECT_EQ(m.From(L"InitializeCom").at(1), L"IsRunningAsSystem");
            EXPECT_EQ(m.From(L"InitializeCom").at(2), L"IsTokenElevated");
            EXPECT_EQ(RunAccount, a.account);
        }
    }
}

// Wine's "runas" copy is never elevated: a standard user's run past a good copy is proven here. The
// option changes nothing but the copy's own (elevation_guard_test); the outcome decides.
TEST(InstallSequence, NonElevatedBranchForEveryOptionAndOutcome) {
    const std::wstring installFailed =
        L"Error Orbalt Install Failed | Unable to install Orbalt, please try again. "
        L"Check the logs for more information.\n\nWindows says no";
    const std::vector<std::wstring> registered{L"RunElevatedCopy",
                                               L"Status Installing Orbalt...",
                                               L"Log Installing Orbalt...",
                                               L"ShowStatusWindow",
                                               L"Sleep 5000",
                                               L"Register Tessaly.Orbalt_full Unknown Error",
                                               L"LaunchApp",
                                               L"EndReporting"};
    struct Row {
        ElevationOutcome copy;
        bool registers;
        std::uint32_t exitCode;
        std::vector<std::wstring> tail;
    };
    const Row rows[] = {
        {{ElevationResult::NotStarted, 0},
         true,
         1,
         {L"RunElevatedCopy",
          L"Error Self Elevation Error | An error occurred while self elevating the Orbalt installer.",
          L"EndReporting"}},
        {{ElevationResult::NoProcessHandle, 0}, true, 0, {L"RunElevatedCopy", L"EndReporting"}},
        // The copy has shown its own notice: its code, whatever it is, becomes the run's.
        {{ElevationResult::Finished, 1}, true, 1, {L"RunElevatedCopy", L"EndReporting"}},
        {{ElevationResult::Finished, 3010}, true, 3010, {L"RunElevatedCopy", L"EndReporting"}},
        {{ElevationResult::Finished, 0xC0000005u}, true, 0xC0000005u, {L"RunElevatedCopy", L"EndReporting"}},
        {{ElevationResult::Finished, 0}, true, 0, registered},
        {{ElevationResult::Finished, 0},
         false,
         1,
         {L"Register Tessaly.Orbalt_full Unknown Error", installFailed, L"EndReporting", L"OpenLogFile"}},
    };
    for (const std::vector<std::wstring>& option : kOptions) {
        for (const Row& row : rows) {
            SCOPED_TRACE(testing::PrintToString(option) + " exit " + std::to_string(row.exitCode));
            Machine m;
            m.copy = row.copy;
            m.registered = row.registers;
            EXPECT_EQ(m.Run(option), row.exitCode);
            const std::vector<std::wstring> tail = m.From(row.tail.front());
            EXPECT_EQ(tail, row.tail);
            EXPECT_EQ(RunAccount, Account::Standard);
            // The user's run extracts nothing, so it deletes nothing.
            EXPECT_TRUE(std::none_of(m.calls.begin(), m.calls.end(),
                                     [](const std::wstring& c) { return c.starts_with(L"Delete"); }));
        }
    }
}

} // namespace
} // namespace orbalt
