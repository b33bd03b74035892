// The install sequence's whole contract with the other subsystems: one entry per operation it
// calls. driver/operations_win.cpp binds the real ones; tests bind recording fakes.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "deployment/package_version.h"

namespace orbalt {

enum class ElevationResult { NotStarted, NoProcessHandle, Finished };

struct ElevationOutcome {
    ElevationResult result = ElevationResult::NotStarted;
    std::uint32_t exitCode = 0; // meaningful for Finished only
};

// DeploymentOptions values the driver passes.
inline constexpr std::uint32_t kDeploymentOptionsNone = 0;
inline constexpr std::uint32_t kForceTargetApplicationShutdown = 64;

struct Operations {
    // Reporting
    // With `logRequired`, a temp folder unfit for the log raises; without, the run goes on without a log.
    std::function<void(bool logRequired)> StartReporting;
    std::function<void(std::wstring)> LogLine;
    std::function<void()> EndReporting;
    std::function<void(std::wstring, std::wstring)> ReportError;
    std::function<void(std::wstring)> SetStatusText;
    std::function<void(double)> SetProgress;
    std::function<void()> OpenLogFile;
    // Platform start-up and account checks
    std::function<bool()> IsWindowsVersionSupported;
    std::function<void()> InitializeCom;
    std::function<bool()> IsRunningAsSystem;
    std::function<bool()> IsTokenElevated;
    std::function<ElevationOutcome()> RunElevatedCopy;
    std::function<void()> ShowStatusWindow;
    // System preparation
    std::function<bool()> IsSideloadingDisabled;
    std::function<void()> EnableSideloading;
    std::function<bool()> CheckDeploymentService;
    // Prerequisites
    std::function<bool()> IsDotNetRuntimeInstalled;
    std::function<bool(std::wstring, PackageVersion)> IsPackageInstalled;
    std::function<std::wstring(std::wstring, std::wstring)> DownloadFile;
    std::function<bool(std::wstring)> FileExists;
    std::function<bool(std::wstring, std::wstring)> RunProcess;
    std::function<std::wstring(std::wstring, std::wstring)> ExtractResource;
    // Package deployment and launch
    std::function<bool(std::wstring, std::wstring&, std::uint32_t)> InstallPackage;
    std::function<bool(std::wstring, std::wstring&)> StagePackage;
    std::function<bool(std::wstring, std::wstring&)> ProvisionPackage;
    std::function<bool(std::wstring, std::wstring&)> RegisterPackage;
    std::function<void()> LaunchApp;
    // Plain platform calls whose results the driver ignores
    std::function<void(std::wstring)> DeleteFile;
    std::function<void(std::uint32_t)> Sleep;
};

} // namespace orbalt
