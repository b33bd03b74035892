#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "core/error.h"
#include "core/state.h"
#include "driver/install_sequence.h"

namespace orbalt {
namespace {

const SequenceConstants kConstants{L"https://dotnet.test/rt.exe", L"https://cdn.test/vclibs.appx",
                                   L"Tessaly.Orbalt_family", L"Tessaly.Orbalt_full"};

// A recording operation table: every call becomes one line, with its arguments.
struct Machine {
    bool versionOk = true, system = false, elevated = true, sideloadingDisabled = false, restart = false;
    bool dotNet = true, framework = true, dotNetFile = true, frameworkFile = true;
    bool runOk = true, frameworkInstallOk = true, stageOk = true, provisionOk = true, installOk = true;
    bool registerOk = true;
    std::wstring windowsErrorText = L"Windows says no";
    ElevationOutcome elevation{ElevationResult::Finished, 0};
    std::function<void()> onExtract = [] {};
    std::vector<std::wstring> calls;

    Operations Ops() {
        Operations ops;
        auto rec = [this](std::wstring line) { calls.push_back(std::move(line)); };
        ops.StartReporting = [rec] { rec(L"StartReporting"); };
        ops.LogLine = [rec](std::wstring t) { rec(L"Log " + t); };
        ops.EndReporting = [rec] { rec(L"EndReporting"); };
        ops.ReportError = [rec](std::wstring title, std::wstring text) { rec(L"Error " + title + L" | " + text); };
        ops.SetStatusText = [rec](std::wstring t) { rec(L"Status " + t); };
        ops.SetProgress = [rec](double p) {
            rec(L"Progress " + std::to_wstring(static_cast<int>(p)) + L" of " + std::to_wstring(DownloadNumber) +
                L"/" + std::to_wstring(DownloadCount));
        };
        ops.OpenLogFile = [rec] { rec(L"OpenLogFile"); };
        ops.IsWindowsVersionSupported = [this] { return versionOk; };
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
        ops.IsSideloadingDisabled = [this] { return sideloadingDisabled; };
        ops.EnableSideloading = [rec] { rec(L"EnableSideloading"); };
        ops.CheckDeploymentService = [this] { return restart; };
        ops.IsDotNetRuntimeInstalled = [this] { return dotNet; };
        ops.IsPackageInstalled = [this, rec](std::wstring family, PackageVersion v) {
            rec(L"IsPackageInstalled " + family + L" " + FormatPackageVersion(v));
            return framework;
        };
        ops.DownloadFile = [rec](std::wstring url, std::wstring name) {
            rec(L"Download " + url + L" " + name);
            return L"T:\\" + name;
        };
        ops.FileExists = [this](std::wstring path) { return path.ends_with(L".exe") ? dotNetFile : frameworkFile; };
        ops.RunProcess = [this, rec](std::wstring path, std::wstring args) {
            rec(L"Run " + path + L" " + args);
            return runOk;
        };
        ops.ExtractResource = [this, rec](std::wstring name, std::wstring type) {
            rec(L"Extract " + name + L" " + type);
            onExtract();
            return L"T:\\" + name + L"." + type;
        };
        ops.InstallPackage = [this, rec](std::wstring path, std::wstring& error, std::uint32_t options) {
            rec(L"Install " + path + L" " + error + L" " + std::to_wstring(options));
            bool ok = path.ends_with(L".appx") ? frameworkInstallOk : installOk;
            if (!ok) {
                error = windowsErrorText;
            }
            return ok;
        };
        auto named = [this, rec](const wchar_t* what, bool& ok) {
            return [this, rec, what, &ok](std::wstring input, std::wstring& error) {
                rec(std::wstring(what) + L" " + input + L" " + error);
                if (!ok) {
                    error = windowsErrorText;
                }
                return ok;
            };
        };
        ops.StagePackage = named(L"Stage", stageOk);
        ops.ProvisionPackage = named(L"Provision", provisionOk);
        ops.RegisterPackage = named(L"Register", registerOk);
        ops.LaunchApp = [rec] { rec(L"LaunchApp"); };
        ops.DeleteFile = [rec](std::wstring path) { rec(L"Delete " + path); };
        ops.Sleep = [rec](std::uint32_t ms) { rec(L"Sleep " + std::to_wstring(ms)); };
        return ops;
    }

    std::uint32_t Run(std::vector<std::string> args = {}) {
        OutputMode = Mode::Gui;
        ProvisionMode = false;
        DownloadCount = DownloadNumber = 0;
        args.insert(args.begin(), "Orbalt.exe");
        Operations ops = Ops();
        return InstallSequence(args, ops, kConstants);
    }

    bool Called(const std::wstring& line) const { return std::find(calls.begin(), calls.end(), line) != calls.end(); }
    std::size_t Count(const std::wstring& prefix) const {
        return std::count_if(calls.begin(), calls.end(), [&](const std::wstring& c) { return c.starts_with(prefix); });
    }
    std::vector<std::wstring> Starting(const std::wstring& prefix) const {
        std::vector<std::wstring> out;
        std::copy_if(calls.begin(), calls.end(), std::back_inserter(out),
                     [&](const std::wstring& c) { return c.starts_with(prefix); });
        return out;
    }
    std::wstring Last() const { return calls.empty() ? L"" : calls.back(); }
};

const std::wstring kDotNetManual =
    L"Log Try downloading and installing the .NET Runtime using the following link manually: "
    L"https://dotnet.test/rt.exe";
const std::wstring kFrameworkManual =
    L"Log Try downloading and installing the C++ Runtime Framework using the following link manually: "
    L"https://cdn.test/vclibs.appx";

TEST(InstallSequence, EveryRowOfTheFailureTable) {
    struct Row {
        const char* name;
        std::vector<std::string> args;
        std::function<void(Machine&)> setup;
        std::uint32_t exitCode;
        std::wstring error; // the start of the one notice, or empty for none
        bool opensLog;
        std::wstring manualLine;
    };
    const std::wstring install = L"Error Orbalt Install Failed | Unable to install Orbalt, please try again. Check the "
                                 L"logs for more information.\n\nWindows says no";
    const Row rows[] = {
        {"windows too old", {}, [](Machine& m) { m.versionOk = false; }, 1,
         L"Error Version Not Supported | You need at least Windows 10 20H1 - May 2020 Update (10.0.19041) to install "
         L"Orbalt.",
         false, L""},
        {"copy not started", {}, [](Machine& m) { m.elevated = false, m.elevation = {ElevationResult::NotStarted, 0}; },
         1, L"Error Self Elevation Error | An error occurred while self elevating the Orbalt installer.", false, L""},
        {"copy without handle", {},
         [](Machine& m) { m.elevated = false, m.elevation = {ElevationResult::NoProcessHandle, 0}; }, 0, L"", false,
         L""},
        {"copy failed", {}, [](Machine& m) { m.elevated = false, m.elevation = {ElevationResult::Finished, 3221225477u}; },
         3221225477u, L"", false, L""},
        {".NET download missing", {}, [](Machine& m) { m.dotNet = false, m.dotNetFile = false; }, 1,
         L"Error .NET Runtime Download Failed | Unable to download the .NET Runtime which is required for Orbalt, "
         L"please try again (are you connected to the internet?). Check the logs for more information.",
         true, kDotNetManual},
        {"framework download missing", {}, [](Machine& m) { m.framework = false, m.frameworkFile = false; }, 1,
         L"Error C++ Runtime Framework Download Failed | Unable to download the C++ Runtime Framework which is "
         L"required for Orbalt, please try again (are you connected to the internet?). Check the logs for more "
         L"information.",
         true, kFrameworkManual},
        {".NET installer failed", {}, [](Machine& m) { m.dotNet = false, m.runOk = false; }, 1,
         L"Error .NET Runtime Install Failed | Unable to install the .NET Runtime which is required for Orbalt, please "
         L"try again. Check the logs for more information.",
         true, kDotNetManual},
        {"framework install failed", {}, [](Machine& m) { m.framework = false, m.frameworkInstallOk = false; }, 1,
         L"Error C++ Runtime Framework Install Failed | Unable to install the C++ Runtime Framework which is required "
         L"for Orbalt, please try again. Check the logs for more information.\n\nWindows says no",
         true, kFrameworkManual},
        {"staging failed", {"-p"}, [](Machine& m) { m.stageOk = false; }, 1,
         L"Error Orbalt Stage Failed | Unable to stage Orbalt, please try again. Check the logs for more "
         L"information.\n\nWindows says no",
         true, L""},
        {"provisioning failed", {"-p"}, [](Machine& m) { m.provisionOk = false; }, 0,
         L"Error Orbalt Provision Failed | Unable to provision Orbalt, please try again. Check the logs for more "
         L"information.\n\nWindows says no",
         false, L""},
        {"installation failed", {}, [](Machine& m) { m.installOk = false; }, 1, install, true, L""},
        {"registration failed", {}, [](Machine& m) { m.elevated = false, m.registerOk = false; }, 1, install, true,
         L""},
        {"success", {}, [](Machine&) {}, 0, L"", false, L""},
        {"restart required", {}, [](Machine& m) { m.restart = true; }, 1,
         L"Error System Restart Required | The APPX Deployment Service was disabled. This service is required for "
         L"Orbalt to check which dependences are required, and to install. Orbalt has enabled the service again, but "
         L"your computer must be restarted for this change to take effect.",
         false, L""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Machine m;
        row.setup(m);
        EXPECT_EQ(m.Run(row.args), row.exitCode);
        std::vector<std::wstring> errors = m.Starting(L"Error ");
        if (row.error.empty()) {
            EXPECT_TRUE(errors.empty());
        } else {
            ASSERT_EQ(errors.size(), 1u);
            EXPECT_EQ(errors[0], row.error);
        }
        EXPECT_EQ(m.Count(L"EndReporting"), 1u);
        EXPECT_EQ(m.Called(L"OpenLogFile"), row.opensLog);
        if (row.opensLog) {
            EXPECT_EQ(m.Last(), L"OpenLogFile"); // only after reporting has ended
        } else {
            EXPECT_EQ(m.Last(), L"EndReporting");
        }
        if (!row.manualLine.empty()) {
            auto error = std::find(m.calls.begin(), m.calls.end(), row.error);
            ASSERT_NE(error, m.calls.end());
            EXPECT_EQ(*(error + 1), row.manualLine); // logged after the notice, before the end
            EXPECT_EQ(*(error + 2), L"EndReporting");
        }
    }
}

TEST(InstallSequence, StartOfARun) {
    Machine m;
    m.versionOk = false;
    m.Run({"-s"});
    ASSERT_GE(m.calls.size(), 4u);
    EXPECT_EQ(m.calls[0], L"StartReporting");
    EXPECT_EQ(m.calls[1], L"Log " + std::wstring(52, L'-'));
    EXPECT_EQ(m.calls[2], L"Log ---------------- Orbalt Installer ----------------");
    EXPECT_EQ(m.calls[3], L"Log " + std::wstring(52, L'-'));
    EXPECT_FALSE(m.Called(L"InitializeCom")); // the gate comes first
    EXPECT_EQ(OutputMode, Mode::Silent);

    // Both account checks are always asked, system first, after COM.
    Machine both;
    both.system = true;
    both.Run();
    auto com = std::find(both.calls.begin(), both.calls.end(), L"InitializeCom");
    ASSERT_NE(com, both.calls.end());
    EXPECT_EQ(*(com + 1), L"IsRunningAsSystem");
    EXPECT_EQ(*(com + 2), L"IsTokenElevated");
}

TEST(InstallSequence, HelpScreenRunsNothingElse) {
    for (const char* arg : {"-h", "--help", "/p", "-V"}) {
        Machine m;
        EXPECT_EQ(m.Run({arg}), 0u);
        EXPECT_EQ(OutputMode, Mode::Verbose);
        ASSERT_EQ(m.calls.size(), 11u);
        EXPECT_EQ(m.calls.front(), L"StartReporting");
        EXPECT_EQ(m.calls[1], L"Log " + std::wstring(72, L'-'));
        EXPECT_EQ(m.calls.back(), L"EndReporting");
        EXPECT_FALSE(m.Called(L"InitializeCom"));
    }
}

TEST(InstallSequence, ElevatedPathsByAccount) {
    // LocalSystem with a token that is not elevated still takes the elevated branch.
    Machine system;
    system.system = true;
    system.elevated = false;
    EXPECT_EQ(system.Run(), 0u);
    EXPECT_FALSE(system.Called(L"RunElevatedCopy"));
    EXPECT_TRUE(system.Called(L"LaunchApp"));

    Machine plain;
    plain.elevated = false;
    plain.Run();
    EXPECT_TRUE(plain.Called(L"RunElevatedCopy"));
}

TEST(InstallSequence, BothPrerequisitesMissing) {
    Machine m;
    m.dotNet = m.framework = false;
    m.sideloadingDisabled = true;
    EXPECT_EQ(m.Run(), 0u);
    const std::vector<std::wstring> expected{
        L"Log MSIX side loading is disabled on this users system. This is likely leftover configuration before "
        L"Microsoft changed the defaults. Enabling so Orbalt can install...",
        L"EnableSideloading",
        L"Progress 0 of 0/0",
        L"IsPackageInstalled Microsoft.VCLibs.140.00.UWPDesktop_8wekyb3d8bbwe 14.0.33728.0",
        L"Log Downloading .NET Runtime...",
        L"Download https://dotnet.test/rt.exe netdesktopruntime.exe",
        L"Log Downloading C++ Runtime Framework...",
        L"Download https://cdn.test/vclibs.appx vclibs.appx",
        L"Progress 100 of 2/2",
        L"Status Installing dependencies...",
        L"Log Installing dependencies...",
        L"Log Installing .NET Runtime...",
        L"Run T:\\netdesktopruntime.exe /install /quiet /norestart",
        L"Delete T:\\netdesktopruntime.exe",
        L"Log Installing C++ Runtime Framework...",
        L"Install T:\\vclibs.appx Unknown Error 0",
        L"Delete T:\\vclibs.appx",
        L"Status Installing Orbalt...",
        L"Log Installing Orbalt...",
        L"Extract MSIX_ORBALT MSIX",
        L"Install T:\\MSIX_ORBALT.MSIX Unknown Error 64",
        L"Delete T:\\MSIX_ORBALT.MSIX",
        L"LaunchApp",
        L"EndReporting",
    };
    std::vector<std::wstring> tail(m.calls.end() - static_cast<long>(expected.size()), m.calls.end());
    EXPECT_EQ(tail, expected);
}

TEST(InstallSequence, DownloadNumbering) {
    Machine onlyFramework;
    onlyFramework.framework = false;
    onlyFramework.Run();
    EXPECT_EQ(DownloadCount, 1);
    EXPECT_EQ(DownloadNumber, 1); // the framework download is number 1 of 1
    EXPECT_FALSE(onlyFramework.Called(L"Log Downloading .NET Runtime..."));

    Machine none;
    none.Run();
    EXPECT_EQ(DownloadCount, 0);
    EXPECT_TRUE(none.Called(L"Progress 100 of 0/0"));
    EXPECT_EQ(none.Count(L"Download "), 0u);
}


TEST(InstallSequence, FailedStepsKeepOrDeleteTheirFiles) {
    Machine dotNet;
    dotNet.dotNet = false;
    dotNet.runOk = false;
    dotNet.Run();
    EXPECT_EQ(dotNet.Count(L"Delete "), 0u);

    Machine framework;
    framework.framework = false;
    framework.frameworkInstallOk = false;
    framework.Run();
    EXPECT_EQ(framework.Count(L"Delete "), 0u);
    EXPECT_FALSE(framework.Called(L"Extract MSIX_ORBALT MSIX"));

    // The package file goes before the notice.
    Machine install;
    install.installOk = false;
    install.Run();
    auto del = std::find(install.calls.begin(), install.calls.end(), L"Delete T:\\MSIX_ORBALT.MSIX");
    ASSERT_NE(del, install.calls.end());
    EXPECT_TRUE((del + 1)->starts_with(L"Error Orbalt Install Failed"));
    EXPECT_FALSE(install.Called(L"LaunchApp"));

    Machine stage;
    stage.stageOk = false;
    stage.Run({"-pv"});
    EXPECT_EQ(stage.Count(L"Delete T:\\MSIX_ORBALT.MSIX"), 1u);
    EXPECT_EQ(stage.Count(L"Provision "), 0u);
}

TEST(InstallSequence, ProvisionModeAndSilentNeverLaunch) {
    Machine provision;
    EXPECT_EQ(provision.Run({"-p"}), 0u);
    EXPECT_TRUE(provision.Called(L"Stage T:\\MSIX_ORBALT.MSIX Unknown Error"));
    EXPECT_TRUE(provision.Called(L"Provision Tessaly.Orbalt_family Unknown Error"));
    EXPECT_EQ(provision.Count(L"Install "), 0u);
    EXPECT_FALSE(provision.Called(L"LaunchApp"));
    EXPECT_EQ(provision.Count(L"Delete T:\\MSIX_ORBALT.MSIX"), 1u);

    Machine silent;
    silent.Run({"-s"});
    EXPECT_FALSE(silent.Called(L"LaunchApp"));

    // A provisioning failure still deletes the package and ends as a success.
    Machine failed;
    failed.provisionOk = false;
    EXPECT_EQ(failed.Run({"-pv"}), 0u);
    EXPECT_EQ(failed.Count(L"Delete T:\\MSIX_ORBALT.MSIX"), 1u);
}

TEST(InstallSequence, NonElevatedRunRegistersAndLaunchesEvenWhenSilent) {
    for (const char* arg : {"-s", "-p", "-v"}) {
        Machine m;
        m.elevated = false;
        EXPECT_EQ(m.Run({arg}), 0u) << arg;
        const std::vector<std::wstring> expected{
            L"RunElevatedCopy",  L"Status Installing Orbalt...", L"Log Installing Orbalt...",
            L"ShowStatusWindow", L"Sleep 5000",                  L"Register Tessaly.Orbalt_full Unknown Error",
            L"LaunchApp",        L"EndReporting",
        };
        std::vector<std::wstring> tail(m.calls.end() - static_cast<long>(expected.size()), m.calls.end());
        EXPECT_EQ(tail, expected) << arg;
        EXPECT_EQ(m.Count(L"Delete "), 0u);
        EXPECT_EQ(m.Count(L"Stage "), 0u);
    }
}

TEST(InstallSequence, UnreplacedErrorTextReadsUnknownError) {
    Machine m;
    m.installOk = false;
    m.windowsErrorText = L"Unknown Error";
    m.Run();
    EXPECT_TRUE(m.Starting(L"Error ")[0].ends_with(L"\n\nUnknown Error"));
}

TEST(InstallSequence, RaisedErrorsPassThroughAndGetTheirNotice) {
    Machine m;
    m.onExtract = [] { throw HResultError(static_cast<std::int32_t>(0x80070002u)); };
    Operations ops = m.Ops();
    std::vector<std::string> args{"Orbalt.exe", "-s"};
    try {
        InstallSequence(args, ops, kConstants);
        FAIL() << "the error was swallowed";
    } catch (const HResultError& error) {
        EXPECT_EQ(static_cast<std::uint32_t>(error.code()), 0x80070002u);
    }
    EXPECT_EQ(m.Count(L"EndReporting"), 0u); // the sequence itself ends nothing
    ReportRaisedError(ops, 0x80070002u, L"The system cannot find the file specified.");
    EXPECT_EQ(m.Starting(L"Error ")[0],
              L"Error Orbalt Installer Error | Unable to install Orbalt because of an unexpected error, please try "
              L"again. Check the logs for more information.\n\nThe system cannot find the file specified. "
              L"(0x80070002)");
    EXPECT_EQ(m.calls[m.calls.size() - 2], L"EndReporting");
    EXPECT_EQ(m.Last(), L"OpenLogFile");
}

} // namespace
} // namespace orbalt
