#include "driver/operations_win.h"

#include <objbase.h>

#include "core/account.h"
#include "core/win.h"
#include "deployment/deployment.h"
#include "driver/elevation.h"
#include "launch/launch.h"
#include "prerequisites/prerequisites.h"
#include "reporting/reporting.h"
#include "system/sideloading.h"
#include "window/status_window.h"

namespace orbalt {

Operations RealOperations(HINSTANCE instance) {
    Operations ops;
    ops.StartReporting = [instance](bool logRequired) { StartReporting(instance, logRequired); };
    ops.LogLine = LogLine;
    ops.EndReporting = EndReporting;
    ops.ReportError = ReportError;
    ops.SetStatusText = SetStatusText;
    ops.SetProgress = SetProgress;
    ops.OpenLogFile = OpenLogFile;
    ops.IsWindowsVersionSupported = IsWindowsVersionSupported;
    ops.InitializeCom = [] { ThrowIfFailed(CoInitializeEx(nullptr, COINIT_MULTITHREADED)); };
    ops.IsRunningAsSystem = IsRunningAsSystem;
    ops.IsTokenElevated = IsTokenElevated;
    ops.RunElevatedCopy = RunElevatedCopy;
    ops.ShowStatusWindow = ShowStatusWindow;
    ops.IsSideloadingDisabled = IsSideloadingDisabled;
    ops.EnableSideloading = EnableSideloading;
    ops.CheckDeploymentService = CheckDeploymentService;
    ops.IsDotNetRuntimeInstalled = IsDotNetRuntimeInstalled;
    ops.IsPackageInstalled = IsPackageInstalled;
    ops.DownloadFile = DownloadFile;
    ops.FileExists = FileExists;
    ops.RunProcess = RunProcess;
    ops.ExtractResource = ExtractResource;
    ops.InstallPackage = InstallPackage;
    ops.StagePackage = StagePackage;
    ops.ProvisionPackage = ProvisionPackage;
    ops.RegisterPackage = RegisterPackage;
    ops.LaunchApp = LaunchApp;
    ops.DeleteFile = [](std::wstring path) {
        ReleaseDownload(path); // a verified download is held against deletion until let go
        DeleteFileW(path.c_str());
    };
    ops.Sleep = [](std::uint32_t ms) { ::Sleep(ms); };
    return ops;
}

} // namespace orbalt
