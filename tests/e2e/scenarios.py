"""The end-to-end scenarios: one row per run of the real installer, saying the machine and what the
run must leave. Adding a scenario is adding a row to ROWS; every field below is optional but the
exit code and the log. In every expected text, {temp}, {work}, {exe}, {beside}, {dotnet_url} and
{framework_url} stand for the temp folder and the elevated run's working folder (each with its
trailing backslash), the installer, the folder it lies in (with a trailing backslash) and the two
download addresses of the run; {package} and {framework} for how the simulated service describes
the built application package and the served framework package when it is handed one.
"""
import hashlib

from windows import BUILT, NO_KEY, SERVED_PATHS, app_family  # tests/wine

def pkg(family, version, arch="x64", entries=1):
    return dict(family=family, version=version, arch=arch, entries=entries)


def answer(method, match="", **fields):
    """A deploy answer: status ("error", "canceled"), code, extended, text, late, results."""
    return dict(method=method, match=match, **fields)


VCLIBS = "Microsoft.VCLibs.140.00.UWPDesktop_8wekyb3d8bbwe"
GOOD_VCLIBS = pkg(VCLIBS, "14.0.33728.0")
OLD_VCLIBS = pkg(VCLIBS, "14.0.30000.0")
FAMILY = app_family()
APP = pkg(FAMILY, "2.0.22.1414")
MACHINE = dict(
    installer=None,  # another build of the installer to run (None: the test build, OrbaltTest.exe)
    downloads_folder=None,  # {file name: bytes, or a key of BUILT in tests/wine/windows.py}: the installer
    #   runs from C:\downloads\ with these files beside it, as a user or an administrator could place them
    args=[],  # the command line after the program (none: Gui mode)
    limited=False,  # started with the linked, non-elevated token
    display=True,  # an X display, and a stand-in user who answers every message box
    windows="19041",  # or "19040" or "win7"
    registry={},  # {"unlock"|"policy"|"service": int REG_DWORD, str REG_SZ, ("qword", n) or NO_KEY}
    temp_path=None,  # the user's TEMP and TMP (None: C:\users\<user>\Temp)
    temp_seed={},  # {file name: bytes} already in the installer's temp folder
    temp_size=0,  # KiB: C:\windows\temp, where the working folder goes, is a tmpfs of this size (needs root)
    temp_link=False,  # the installer's temp folder is a symbolic link to a folder beside it
    dotnet="8.0.8",  # the version of both .NET frameworks, or None for no .NET
    dotnet_root="program files",  # where it lies: in %ProgramFiles%\dotnet, "registered" where .NET's installers
    #   register it, or "environment": named only by DOTNET_ROOT and DOTNET_ROOT_X64 in HKCU\Environment
    dotnet_exit=0,  # exit code of the fake .NET installer
    downloads=None,  # {"dotnet"|"framework": "ok"|"404"|"refused" (it stops listening
    #   after the .NET file)}; None: nothing listens
    slow=0.0,  # seconds between the server's 16 KiB pieces
    installed=[GOOD_VCLIBS], user=[APP], provisioned=[], deploy=[], launch={},  # what the simulated
    #   deployment service holds and answers (tests/fakes/deployment-service/README.md)
    victim=None,  # {file name: bytes} in C:\victim, a folder an attacker wants the run to write or delete in
    victim_link=None,  # a folder (C:\...) made a link to C:\victim before the run, as a user could
    attack=False,  # the fake .NET installer tries to swap the temp folder for a link to C:\victim and
    #   plants decoys (copies of itself) where the framework package and the checker would be
    comspec=False,  # COMSPEC names a program that journals when it runs (tests/fakes)
    timeout=60,  # the run's time limit in seconds
    dpi=None, fonts=True)  # the screen's dpi (None: 96); fonts=False: no stand-in for the window's font
EXPECTED = dict(
    exit=None,  # the exit code
    log=None,  # the records of Installer.log in order (None: no log). A record without a leading "|"
    #   is a LogLine text; a line feed inside a record starts a new line of the file
    temp=["Installer.log"],  # the files left in the temp folder (the working folder must be gone)
    journal=None,  # the calls the service and the fake .NET installer got (None: not compared; a
    #   call the installer should never make always fails)
    boxes=[],  # [caption, text with "|" for line feeds, "status window hidden"|"...visible"]
    opened=[],  # the files opened for the user
    registry_after={},  # {name: data as the registry file holds it, e.g. "dword:00000001", or None}
    requests=None,  # the paths the download server was asked for (None: not compared)
    console=[],  # texts the console shows, in this order
    progress=[])  # [(from text, to text, lowest, highest)]: the console's percentages between two
#   texts rise, stay within the bounds and cover at least half of them


# --- Log records ---------------------------------------------------------------------------
BANNER = ["-" * 52, "-" * 16 + " Orbalt Installer " + "-" * 16, "-" * 52]
HELP = ["-" * 72, "-" * 26 + " Orbalt Installer " + "-" * 26, "-" * 72,
        "-v  | --verbose            | Detailed installer logging",
        "-p  | --provision          | Provision the package (with GUI)",
        "-pv | --provision-verbose  | Provision the package (with detailed installer logging)",
        "-s  | --silent             | Don't show a status GUI",
        "-g  | --gui                | Show a status GUI (default)",
        "-h  | --help               | Display this help screen"]
SIDELOADING = ("MSIX side loading is disabled on this users system. This is likely leftover configuration before "
               "Microsoft changed the defaults. Enabling so Orbalt can install...")
SERVICE_OK = "The APPX Deployment Service is enabled as expected. Continuing..."
SERVICE_REENABLED = ("The APPX Deployment Service was disabled (Start 4). Set it back to start on demand (Start 3); "
                     "the computer must be restarted before packages can be installed.")
CHECKER = "{work}EXE_NETCORECHECK.EXE"
CHECKER_RAN = '[Process Runner] Executed "%s" (with args of " -N Microsoft.WindowsDesktop.App -v 8.0.0' % CHECKER


def dotnet_check(exit_code=0):
    """The .NET check; the checker exits 0 (found), 12289 (no .NET at all) or 12290 (too old)."""
    lines = ["[.NET Runtime] Checking to see if '.NET Desktop Runtime', with a minimum version of '8.0.0' is "
             "installed on the system...",
             "[Resource Extractor] Attempting to extract EXE_NETCORECHECK to a temporary location (%s)..." % CHECKER]
    if exit_code == 0:
        return lines + [CHECKER_RAN + '"): Success!', "[.NET Runtime] .NET Desktop Runtime 8.0.0 is installed!"]
    return lines + [CHECKER_RAN + '"): Failed! Exit Code: %d' % exit_code, "[.NET Runtime] Runtime is not installed!"]


def framework_check(*found):
    """The framework query; each of `found` is a version of an x64 package of the family, in the
    order the service lists them, and the walk ends at the first one new enough."""
    lines = ["[MSIX] Checking to see if package '%s', with a minimum version of '14.0.33728.0' is installed on the "
             "system..." % VCLIBS]
    for version in found:
        if tuple(map(int, version.split("."))) >= (14, 0, 33728, 0):
            return lines + ["[MSIX] Found %s. Version: %s" % (VCLIBS, version)]
        lines.append("[MSIX] Found %s. Version: %s. But this does NOT match the minimum required version of "
                     "14.0.33728.0!" % (VCLIBS, version))
    return lines + ["[MSIX] Unable to find: " + VCLIBS]


def start(dotnet=0, framework=("14.0.33728.0",), service=(SERVICE_OK,)):
    return BANNER + list(service) + dotnet_check(dotnet) + framework_check(*framework)


def download(line, url, *outcome):
    return [line, "[Dependency Downloader] Downloading %s ..." % url, *outcome]


DOTNET_DOWNLOAD = download("Downloading .NET Runtime...", "{dotnet_url}")
FRAMEWORK_DOWNLOAD = download("Downloading C++ Runtime Framework...", "{framework_url}")
DOWNLOAD_FAILED = "[Dependency Downloader] Unable to download dependency. Download failed!"
DIGEST_REFUSED = ("[Dependency Downloader] The downloaded file does not match its pinned SHA-512 digest. Download "
                  "refused!")
DEPENDENCIES = ["Installing dependencies..."]


def dotnet_install(outcome='"): Success!'):
    return ["Installing .NET Runtime...",
            '[Process Runner] Executed "{work}netdesktopruntime.exe" (with args of "/install /quiet /norestart' + outcome]


def add(outcome="Package successfully installed for the current user!"):
    return ["[Package Add] Preparing to add package for the current user...", "[Package Add] " + outcome]


FRAMEWORK_INSTALL = ["Installing C++ Runtime Framework..."] + add()
EXTRACT_APP = ["Installing Orbalt...",
               "[Resource Extractor] Attempting to extract MSIX_ORBALT to a temporary location ({work}MSIX_ORBALT.MSIX)..."]
STAGE = ["[Package Stager] Preparing to stage package on the system...", "[Package Stager] Package successfully staged!"]
PROVISION = ["[Package Provisioner] Preparing to provision package on the system...",
             "[Package Provisioner] Package successfully provisioned!"]
LAUNCH = ["Launching Orbalt...", "Found app entry, attempting to launch..."]
STILL_NOT_ELEVATED = ("This run was started by the installer to get elevation, yet it is still not elevated. Not "
                      "starting another copy.")

# The names the prerequisites have beside the installer: the last segments of the two addresses.
DOTNET_NAME, FRAMEWORK_NAME = "windowsdesktop-runtime-8.0.8-win-x64.exe", "Microsoft.VCLibs.x64.14.00.Desktop.appx"


def local_copy(line, name, outcome, url=None):
    """A prerequisite whose file lies beside the installer: what became of it, then its download from URL."""
    return [line, "[Dependency Downloader] Found a local copy: {beside}" + name, outcome] + (
        ["[Dependency Downloader] Downloading %s ..." % url] if url else [])


def sha512(built):
    with open(BUILT[built], "rb") as f:
        return hashlib.sha512(f.read()).hexdigest()


# --- Notices: (caption, text) ----------------------------------------------------------------
VERSION = ("Version Not Supported",
           "You need at least Windows 10 20H1 - May 2020 Update (10.0.19041) to install Orbalt.")
SELF_ELEVATION = ("Self Elevation Error", "An error occurred while self elevating the Orbalt installer.")
NET_DOWNLOAD_FAILED = (".NET Runtime Download Failed",
                       "Unable to download the .NET Runtime which is required for Orbalt, please try again (are you "
                       "connected to the internet?). Check the logs for more information.")
FRAMEWORK_DOWNLOAD_FAILED = ("C++ Runtime Framework Download Failed",
                             "Unable to download the C++ Runtime Framework which is required for Orbalt, please try "
                             "again (are you connected to the internet?). Check the logs for more information.")
NET_INSTALL_FAILED = (".NET Runtime Install Failed",
                      "Unable to install the .NET Runtime which is required for Orbalt, please try again. Check the "
                      "logs for more information.")
FRAMEWORK_INSTALL_FAILED = ("C++ Runtime Framework Install Failed",
                            "Unable to install the C++ Runtime Framework which is required for Orbalt, please try "
                            "again. Check the logs for more information.")
STAGE_FAILED = ("Orbalt Stage Failed", "Unable to stage Orbalt, please try again. Check the logs for more information.")
PROVISION_FAILED = ("Orbalt Provision Failed",
                    "Unable to provision Orbalt, please try again. Check the logs for more information.")
INSTALL_FAILED = ("Orbalt Install Failed", "Unable to install Orbalt, please try again. Check the logs for more "
                                           "information.")
RESTART = ("System Restart Required",
           "The APPX Deployment Service was disabled. This service is required for Orbalt to check which dependences "
           "are required, and to install. Orbalt has enabled the service again, but your computer must be restarted "
           "for this change to take effect.")
UNEXPECTED = ("Orbalt Installer Error", "Unable to install Orbalt because of an unexpected error, please try again. "
                                        "Check the logs for more information.")
LAUNCH_FAILED = ("Orbalt Successfully Installed", "Orbalt was successfully installed, but failed to automatically "
                                                  "launch. Please try launching it from your Start Menu.")
OTHER_USER = ("Orbalt cannot apply this update because another user is signed in with the app running. Please "
              "sign out all other users and try again.")
# Windows' text in German: Latin-1 letters and a dash beyond Latin-1
DEPENDENCY_FAILED = "Abh\u00e4ngigkeit nicht aufgel\u00f6st \u2013 Dependency resolution failed."
DOTNET_MANUAL = "Try downloading and installing the .NET Runtime using the following link manually: {dotnet_url}"
FRAMEWORK_MANUAL = ("Try downloading and installing the C++ Runtime Framework using the following link manually: "
                    "{framework_url}")


def notice(caption_text, reason=None, prefix="|ERROR|: "):
    """The log record of a notice; `reason` follows the text after two line feeds."""
    caption, text = caption_text
    return "%s%s - Reason: %s" % (prefix, caption, text if reason is None else text + "\n\n" + reason)


def box(caption_text, reason=None, window="hidden"):
    caption, text = caption_text
    return [caption, text if reason is None else text + "||" + reason, "status window " + window]


# --- Journal calls ---------------------------------------------------------------------------
APP_URI = 'Uri.CreateUri "{work}MSIX_ORBALT.MSIX" {package}'
FRAMEWORK_URI = 'Uri.CreateUri "{work}vclibs.appx" {framework}'
STAGE_CALL = ['PackageManager2.StagePackageWithOptionsAsync uri="{work}MSIX_ORBALT.MSIX" dependencies=null options=0 '
              '-> op1 (early)', "op1.GetResults"]


def add_call(n, path="{work}MSIX_ORBALT.MSIX", options=64):
    return ['PackageManager.AddPackageAsync uri="%s" dependencies=null options=%d -> op%d (early)' % (path, options, n),
            "op%d.GetResults" % n]


def launch_calls(n, package=0, entries=(0,)):
    find = 'PackageManager.FindPackagesByUserSecurityIdPackageFamilyName sid="" family="%s"' % FAMILY
    return [find] + ["user[%d].GetAppListEntries" % i for i in entries] + [
        "user[%d].entry[0].LaunchAsync -> op%d (early)" % (package, n)]


def row(name, **fields):
    unknown = set(fields) - set(MACHINE) - set(EXPECTED)
    assert not unknown, "%s: unknown fields %s" % (name, sorted(unknown))
    assert "exit" in fields and "log" in fields, name + ": every row says its exit code and log"
    return {**MACHINE, **EXPECTED, "name": name, **fields}


LOG_OPENED = ["notepad.exe {temp}Installer.log"]  # Notepad of the system folder, not the .log association

# The machine of scripts/demo and bench/run, which judge their runs themselves: an older framework
# and no .NET, both served (slowly, so that the status window can be seen), so that a run
# downloads both, runs the .NET installer, adds both packages and launches the app.
DEMO = dict(MACHINE, installed=[OLD_VCLIBS], dotnet=None, downloads={"dotnet": "ok", "framework": "ok"}, slow=0.15)

ROWS = [
    # --- Successful runs -------------------------------------------------------------------
    row("both prerequisites present, Silent: installs, never launches; the query walks every package; a "
        "side-loading value of 2 is no ban and stays; a temp path beyond Latin-1",
        args=["--silent"], temp_path="C:\\temp-\u00e9\u03a9",
        registry={"unlock": 2}, registry_after={"unlock": "dword:00000002"},
        installed=[pkg(VCLIBS, "14.0.33728.0", "x86"), pkg("Other.Family_1234567890abc", "99.0.0.0"),
                   pkg(VCLIBS.lower(), "14.0.33728.0"), OLD_VCLIBS, pkg(VCLIBS, "14.0.33730.0"), GOOD_VCLIBS],
        exit=0,
        log=start(framework=("14.0.30000.0", "14.0.33730.0")) + DEPENDENCIES + EXTRACT_APP + add(),
        journal=["PackageManager.FindPackages", APP_URI] + add_call(1)),
    row("both missing, Verbose: one percentage over both downloads, launch; a program the user runs meanwhile "
        "cannot swap the temp folder for a link, nothing lands in or leaves the folder it points to, and no decoy "
        "runs or is installed: nor one beside the installer with the .NET installer's name but other bytes, which "
        "is logged with both digests and not used",
        args=["-v"], dotnet=None, installed=[OLD_VCLIBS], downloads={"dotnet": "ok", "framework": "ok"}, slow=0.01,
        attack=True, victim={name: b"the victim's own " + name.encode() for name in
                             ("Installer.log", "netdesktopruntime.exe", "MSIX_ORBALT.MSIX")},
        downloads_folder={DOTNET_NAME: "recorder"},  # which journals in the opened files if it runs
        exit=0,
        log=start(12289, ("14.0.30000.0",)) +
        local_copy("Downloading .NET Runtime...", DOTNET_NAME, "[Dependency Downloader] Local copy not used: its "
                   "SHA-512 digest is %s, the pinned digest is %s." % (sha512("recorder"), sha512("dotnet installer")),
                   "{dotnet_url}") + FRAMEWORK_DOWNLOAD + DEPENDENCIES +
        dotnet_install() + FRAMEWORK_INSTALL + EXTRACT_APP + add() + LAUNCH,
        temp=["EXE_NETCORECHECK.EXE", "Installer.log", "vclibs.appx"],  # the decoys, untouched
        journal=["PackageManager.FindPackages", "dotnet-installer /install /quiet /norestart",
                 "attack: the temp folder cannot be moved (error 32)", FRAMEWORK_URI] +
        add_call(1, "{work}vclibs.appx", 0) + [APP_URI] + add_call(2) + launch_calls(3),
        console=BANNER + ["Getting ready..."],
        progress=[("{dotnet_url}", "Downloading C++ Runtime Framework...", 0, 50),
                  ("{framework_url}", "Installing dependencies...", 50, 100)]),
    row("both missing, Verbose, both beside the installer: the pinned .NET installer is copied to the working folder "
        "with its progress, checked and run from there, never fetched; the framework package, for which no digest is "
        "pinned, is fetched",
        args=["-v"], dotnet=None, installed=[OLD_VCLIBS], downloads={"dotnet": "ok", "framework": "ok"},
        downloads_folder={DOTNET_NAME: "dotnet installer", FRAMEWORK_NAME: b"a framework package nobody pinned"},
        exit=0,
        log=start(12289, ("14.0.30000.0",)) +
        local_copy("Downloading .NET Runtime...", DOTNET_NAME, "[Dependency Downloader] Local copy used: its SHA-512 "
                   "digest is the pinned one. Copied to {work}netdesktopruntime.exe") +
        local_copy("Downloading C++ Runtime Framework...", FRAMEWORK_NAME,
                   "[Dependency Downloader] Local copy not used: no digest is pinned for it.", "{framework_url}") +
        DEPENDENCIES + dotnet_install() + FRAMEWORK_INSTALL + EXTRACT_APP + add() + LAUNCH,
        requests=[SERVED_PATHS["framework"]],
        journal=["PackageManager.FindPackages", "dotnet-installer /install /quiet /norestart", FRAMEWORK_URI] +
        add_call(1, "{work}vclibs.appx", 0) + [APP_URI] + add_call(2) + launch_calls(3),
        progress=[("Found a local copy: {beside}" + DOTNET_NAME, "Local copy used", 0, 50)]),
    row("only the framework missing, Gui: window up, no box, launch; a ban under one key lifted, "
        "an 8-byte value counts as none",
        installed=[OLD_VCLIBS], downloads={"framework": "ok"},
        console=["Preparing to create window...", "Created window!"],
        registry={"unlock": 0, "policy": ("qword", 0)},
        exit=0,
        log=BANNER + [SIDELOADING, SERVICE_OK] + dotnet_check() + framework_check("14.0.30000.0") +
        FRAMEWORK_DOWNLOAD + DEPENDENCIES + FRAMEWORK_INSTALL + EXTRACT_APP + add() + LAUNCH,
        registry_after={"unlock": "dword:00000001", "policy": "hex(b):00,00,00,00,00,00,00,00"}),
    row("provision mode, Verbose: stages, provisions, never launches; a ban by policy lifted, no deployment "
        "service key, .NET found where its installer registered it; the key is waited for without the command "
        "processor COMSPEC names",
        args=["--provision-verbose"], provisioned=[pkg("SomeOther.App_1234567890abc", "1.0.0.0")],
        registry={"policy": 0, "service": NO_KEY}, dotnet_root="registered", comspec=True,
        console=["Press any key to continue . . ."],
        exit=0,
        log=start(service=[SIDELOADING]) + DEPENDENCIES + EXTRACT_APP + STAGE + PROVISION,
        registry_after={"policy": "dword:00000001", "unlock": None, "service": None},
        journal=["PackageManager.FindPackages", APP_URI] + STAGE_CALL + [
                 "PackageManager9.FindProvisionedPackages",
                 'PackageManager6.ProvisionPackageForAllUsersAsync family="%s" -> op2 (early)' % FAMILY, "op2.GetResults"]),
    row("provision mode, Gui: already staged and provisioned under another letter case both count as done",
        args=["--provision"], provisioned=[pkg(FAMILY.upper(), "1.0.0.0")],
        deploy=[answer("StagePackageWithOptionsAsync", status="error", code=0x80073CFB, text="Already staged.")],
        exit=0,
        log=start() + DEPENDENCIES + EXTRACT_APP + [STAGE[0], "[Package Stager] Package already staged!",
                                                    PROVISION[0], "[Package Provisioner] Package is already "
                                                                  "provisioned!"],
        journal=["PackageManager.FindPackages", APP_URI] + STAGE_CALL + ["PackageManager9.FindProvisionedPackages"]),
    row("launch, Gui: the first package with a Start menu entry is launched; a failed launch is a notice; .NET found "
        "under Program Files; a ban under both keys lifted",
        args=["--gui"], dotnet_root="program files", user=[dict(APP, entries=0), dict(APP, entries=2)],
        launch=dict(status="error"), registry={"unlock": 0, "policy": 0},
        registry_after={"unlock": "dword:00000001", "policy": "dword:00000001"},
        exit=0,
        log=start(service=(SIDELOADING, SERVICE_OK)) + DEPENDENCIES + EXTRACT_APP + add() + LAUNCH + [notice(LAUNCH_FAILED, prefix="|INFO|: ")],
        journal=["PackageManager.FindPackages", APP_URI] + add_call(1) + launch_calls(2, 1, (0, 1)),
        boxes=[box(LAUNCH_FAILED)]),
    row("DOTNET_ROOT, a user's setting, names a complete-looking .NET and the machine has none, Silent: the "
        "runtime is downloaded and installed",
        args=["-s"], dotnet_root="environment", downloads={"dotnet": "ok"},
        exit=0,
        log=start(12289) + DOTNET_DOWNLOAD + DEPENDENCIES + dotnet_install() + EXTRACT_APP + add(),
        journal=["PackageManager.FindPackages", "dotnet-installer /install /quiet /norestart", APP_URI] + add_call(1)),

    # --- The help screen and the command line ------------------------------------------------
    row("-h after a normal run: the help screen alone, the old log gone",
        args=["-h"], temp_seed={"Installer.log": b"|LOG|: a record of an earlier run\r\n"},
        exit=0, log=HELP, temp=["Installer.log"],
        console=HELP + ["Press any key to continue"]),
    row("a full-width look-alike of -s is no option either: the help screen, shown even where no log can be "
        "written", args=["\uff0d\uff53"], temp_path="C:\\" + "\\".join(["deep" * 12] * 6),
        exit=0, log=None, temp=[], console=HELP),

    # --- Stops before the branches ---------------------------------------------------------
    row("Windows 10 build 19040, Silent: stops at the version gate",
        windows="19040", args=["-s"], exit=1, log=BANNER + [notice(VERSION)], temp=["Installer.log"], journal=[]),
    row("the deployment service disabled: set back to start on demand, a restart asked for",
        args=["-s"], registry={"service": 4},
        exit=1, log=BANNER + [SERVICE_REENABLED, notice(RESTART)], temp=["Installer.log"],
        registry_after={"service": "dword:00000003"}),

    # --- Failed downloads ------------------------------------------------------------------
    row(".NET download answered with a 404 page, Verbose: refused by the pinned digest",
        args=["-v"], dotnet=None, downloads={"dotnet": "404"},
        exit=1,
        log=start(12289) + DOTNET_DOWNLOAD + [DIGEST_REFUSED, notice(NET_DOWNLOAD_FAILED), DOTNET_MANUAL],
        opened=LOG_OPENED, journal=["PackageManager.FindPackages"]),
    row("the framework download fails after a good .NET download, Silent: nothing installed",
        args=["-s"], dotnet=None, installed=[OLD_VCLIBS], downloads={"dotnet": "ok", "framework": "refused"},
        exit=1,
        log=start(12289, ("14.0.30000.0",)) + DOTNET_DOWNLOAD + FRAMEWORK_DOWNLOAD +
        [DOWNLOAD_FAILED, notice(FRAMEWORK_DOWNLOAD_FAILED), FRAMEWORK_MANUAL],
        journal=["PackageManager.FindPackages"]),

    # --- Failed installations --------------------------------------------------------------
    row("only .NET 9 installed, whose installer then ends with 3010: a restart code is a failure",
        args=["-v"], dotnet="9.0.0", dotnet_exit=3010, downloads={"dotnet": "ok"},
        exit=1,
        log=start(12290) + DOTNET_DOWNLOAD + DEPENDENCIES + dotnet_install('"): Failed! Exit Code: 3010') +
        [notice(NET_INSTALL_FAILED), DOTNET_MANUAL],
        opened=LOG_OPENED,
        journal=["PackageManager.FindPackages", "dotnet-installer /install /quiet /norestart"]),
    row("the framework installation fails, Verbose: its error text in the notice, the log writes it in Latin-1 "
        "and escapes what lies beyond; its download alone runs from 0 to 100 %",
        args=["--verbose"], installed=[OLD_VCLIBS], downloads={"framework": "ok"}, slow=0.01,
        progress=[("{framework_url}", "Installing dependencies...", 0, 100)],
        deploy=[answer("AddPackageAsync", "vclibs", status="error", code=0x80073CF3,
                       text=DEPENDENCY_FAILED)],
        exit=1,
        log=start(framework=("14.0.30000.0",)) + FRAMEWORK_DOWNLOAD + DEPENDENCIES +
        ["Installing C++ Runtime Framework..."] + add("Failed to add package for current user! Error: " +
                                                      DEPENDENCY_FAILED) +
        [notice(FRAMEWORK_INSTALL_FAILED, DEPENDENCY_FAILED), FRAMEWORK_MANUAL],
        opened=LOG_OPENED),
    row("staging fails, Verbose: the package deleted before the notice",
        args=["-pv"],
        deploy=[answer("StagePackageWithOptionsAsync", status="error", code=0x80073CF0,
                       text="The package could not be opened.")],
        exit=1,
        log=start() + DEPENDENCIES + EXTRACT_APP +
        [STAGE[0], "[Package Stager] Failed to stage package! Error: The package could not be opened.",
         notice(STAGE_FAILED, "The package could not be opened.")],
        opened=LOG_OPENED,
        journal=["PackageManager.FindPackages", APP_URI] + STAGE_CALL),
    row("provisioning fails, Gui: the notice, and still a success without the log opened",
        args=["-p"],
        deploy=[answer("ProvisionPackageForAllUsersAsync", status="error", code=0x80073CFB,
                       text="Provisioned elsewhere.")],
        exit=0,
        log=start() + DEPENDENCIES + EXTRACT_APP + STAGE +
        [PROVISION[0], "[Package Provisioner] Failed to provision package! Error: Provisioned elsewhere.",
         notice(PROVISION_FAILED, "Provisioned elsewhere.")],
        boxes=[box(PROVISION_FAILED, "Provisioned elsewhere.")]),
    row("installation fails for another user, Gui: the box over a hidden window, the log opened; a DLL planted "
        "beside the installer is never loaded",
        downloads_folder={"dwmapi.dll": "planted dll"},
        deploy=[answer("AddPackageAsync", status="error", code=0x80073D25, text="In use by another user.")],
        exit=1,
        log=start() + DEPENDENCIES + EXTRACT_APP + add("Another user is logged in, cannot register package.") +
        [notice(INSTALL_FAILED, OTHER_USER)],
        boxes=[box(INSTALL_FAILED, OTHER_USER)], opened=LOG_OPENED),

    # --- Raised errors ---------------------------------------------------------------------
    row("the deployment service fails unexpectedly, Gui: the error's notice, its HRESULT the exit code",
        deploy=[answer("AddPackageAsync", results=0x80070005)],
        exit=0x80070005,
        log=start() + DEPENDENCIES + EXTRACT_APP + add()[:1] + [notice(UNEXPECTED, "Access denied. (0x80070005)")],
        boxes=[box(UNEXPECTED, "Access denied. (0x80070005)")], opened=LOG_OPENED),
    row("a canceled installation is raised, Verbose: no results asked for",
        args=["-v"], deploy=[answer("AddPackageAsync", status="canceled")],
        exit=0x800704C7,
        log=start() + DEPENDENCIES + EXTRACT_APP + add()[:1] +
        [notice(UNEXPECTED, "Operation canceled by user. (0x800704C7)")],
        opened=LOG_OPENED,
        journal=["PackageManager.FindPackages", APP_URI] + add_call(1)[:1]),
    row("a canceled launch is raised, Verbose",
        args=["-v"], launch=dict(status="canceled"),
        exit=0x800704C7,
        log=start() + DEPENDENCIES + EXTRACT_APP + add() + LAUNCH +
        [notice(UNEXPECTED, "Operation canceled by user. (0x800704C7)")],
        opened=LOG_OPENED),
    row("the disk runs full while the checker is extracted: raised, nothing cut is run",
        args=["-s"], temp_size=160,  # the checker alone is larger
        exit=0x80070070,
        log=BANNER + [SERVICE_OK] + dotnet_check()[:2] + [notice(UNEXPECTED, "Disk full. (0x80070070)")],
        temp=["Installer.log"]),
    row("the temp folder is a link, Verbose: raised before anything is deleted or written, no log",
        args=["-v"], temp_link=True, temp_seed={"victim.txt": b"the link's target"},
        exit=0x800702A9, log=None, temp=["victim.txt"],
        console=["Orbalt Installer Error - Reason: " + UNEXPECTED[1], "(0x800702A9)"]),
    row("TEMP under a folder a user made a link to a victim folder, Verbose: raised before anything is deleted or "
        "written there; the log at TEMP's place is the victim's own, unchanged",
        args=["-v"], temp_path="C:\\linked", victim_link="C:\\linked",
        victim={"Tessaly Installer Temp/Installer.log": b"|LOG|: the victim's own record\r\n"},
        exit=0x800702A9, log=["the victim's own record"], temp=["Installer.log"],
        console=["Orbalt Installer Error - Reason: " + UNEXPECTED[1], "(0x800702A9)"]),
    row("a temp path too long for the system, Gui: the notice in a box, no log",
        temp_path="C:\\" + "\\".join(["deep" * 12] * 6),
        exit=0x800700CE, log=None, temp=[],
        boxes=[box(UNEXPECTED, "File name is too long. (0x800700CE)")]),

    # --- Started without elevation ------------------------------------------------------------
    row("limited, Silent: the copy gets -pv, stops at its guard, the parent relays its exit code",
        args=["-s"], limited=True, display=False,  # with a display, the copy's console would be a window
        exit=1,
        log=BANNER + [STILL_NOT_ELEVATED, notice(SELF_ELEVATION), "Self-elevated EXE exited with code 1"],
        temp=["Installer.log"],
        console=["Self-elevating EXE at '{exe}' with args -pv",
                 "Note! Installer logs will not be here! Look under the temp folder within the account that ran the "
                 "installer.", "Waiting for Self-Elevated Orbalt installer response...",
                 "Self-elevated EXE exited with code 1"]),

    # --- Reporting -------------------------------------------------------------------------
    row("Gui without a display: the run goes on in Verbose mode; with no package of the family for the user, "
        "the launch tells the user to start it from the Start menu",
        display=False, args=["-g"], user=[],
        exit=0,
        log=start() + DEPENDENCIES + EXTRACT_APP + add() + LAUNCH[:1] + [notice(LAUNCH_FAILED, prefix="|INFO|: ")],
        console=["Preparing to create window...", "Failed to create window. Installer will now enter Verbose mode.",
                 *BANNER, "Press any key to continue"]),
]
