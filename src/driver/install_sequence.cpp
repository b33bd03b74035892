#include "driver/install_sequence.h"

#include "core/account.h"
#include "core/state.h"
#include "core/text.h"
#include "driver/command_line.h"

namespace orbalt {
namespace {

const wchar_t kFrameworkFamilyName[] = L"Microsoft.VCLibs.140.00.UWPDesktop_8wekyb3d8bbwe";
const wchar_t kFrameworkMinimumVersion[] = L"14.0.33728.0";
const wchar_t kDotNetInstallerArguments[] = L"/install /quiet /norestart";
const wchar_t kUnknownError[] = L"Unknown Error";
const std::uint32_t kPauseAfterElevatedCopy = 5000;

const wchar_t kDotNetManualLine[] =
    L"Try downloading and installing the .NET Runtime using the following link manually: ";
const wchar_t kFrameworkManualLine[] =
    L"Try downloading and installing the C++ Runtime Framework using the following link manually: ";
const wchar_t kInstallFailedText[] = L"Unable to install Orbalt, please try again. Check the logs for more information.";

class Sequence {
public:
    Sequence(const Operations& ops, const SequenceConstants& constants) : ops_(ops), constants_(constants) {}

    std::uint32_t Run() {
        ops_.StartReporting(true);
        for (const std::wstring& line : RunBannerLines()) {
            ops_.LogLine(line);
        }
        if (!ops_.IsWindowsVersionSupported()) {
            return PlainStop(L"Version Not Supported",
                             L"You need at least Windows 10 20H1 - May 2020 Update (10.0.19041) to install Orbalt.");
        }
        ops_.InitializeCom();
        bool system = ops_.IsRunningAsSystem();
        bool elevated = ops_.IsTokenElevated();
        RunAccount = AccountOf(system, elevated);
        return elevated || system ? ElevatedBranch() : NonElevatedBranch();
    }

private:
    std::uint32_t PlainStop(const std::wstring& title, const std::wstring& text) {
        ops_.ReportError(title, text);
        ops_.EndReporting();
        return 1;
    }

    std::uint32_t ManualDownloadStop(const std::wstring& title, const std::wstring& text,
                                     const std::wstring& manualLine) {
        ops_.ReportError(title, text);
        ops_.LogLine(manualLine);
        ops_.EndReporting();
        ops_.OpenLogFile();
        return 1;
    }

    std::uint32_t PackageFailureStop(const std::wstring& title, const std::wstring& sentence,
                                     const std::wstring& errorText) {
        ops_.ReportError(title, sentence + L"\n\n" + errorText);
        ops_.EndReporting();
        ops_.OpenLogFile();
        return 1;
    }

    std::uint32_t ElevatedBranch() {
        if (ops_.IsSideloadingDisabled()) {
            ops_.LogLine(L"MSIX side loading is disabled on this users system. This is likely leftover configuration "
                         L"before Microsoft changed the defaults. Enabling so Orbalt can install...");
            ops_.EnableSideloading();
        }
        if (ops_.CheckDeploymentService()) {
            return PlainStop(L"System Restart Required",
                             L"The APPX Deployment Service was disabled. This service is required for Orbalt to check "
                             L"which dependences are required, and to install. Orbalt has enabled the service again, "
                             L"but your computer must be restarted for this change to take effect.");
        }
        ops_.SetProgress(0.0);
        bool dotNetPresent = ops_.IsDotNetRuntimeInstalled();
        bool frameworkPresent =
            ops_.IsPackageInstalled(kFrameworkFamilyName, ParsePackageVersion(kFrameworkMinimumVersion));

        DownloadCount = (dotNetPresent ? 0 : 1) + (frameworkPresent ? 0 : 1);
        DownloadNumber = 0;
        const std::wstring dotNetManual = kDotNetManualLine + constants_.dotNetUrl;
        const std::wstring frameworkManual = kFrameworkManualLine + constants_.frameworkUrl;

        std::wstring dotNetInstaller;
        if (!dotNetPresent) {
            DownloadNumber = 1;
            ops_.LogLine(L"Downloading .NET Runtime...");
            dotNetInstaller = ops_.DownloadFile(constants_.dotNetUrl, L"netdesktopruntime.exe");
            if (!ops_.FileExists(dotNetInstaller)) {
                return ManualDownloadStop(L".NET Runtime Download Failed",
                                          L"Unable to download the .NET Runtime which is required for Orbalt, please "
                                          L"try again (are you connected to the internet?). Check the logs for more "
                                          L"information.",
                                          dotNetManual);
            }
        }
        std::wstring frameworkPackage;
        if (!frameworkPresent) {
            DownloadNumber += 1;
            ops_.LogLine(L"Downloading C++ Runtime Framework...");
            frameworkPackage = ops_.DownloadFile(constants_.frameworkUrl, L"vclibs.appx");
            if (!ops_.FileExists(frameworkPackage)) {
                return ManualDownloadStop(L"C++ Runtime Framework Download Failed",
                                          L"Unable to download the C++ Runtime Framework which is required for Orbalt, "
                                          L"please try again (are you connected to the internet?). Check the logs for "
                                          L"more information.",
                                          frameworkManual);
            }
        }

        ops_.SetProgress(100.0);
        ops_.SetStatusText(L"Installing dependencies...");
        ops_.LogLine(L"Installing dependencies...");

        if (!dotNetPresent) {
            ops_.LogLine(L"Installing .NET Runtime...");
            if (!ops_.RunProcess(dotNetInstaller, kDotNetInstallerArguments)) {
                return ManualDownloadStop(L".NET Runtime Install Failed",
                                          L"Unable to install the .NET Runtime which is required for Orbalt, please "
                                          L"try again. Check the logs for more information.",
                                          dotNetManual);
            }
            ops_.DeleteFile(dotNetInstaller);
        }
        if (!frameworkPresent) {
            ops_.LogLine(L"Installing C++ Runtime Framework...");
            std::wstring errorText = kUnknownError;
            if (!ops_.InstallPackage(frameworkPackage, errorText, kDeploymentOptionsNone)) {
                return ManualDownloadStop(L"C++ Runtime Framework Install Failed",
                                          L"Unable to install the C++ Runtime Framework which is required for Orbalt, "
                                          L"please try again. Check the logs for more information.\n\n" +
                                              errorText,
                                          frameworkManual);
            }
            ops_.DeleteFile(frameworkPackage);
        }

        ops_.SetStatusText(L"Installing Orbalt...");
        ops_.LogLine(L"Installing Orbalt...");
        std::wstring package = ops_.ExtractResource(L"MSIX_ORBALT", L"MSIX");
        std::wstring errorText = kUnknownError;
        if (ProvisionMode) {
            if (!ops_.StagePackage(package, errorText)) {
                ops_.DeleteFile(package);
                return PackageFailureStop(
                    L"Orbalt Stage Failed",
                    L"Unable to stage Orbalt, please try again. Check the logs for more information.", errorText);
            }
            std::wstring provisionError = kUnknownError;
            if (!ops_.ProvisionPackage(constants_.appPackageFamilyName, provisionError)) {
                // Reported, but the staged package is still usable: the run ends as a success.
                ops_.ReportError(L"Orbalt Provision Failed",
                                 L"Unable to provision Orbalt, please try again. Check the logs for more "
                                 L"information.\n\n" +
                                     provisionError);
            }
        } else if (!ops_.InstallPackage(package, errorText, kForceTargetApplicationShutdown)) {
            ops_.DeleteFile(package);
            return PackageFailureStop(L"Orbalt Install Failed", kInstallFailedText, errorText);
        }

        ops_.DeleteFile(package);
        if (OutputMode != Mode::Silent && !ProvisionMode) {
            ops_.LaunchApp();
        }
        ops_.EndReporting();
        return 0;
    }

    std::uint32_t NonElevatedBranch() {
        ElevationOutcome outcome = ops_.RunElevatedCopy();
        switch (outcome.result) {
        case ElevationResult::NotStarted:
            return PlainStop(L"Self Elevation Error", L"An error occurred while self elevating the Orbalt installer.");
        case ElevationResult::NoProcessHandle:
            ops_.EndReporting();
            return 0;
        case ElevationResult::Finished:
            break;
        }
        if (outcome.exitCode != 0) {
            ops_.EndReporting(); // the elevated copy has shown its own notice
            return outcome.exitCode;
        }
        ops_.SetStatusText(L"Installing Orbalt...");
        ops_.LogLine(L"Installing Orbalt...");
        ops_.ShowStatusWindow();
        ops_.Sleep(kPauseAfterElevatedCopy);
        std::wstring errorText = kUnknownError;
        if (!ops_.RegisterPackage(constants_.appPackageFullName, errorText)) {
            return PackageFailureStop(L"Orbalt Install Failed", kInstallFailedText, errorText);
        }
        ops_.LaunchApp();
        ops_.EndReporting();
        return 0;
    }

    const Operations& ops_;
    const SequenceConstants& constants_;
};

} // namespace

void ShowHelpScreen(const Operations& ops) {
    OutputMode = Mode::Verbose;
    ops.StartReporting(false); // the help is shown even where no log can be written
    for (const std::wstring& line : HelpScreenLines()) {
        ops.LogLine(line);
    }
    ops.EndReporting();
}

std::uint32_t InstallSequence(const std::vector<std::wstring>& args, const Operations& ops,
                              const SequenceConstants& constants) {
    ParsedCommandLine parsed = ParseCommandLine(args);
    if (parsed.showHelp) {
        ShowHelpScreen(ops);
        return 0;
    }
    OutputMode = parsed.outputMode;
    ProvisionMode = parsed.provision;
    return Sequence(ops, constants).Run();
}

void ReportRaisedError(const Operations& ops, std::uint32_t hresult, const std::wstring& message) {
    std::wstring reason = (message.empty() ? L"Error" : message) + L" (" + FormatHex(hresult) + L")";
    ops.ReportError(L"Orbalt Installer Error",
                    L"Unable to install Orbalt because of an unexpected error, please try again. Check the logs for "
                    L"more information.\n\n" +
                        reason);
    ops.EndReporting();
    ops.OpenLogFile();
}

} // namespace orbalt
