#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/state.h"
#include "driver/install_sequence.h"

namespace orbalt {
namespace {

// A recording operation table: every call becomes one line, with its arguments. The machine has
// both prerequisites and every package step succeeds unless a row says otherwise.
struct Machine {
    bool system = false, elevated = true, registerOk = true;
    ElevationOutcome elevation{ElevationResult::Finished, 0};
    std::vector<std::wstring> calls;

    Operations Ops() {
        Operations ops;
        auto rec = [this](std::wstring line) { calls.push_back(std::move(line)); };
        auto yes = [] { return true; };
        auto no = [] { return false; };
        ops.StartReporting = [rec](bool logRequired) {
            rec(logRequired ? L"StartReporting" : L"StartReporting without a log");
        };
        ops.LogLine = [rec](std::wstring t) { rec(L"Log " + t); };
        ops.EndReporting = [rec] { rec(L"EndReporting"); };
        ops.ReportError = [rec](std::wstring title, std::wstring text) {
            rec(L"Error " + title + L" | " + text);
        };
        ops.SetStatusText = [rec](std::wstring t) { rec(L"Status " + t); };
        ops.SetProgress = [](double) {};
        ops.OpenLogFile = [rec] { rec(L"OpenLogFile"); };
        ops.IsWindowsVersionSupported = yes;
        ops.InitializeCom = [rec] { rec(L"InitializeCom"); };
        ops.IsRunningAsSystem = [this, rec] {
            rec(L"IsRunningAsSystem");
            return system;
        };
        ops.IsTokenElevated = [this, rec] {
            rec(L"IsTokenElevated");
            return elevated;
        };
        ops.RunElevatedCopy = [this, rec] {
            rec(L"RunElevatedCopy");
            return elevation;
        };
        ops.ShowStatusWindow = [rec] { rec(L"ShowStatusWindow"); };
        ops.IsSideloadingDisabled = no;
        ops.EnableSideloading = [] {};
        ops.CheckDeploymentService = no;
        ops.IsDotNetRuntimeInstalled = yes;
        ops.IsPackageInstalled = [](std::wstring, PackageVersion) { return true; };
        ops.DownloadFile = [](std::wstring, std::wstring name) { return L"T:\\" + name; };
        ops.FileExists = [](std::wstring) { return true; };
        ops.RunProcess = [](std::wstring, std::wstring) { return true; };
        ops.ExtractResource = [](std::wstring name, std::wstring type) {
            return L"T:\\" + name + L"." + type;
        };
        ops.InstallPackage = [](std::wstring, std::wstring&, std::uint32_t) { return true; };
        ops.StagePackage = [](std::wstring, std::wstring&) { return true; };
        ops.ProvisionPackage = [](std::wstring, std::wstring&) { return true; };
        ops.RegisterPackage = [this, rec](std::wstring name, std::wstring& error) {
            rec(L"Register " + name + L" " + error);
            if (!registerOk) {
                error = L"Windows says no";
            }
            return registerOk;
        };
        ops.LaunchApp = [rec] { rec(L"LaunchApp"); };
        ops.DeleteFile = [rec](std::wstring path) { rec(L"Delete " + path); };
        ops.Sleep = [rec](std::uint32_t ms) { rec(L"Sleep " + std::to_wstring(ms)); };
        return ops;
    }

    std::uint32_t Run(std::vector<std::wstring> args) {
        OutputMode = Mode::Gui;
        ProvisionMode = false;
        args.insert(args.begin(), L"Orbalt.exe");
        Operations ops = Ops();
        return InstallSequence(args, ops,
                               {L"https://dotnet.test/rt.exe", L"https://cdn.test/vclibs.appx",
                                L"Tessaly.Orbalt_family", L"Tessaly.Orbalt_full"});
    }

    std::size_t Count(const std::wstring& prefix) const {
        return std::count_if(calls.begin(), calls.end(),
                             [&](const std::wstring& c) { return c.starts_with(prefix); });
    }
};

// What no run under Wine can reach: its "runas" copy is never elevated, nor is any process
// LocalSystem there. Every other path of the sequence is a row of tests/e2e/scenarios.py.
TEST(InstallSequence, PathsOnlyWindowsReaches) {
    const std::wstring install =
        L"Error Orbalt Install Failed | Unable to install Orbalt, please try again. Check the "
        L"logs for more information.\n\n";
    auto copy = [](ElevationResult result, std::uint32_t code, bool registered = true) {
        return [=](Machine& m) {
            m.elevated = false;
            m.elevation = {result, code};
            m.registerOk = registered;
        };
    };
    const std::vector<std::wstring> registered{L"RunElevatedCopy",
                                               L"Status Installing Orbalt...",
                                               L"Log Installing Orbalt...",
                                               L"ShowStatusWindow",
                                               L"Sleep 5000",
                                               L"Register Tessaly.Orbalt_full Unknown Error",
                                               L"LaunchApp",
                                               L"EndReporting"};
    struct Row {
        const char* name;
        std::vector<std::wstring> args;
        std::function<void(Machine&)> setup;
        std::uint32_t exitCode;
        std::vector<std::wstring> tail; // the last calls of the run
    };
    const Row rows[] = {
        {"copy not started",
         {},
         copy(ElevationResult::NotStarted, 0),
         1,
         {L"RunElevatedCopy",
          L"Error Self Elevation Error | An error occurred while self elevating the Orbalt installer.",
          L"EndReporting"}},
        {"copy without a process handle",
         {},
         copy(ElevationResult::NoProcessHandle, 0),
         0,
         {L"RunElevatedCopy", L"EndReporting"}},
        {"copy failed: its code relayed",
         {},
         copy(ElevationResult::Finished, 3221225477u),
         3221225477u,
         {L"RunElevatedCopy", L"EndReporting"}},
        // After a good copy the run registers and launches, Silent or not; "-p" changes nothing.
        {"copy succeeded", {}, copy(ElevationResult::Finished, 0), 0, registered},
        {"copy succeeded, Silent", {L"-s"}, copy(ElevationResult::Finished, 0), 0, registered},
        {"copy succeeded, -p", {L"-p"}, copy(ElevationResult::Finished, 0), 0, registered},
        {"registration failed",
         {},
         copy(ElevationResult::Finished, 0, false),
         1,
         {L"Register Tessaly.Orbalt_full Unknown Error", install + L"Windows says no", L"EndReporting",
          L"OpenLogFile"}},
        // LocalSystem takes the elevated branch even without an elevated token.
        {"LocalSystem",
         {},
         [](Machine& m) {
             m.system = true;
             m.elevated = false;
         },
         0,
         {L"Delete T:\\MSIX_ORBALT.MSIX", L"LaunchApp", L"EndReporting"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Machine m;
        row.setup(m);
        EXPECT_EQ(m.Run(row.args), row.exitCode);
        ASSERT_GE(m.calls.size(), row.tail.size());
        EXPECT_EQ(
            std::vector<std::wstring>(m.calls.end() - static_cast<long>(row.tail.size()), m.calls.end()),
            row.tail);
        EXPECT_EQ(m.Count(L"Error "), row.exitCode == 1 ? 1u : 0u);
        EXPECT_EQ(m.Count(L"Delete "), m.system ? 1u : 0u); // the user's run extracted nothing
        // What opening the log for the user goes by: an unelevated run the user's way, LocalSystem never.
        EXPECT_EQ(RunAccount, m.system ? Account::LocalSystem : Account::Standard);
        // Both account checks are asked, in this order, before either answer is tested.
        auto com = std::find(m.calls.begin(), m.calls.end(), L"InitializeCom");
        ASSERT_LT(com + 2, m.calls.end());
        EXPECT_EQ(*(com + 1), L"IsRunningAsSystem");
        EXPECT_EQ(*(com + 2), L"IsTokenElevated");
    }
}

} // namespace
} // namespace orbalt
