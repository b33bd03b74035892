"""Every path of a run on the real installer: the simulated deployment service answers, a loopback
server serves the downloads, a fake .NET installer runs, and each scenario checks the exit code,
the log records in order, the files left in the temp folder, what was opened for the user, and
the calls the deployment service received."""
import re
import unittest

from harness import DOTNET_URL, FRAMEWORK_URL, Machine, Scenario, app_identity, windows_temp_folder

FAMILY, FULL_NAME = app_identity()
VCLIBS = "Microsoft.VCLibs.140.00.UWPDesktop_8wekyb3d8bbwe"
OLD_VCLIBS = "installed %s 14.0.30000.0 x64" % VCLIBS
GOOD_VCLIBS = "installed %s 14.0.33728.0 x64" % VCLIBS
APP_ENTRY = "user %s 2.0.22.1414 x64 entries=1" % FAMILY
BANNER = ["-" * 52, "-" * 16 + " Orbalt Installer " + "-" * 16, "-" * 52]
SERVICE_OK = "The APPX Deployment Service is enabled as expected. Continuing..."
CHECKER_ARGS = " -N Microsoft.WindowsDesktop.App -v 8.0.0"
DOTNET_MANUAL = "Try downloading and installing the .NET Runtime using the following link manually: " + DOTNET_URL
FRAMEWORK_MANUAL = ("Try downloading and installing the C++ Runtime Framework using the following link manually: " +
                    FRAMEWORK_URL)
INSTALL_FAILED = "Unable to install Orbalt, please try again. Check the logs for more information."
SIDELOADING = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\AppModelUnlock"
SERVICE = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\AppXSvc"


class Run(Scenario):
    """Expected log records, built from the pieces every run shares."""

    def setUp(self):
        super().setUp()
        self.temp = windows_temp_folder(self.prefix)

    def dotnet_check(self, present):
        checker = self.temp + "EXE_NETCORECHECK.EXE"
        lines = ["[.NET Runtime] Checking to see if '.NET Desktop Runtime', with a minimum version of '8.0.0' is "
                 "installed on the system...",
                 "[Resource Extractor] Attempting to extract EXE_NETCORECHECK to a temporary location (%s)..." % checker]
        executed = '[Process Runner] Executed "%s" (with args of "%s"): ' % (checker, CHECKER_ARGS)
        if present:
            return lines + [executed + "Success!", "[.NET Runtime] .NET Desktop Runtime 8.0.0 is installed!"]
        # No .NET folder at all: the checker's "no runtime found" code.
        return lines + [executed + "Failed! Exit Code: 12289", "[.NET Runtime] Runtime is not installed!"]

    def framework_check(self, present):
        lines = ["[MSIX] Checking to see if package '%s', with a minimum version of '14.0.33728.0' is installed on the "
                 "system..." % VCLIBS]
        if present:
            return lines + ["[MSIX] Found %s. Version: 14.0.33728.0" % VCLIBS]
        return lines + ["[MSIX] Found %s. Version: 14.0.30000.0. But this does NOT match the minimum required version "
                        "of 14.0.33728.0!" % VCLIBS, "[MSIX] Unable to find: " + VCLIBS]

    def start(self, dotnet=True, framework=True):
        return BANNER + [SERVICE_OK] + self.dotnet_check(dotnet) + self.framework_check(framework)

    def download(self, what, url, ok=True):
        lines = ["Downloading %s..." % what, "[Dependency Downloader] Downloading %s ..." % url]
        return lines if ok else lines + ["[Dependency Downloader] Unable to download dependency. Download failed!"]

    def dotnet_install(self, ok=True, code=None):
        installer = self.temp + "netdesktopruntime.exe"
        outcome = "Success!" if ok else "Failed! Exit Code: %d" % code
        return ["Installing .NET Runtime...",
                '[Process Runner] Executed "%s" (with args of "/install /quiet /norestart"): %s' % (installer, outcome)]

    def add(self, outcome="Package successfully installed for the current user!"):
        return ["[Package Add] Preparing to add package for the current user...", "[Package Add] " + outcome]

    def extract_package(self):
        return ["Installing Orbalt...",
                "[Resource Extractor] Attempting to extract MSIX_ORBALT to a temporary location (%sMSIX_ORBALT.MSIX)..."
                % self.temp]

    LAUNCH = ["Launching Orbalt...", "Found app entry, attempting to launch..."]

    def assertLog(self, result, records):
        """Records as written: a LogLine text gets its prefix; a line feed inside a record starts a
        line of its own, without a prefix."""
        lines = []
        for record in records:
            lines += (record if record.startswith("|") else "|LOG|: " + record).split("\n")
        self.assertEqual(result.log, lines)

    def calls(self, result):
        """The deployment service's journal without activations: the calls the installer made."""
        return [line for line in result.journal
                if not line.startswith(("DllGetActivationFactory", "PackageManager.ActivateInstance"))]


class Success(Run):
    def test_both_prerequisites_present_silent(self):
        result = self.run_installer(Machine(scenario=[GOOD_VCLIBS, APP_ENTRY]), "-s")
        self.assertEqual(result.exit_code, 0)
        self.assertLog(result, self.start() + ["Installing dependencies..."] + self.extract_package() + self.add())
        # Silent never launches in the elevated branch; the package file is gone, the checker stays.
        self.assertEqual(result.temp_files, ["EXE_NETCORECHECK.EXE", "Installer.log"])
        self.assertEqual(self.calls(result), [
            "PackageManager.FindPackages",
            'Uri.CreateUri "%sMSIX_ORBALT.MSIX"' % self.temp,
            'PackageManager.AddPackageAsync uri="%sMSIX_ORBALT.MSIX" dependencies=null options=64 -> op1 (early)'
            % self.temp,
            "op1.GetResults",
        ])
        self.assertEqual(result.server_log, [])
        self.assertEqual(result.opened, [])

    def test_both_missing_verbose_downloads_with_one_percentage_and_launches(self):
        machine = Machine(dotnet="missing", scenario=[OLD_VCLIBS, APP_ENTRY,
                                                      "deploy AddPackageAsync match=MSIX_ORBALT timing=late"],
                          chunk_delay=0.01)
        result = self.run_installer(machine, "-v", keys="x")
        self.assertEqual(result.exit_code, 0)
        self.assertLog(result, self.start(dotnet=False, framework=False) +
                       self.download(".NET Runtime", DOTNET_URL) +
                       self.download("C++ Runtime Framework", FRAMEWORK_URL) +
                       ["Installing dependencies..."] + self.dotnet_install() +
                       ["Installing C++ Runtime Framework..."] + self.add() +
                       self.extract_package() + self.add() + self.LAUNCH)
        self.assertEqual(result.dotnet_installer_runs[0].split('" ', 1)[-1].strip(), "/install /quiet /norestart")
        self.assertEqual(result.temp_files, ["EXE_NETCORECHECK.EXE", "Installer.log"])
        # The status texts follow each other on the console with nothing between them: the .NET
        # download covers 0 to 50 %, the framework 50 to 100 %.
        console = result.console.replace("\n", "")
        first = console[console.index(DOTNET_URL):console.index("Downloading C++ Runtime Framework...")]
        second = console[console.index(FRAMEWORK_URL):console.index("Installing dependencies...")]
        first_steps = [int(p) for p in re.findall(r"(\d+)%", first)]
        second_steps = [int(p) for p in re.findall(r"(\d+)%", second)]
        self.assertTrue(first_steps and max(first_steps) <= 50 and first_steps == sorted(first_steps), first_steps)
        self.assertTrue(len(set(first_steps)) > 3, "the percentage did not rise during the download: %s" % first)
        self.assertTrue(all(50 <= p < 100 for p in second_steps), second_steps)
        self.assertIn("Getting ready...", first)
        self.assertIn("Installing...Installing dependencies...", console)
        calls = self.calls(result)
        self.assertIn('PackageManager.AddPackageAsync uri="%svclibs.appx" dependencies=null options=0 -> op1 (early)'
                      % self.temp, calls)
        self.assertIn("op2.put_Completed", calls)  # the late operation was awaited through its handler
        self.assertIn('PackageManager.FindPackagesByUserSecurityIdPackageFamilyName sid="" family="%s"' % FAMILY,
                      calls)
        self.assertEqual(calls[-1], "user[0].entry[0].LaunchAsync -> op3 (early)")

    def test_only_the_framework_missing_gui(self):
        result = self.run_installer(Machine(scenario=[OLD_VCLIBS, APP_ENTRY]))
        self.assertEqual(result.exit_code, 0)
        self.assertLog(result, self.start(framework=False) + self.download("C++ Runtime Framework", FRAMEWORK_URL) +
                       ["Installing dependencies...", "Installing C++ Runtime Framework..."] + self.add() +
                       self.extract_package() + self.add() + self.LAUNCH)
        self.assertEqual(result.boxes, [])
        self.assertNotIn("Press any key", result.console)  # the window was up: no fallback to a console
        self.assertEqual(result.server_log, ["GET /framework/Microsoft.VCLibs.x64.14.00.Desktop.appx 200"])

    def test_provision_mode_stages_provisions_and_never_launches(self):
        result = self.run_installer(Machine(scenario=[GOOD_VCLIBS, "provisioned SomeOther.App_1234567890abc"]), "-pv",
                                    keys="x")
        self.assertEqual(result.exit_code, 0)
        self.assertLog(result, self.start() + ["Installing dependencies..."] + self.extract_package() + [
            "[Package Stager] Preparing to stage package on the system...",
            "[Package Stager] Package successfully staged!",
            "[Package Provisioner] Preparing to provision package on the system...",
            "[Package Provisioner] Package successfully provisioned!",
        ])
        self.assertEqual(self.calls(result)[1:], [
            'Uri.CreateUri "%sMSIX_ORBALT.MSIX"' % self.temp,
            'PackageManager2.StagePackageWithOptionsAsync uri="%sMSIX_ORBALT.MSIX" dependencies=null options=0 '
            '-> op1 (early)' % self.temp,
            "op1.GetResults",
            "PackageManager9.FindProvisionedPackages",
            'PackageManager6.ProvisionPackageForAllUsersAsync family="%s" -> op2 (early)' % FAMILY,
            "op2.GetResults",
        ])
        self.assertEqual(result.temp_files, ["EXE_NETCORECHECK.EXE", "Installer.log"])

    def test_a_leftover_sideloading_ban_is_lifted(self):
        self.prefix.set_dword(SIDELOADING, "AllowAllTrustedApps", 0)
        result = self.run_installer(Machine(scenario=[GOOD_VCLIBS]), "-s")
        self.assertEqual(result.exit_code, 0)
        self.assertEqual(result.log[3], "|LOG|: MSIX side loading is disabled on this users system. This is likely "
                         "leftover configuration before Microsoft changed the defaults. Enabling so Orbalt can install...")
        self.assertEqual(self.prefix.dword(SIDELOADING, "AllowAllTrustedApps"), 1)


class Failures(Run):
    def test_dotnet_download_missing(self):
        # Wine saves a 404 page as the file; only the pinned digest tells it from the installer.
        result = self.run_installer(Machine(dotnet="missing", dotnet_download="missing", scenario=[GOOD_VCLIBS]),
                                    "-v", keys="x")
        self.assertEqual(result.exit_code, 1)
        self.assertLog(result, self.start(dotnet=False) + self.download(".NET Runtime", DOTNET_URL)[:2] + [
            "[Dependency Downloader] The downloaded file does not match its pinned SHA-512 digest. Download refused!",
            "|ERROR|: .NET Runtime Download Failed - Reason: Unable to download the .NET Runtime which is required for "
            "Orbalt, please try again (are you connected to the internet?). Check the logs for more information.",
            DOTNET_MANUAL])
        self.assertEqual(result.temp_files, ["EXE_NETCORECHECK.EXE", "Installer.log"])
        self.assertEqual(result.opened, [self.temp + "Installer.log"])
        self.assertEqual(self.calls(result), ["PackageManager.FindPackages"])

    def test_framework_download_fails_after_a_good_dotnet_download(self):
        result = self.run_installer(Machine(dotnet="missing", framework_download="refused", scenario=[OLD_VCLIBS]),
                                    "-s")
        self.assertEqual(result.exit_code, 1)
        self.assertLog(result, self.start(dotnet=False, framework=False) + self.download(".NET Runtime", DOTNET_URL) +
                       self.download("C++ Runtime Framework", FRAMEWORK_URL, ok=False) + [
            "|ERROR|: C++ Runtime Framework Download Failed - Reason: Unable to download the C++ Runtime Framework "
            "which is required for Orbalt, please try again (are you connected to the internet?). Check the logs for "
            "more information.", FRAMEWORK_MANUAL])
        # Nothing was installed, and the .NET installer stays for a later try.
        self.assertEqual(result.dotnet_installer_runs, [])
        self.assertEqual(result.temp_files, ["EXE_NETCORECHECK.EXE", "Installer.log", "netdesktopruntime.exe"])
        self.assertEqual(result.opened, [])  # Silent opens nothing

    def test_dotnet_installer_fails(self):
        result = self.run_installer(Machine(dotnet="missing", dotnet_exit=1603, scenario=[GOOD_VCLIBS]), "-v",
                                    keys="x")
        self.assertEqual(result.exit_code, 1)
        self.assertLog(result, self.start(dotnet=False) + self.download(".NET Runtime", DOTNET_URL) +
                       ["Installing dependencies..."] + self.dotnet_install(ok=False, code=1603) + [
            "|ERROR|: .NET Runtime Install Failed - Reason: Unable to install the .NET Runtime which is required for "
            "Orbalt, please try again. Check the logs for more information.", DOTNET_MANUAL])
        self.assertEqual(result.temp_files, ["EXE_NETCORECHECK.EXE", "Installer.log", "netdesktopruntime.exe"])
        self.assertEqual(result.opened, [self.temp + "Installer.log"])

    def test_framework_install_fails(self):
        machine = Machine(scenario=[OLD_VCLIBS, "deploy AddPackageAsync match=vclibs status=error code=0x80073CF3 "
                                    "text=Dependency resolution failed."])
        result = self.run_installer(machine, "-v", keys="x")
        self.assertEqual(result.exit_code, 1)
        self.assertLog(result, self.start(framework=False) + self.download("C++ Runtime Framework", FRAMEWORK_URL) +
                       ["Installing dependencies...", "Installing C++ Runtime Framework..."] +
                       self.add("Failed to add package for current user! Error: Dependency resolution failed.") + [
            "|ERROR|: C++ Runtime Framework Install Failed - Reason: Unable to install the C++ Runtime Framework which "
            "is required for Orbalt, please try again. Check the logs for more information.\n\n"
            "Dependency resolution failed.",
            FRAMEWORK_MANUAL])
        self.assertEqual(result.temp_files, ["EXE_NETCORECHECK.EXE", "Installer.log", "vclibs.appx"])
        self.assertEqual(result.opened, [self.temp + "Installer.log"])

    def test_staging_fails_in_provision_mode(self):
        machine = Machine(scenario=[GOOD_VCLIBS, "deploy StagePackageWithOptionsAsync status=error code=0x80073CF0 "
                                    "text=The package could not be opened."])
        result = self.run_installer(machine, "-pv", keys="x")
        self.assertEqual(result.exit_code, 1)
        self.assertLog(result, self.start() + ["Installing dependencies..."] + self.extract_package() + [
            "[Package Stager] Preparing to stage package on the system...",
            "[Package Stager] Failed to stage package! Error: The package could not be opened.",
            "|ERROR|: Orbalt Stage Failed - Reason: Unable to stage Orbalt, please try again. Check the logs for more "
            "information.\n\nThe package could not be opened."])
        self.assertEqual(result.temp_files, ["EXE_NETCORECHECK.EXE", "Installer.log"])  # the package went first
        self.assertEqual(result.opened, [self.temp + "Installer.log"])
        self.assertNotIn("PackageManager9.FindProvisionedPackages", self.calls(result))

    def test_provisioning_failure_is_reported_and_the_run_still_succeeds(self):
        machine = Machine(scenario=[GOOD_VCLIBS, "deploy ProvisionPackageForAllUsersAsync status=error "
                                    "code=0x80073CFB text=Already provisioned elsewhere."])
        result = self.run_installer(machine, "-pv", keys="x")
        self.assertEqual(result.exit_code, 0)
        self.assertEqual(result.log[-4:], [
            "|LOG|: [Package Provisioner] Failed to provision package! Error: Already provisioned elsewhere.",
            "|ERROR|: Orbalt Provision Failed - Reason: Unable to provision Orbalt, please try again. Check the logs "
            "for more information.", "", "Already provisioned elsewhere."])
        self.assertEqual(result.opened, [])  # no log opened on this path
        self.assertEqual(result.temp_files, ["EXE_NETCORECHECK.EXE", "Installer.log"])

    def test_installation_fails_gui_shows_the_box_with_the_window_hidden(self):
        machine = Machine(scenario=[GOOD_VCLIBS, "deploy AddPackageAsync status=error code=0x80073D25 "
                                    "text=In use by another user."])
        result = self.run_installer(machine)
        self.assertEqual(result.exit_code, 1)
        other_user = ("Orbalt cannot apply this update because another user is signed in with the app running. "
                      "Please sign out all other users and try again.")
        self.assertLog(result, self.start() + ["Installing dependencies..."] + self.extract_package() +
                       self.add("Another user is logged in, cannot register package.") + [
            "|ERROR|: Orbalt Install Failed - Reason: " + INSTALL_FAILED + "\n\n" + other_user])
        self.assertEqual(result.boxes, [["Orbalt Install Failed", INSTALL_FAILED + "||" + other_user,
                                         "status window hidden"]])
        self.assertNotIn("Press any key", result.console)
        self.assertEqual(result.temp_files, ["EXE_NETCORECHECK.EXE", "Installer.log"])
        self.assertEqual(result.opened, [self.temp + "Installer.log"])

    def test_disabled_deployment_service_asks_for_a_restart(self):
        self.prefix.set_dword(SERVICE, "Start", 4)
        result = self.run_installer(Machine(), "-s")
        self.assertEqual(result.exit_code, 1)
        self.assertEqual(result.log[3], "|LOG|: The APPX Deployment Service was disabled (Start 4). Set it back to "
                         "start on demand (Start 3); the computer must be restarted before packages can be installed.")
        self.assertTrue(result.log[4].startswith("|ERROR|: System Restart Required - Reason: The APPX Deployment "
                                                 "Service was disabled."))
        self.assertEqual(len(result.log), 5)
        self.assertEqual(self.prefix.dword(SERVICE, "Start"), 3)

    def test_an_unexpected_platform_error_ends_with_its_hresult(self):
        machine = Machine(scenario=[GOOD_VCLIBS, "deploy AddPackageAsync results=0x80070005"])
        result = self.run_installer(machine, "-v", keys="x")
        self.assertEqual(result.exit_code, 0x80070005)
        self.assertEqual(result.log[-4:-1], ["|LOG|: [Package Add] Preparing to add package for the current user...",
                                             "|ERROR|: Orbalt Installer Error - Reason: Unable to install Orbalt "
                                             "because of an unexpected error, please try again. Check the logs for "
                                             "more information.", ""])
        self.assertTrue(result.log[-1].endswith("(0x80070005)"), result.log[-1])
        self.assertEqual(result.opened, [self.temp + "Installer.log"])

    def test_windows_older_than_19041_stops_at_the_gate(self):
        self.prefix.close()
        self.prefix.__init__("--windows", "19040")
        result = self.run_installer(Machine(), "-s")
        self.assertEqual(result.exit_code, 1)
        self.assertLog(result, BANNER + ["|ERROR|: Version Not Supported - Reason: You need at least Windows 10 20H1 - "
                                         "May 2020 Update (10.0.19041) to install Orbalt."])
        self.assertEqual(result.journal, [])


if __name__ == "__main__":
    unittest.main()
