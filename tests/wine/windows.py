#!/usr/bin/python3
"""Runs Windows programs under Wine for the tests, scripts/demo, scripts/try and bench/run: the one
place that sets up and copies prefixes, runs X displays, the simulated deployment service and the
download server, runs a program through the test launcher (its full 32-bit exit code; in a terminal
that answers key prompts, if asked) and sets up the simulated machine of a row of
tests/e2e/scenarios.py. The build tree is ORBALT_BUILD, by default build/windows of this checkout.

  windows.py display start|stop STATE   a private Xvfb screen; its name goes to STATE/display
  windows.py setup WINE                 WINE/base: a fresh prefix with the simulated deployment
                                        service, in which nothing runs but copies of it for each
                                        row; WINE/prefix: a copy in which the test programs run
  windows.py exec PROGRAM [ARGS...]     CTest's emulator: PROGRAM in the prefix of its build tree
"""
import collections
import contextlib
import functools
import hashlib
import http.server
import io
import os
import re
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import types
import unittest

import pexpect
import psutil
import xvfbwrapper

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
BUILD = os.environ.get("ORBALT_BUILD") or os.path.join(ROOT, "build", "windows")
BASE = os.path.join(BUILD, "wine", "base")
WINE = "/usr/lib/wine/wine64"
INSTALLER = os.path.join(BUILD, "bin", "OrbaltTest.exe")
LAUNCHER = os.path.join(BUILD, "tests", "wine", "launch.exe")
BUILT = {"checker": os.path.join(BUILD, "bin", "dotnet-check.exe"),
         "package": os.path.join(BUILD, "tools", "sample-app", "Orbalt.msix"),
         "dotnet installer": os.path.join(BUILD, "tests", "fakes", "fake_dotnet_installer.exe"),
         "recorder": os.path.join(BUILD, "fakes", "record-open.exe"),
         "planted dll": os.path.join(BUILD, "fakes", "planted", "dwmapi.dll")}
SERVED_PATHS = {"dotnet": "/dotnet/windowsdesktop-runtime-8.0.8-win-x64.exe",
                "framework": "/framework/Microsoft.VCLibs.x64.14.00.Desktop.appx"}
REGISTRY = {  # the values a row sets and reads by a short name: (key under HKLM, value name)
    "unlock": (r"SOFTWARE\Microsoft\Windows\CurrentVersion\AppModelUnlock", "AllowAllTrustedApps"),
    "policy": (r"SOFTWARE\Policies\Microsoft\Windows\Appx", "AllowAllTrustedApps"),
    "service": (r"SYSTEM\CurrentControlSet\Services\AppXSvc", "Start"),
}
# Where a row's .NET tree lies and how the checker learns of it: DOTNET_ROOT_X64, the location
# .NET installers register (in the 32-bit view), or the default folder.
DOTNET_ROOTS = {"environment": "C:\\dotnet", "registered": "C:\\dotnet-registered",
                "program files": "C:\\Program Files\\dotnet"}
DOTNET_REGISTRATION = r"HKEY_LOCAL_MACHINE\SOFTWARE\WOW6432Node\dotnet\Setup\InstalledVersions\x64"
NO_KEY = "no key"  # a registry value whose whole key is removed
WORK_FOLDER = re.compile(r"[A-Z]:\\windows\\temp\\[0-9a-f]{32}\\", re.I)  # the elevated run's own
FRAMEWORK_BYTES = b"framework package bytes" * 10000  # served; long enough for its progress to show
DOWNLOADS = "C:\\downloads"  # where a row's installer runs from when files lie beside it
VICTIM = "C:\\victim"  # the folder an attacker wants the elevated run to write or delete in
# What keeps running in a prefix whatever ran in it: the server and Wine's own services.
WINE_SERVICES = re.compile(r"/usr/lib/wine/wineserver|C:\\windows\\system32\\(services|explorer|winedevice|plugplay|"
                           r"svchost|rpcss)\.exe", re.I)
ANSI = re.compile(r"\x1b\[[0-9;?]*[A-Za-z]|\x1b\][^\x07]*\x07")
WINE_KEY = r"HKEY_CURRENT_USER\Software\Wine"
NT = r"HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion"
INTERNET = r"HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Internet Settings"


class Failed(RuntimeError):
    """A program could not be run as asked; the message says what Wine printed."""


def read(path, mode="r"):
    if not os.path.exists(path):
        return None
    with open(path, mode, **({} if "b" in mode else {"encoding": "utf-8", "errors": "replace"})) as f:
        return f.read()


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def cache_value(name):
    """A value of the build tree's CMake cache, e.g. ORBALT_TEST_HTTP_PORT."""
    return re.search(r"^%s:\w+=(.*)$" % name, read(os.path.join(BUILD, "CMakeCache.txt")), re.M).group(1)


def url(name):
    """The address the test build of the installer downloads "dotnet" or "framework" from."""
    return "http://127.0.0.1:%s%s" % (cache_value("ORBALT_TEST_HTTP_PORT"), SERVED_PATHS[name])


def app_family():
    """The family name of the embedded package, as the build derived it."""
    return re.search(r'ORBALT_APP_FAMILY_NAME "([^"]+)"', read(os.path.join(BUILD, "generated", "app_identity.h"))
                     ).group(1)


def summary(data):
    """How the simulated service journals the bytes of a package it is handed."""
    return "(%d bytes, sha256 %s)" % (len(data), hashlib.sha256(data).hexdigest()[:16])


def environment(prefix, **more):
    """The environment of Wine in a prefix. Without DISPLAY, the display started beside the prefix
    (the test run's), if any."""
    env = dict(os.environ, WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all", WINEARCH="win64",
               WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d", **more)
    if "DISPLAY" not in env:
        env["DISPLAY"] = (read(os.path.join(os.path.dirname(env["WINEPREFIX"]), "display")) or "").strip()
    return env


def wine(env, *command, check=True, timeout=None):
    """Runs a program under Wine to its end without a terminal and returns what it printed."""
    status, printed = _run([WINE, *command], env, timeout)
    if check and status != 0:
        raise Failed("%s ended with %d; Wine printed:\n%s" % (" ".join(command), status, printed))
    return printed


def _run(command, env, timeout):
    """Runs a command to its end and returns its exit status and what it printed, through a file (a
    pipe would stay open as long as a wineserver that it started)."""
    with tempfile.TemporaryFile() as out:
        done = subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                              timeout=timeout)
        out.seek(0)
        return done.returncode, out.read().decode("utf-8", "replace")


def stop_server(env):
    """Ends the prefix's wineserver and all that runs in it; the server writes the registry out."""
    subprocess.run(["wineserver", "-k"], env=env, stderr=subprocess.DEVNULL)
    subprocess.run(["wineserver", "-w"], env=env)


def set_registry(env, values):
    """Sets {(key, value name): value} in one regedit run: an int is a REG_DWORD, a str a REG_SZ,
    ("qword", n) a REG_QWORD, None removes the value, NO_KEY its whole key; the name "" is the
    key's default value. Keys start with their root (HKEY_...)."""
    lines = ["Windows Registry Editor Version 5.00"]
    for (key, name), value in values.items():
        if value == NO_KEY:
            lines += ["", "[-%s]" % key]
            continue
        if value is None:
            data = "-"
        elif isinstance(value, int):
            data = "dword:%08x" % value
        elif isinstance(value, tuple):
            data = "hex(b):" + ",".join("%02x" % b for b in value[1].to_bytes(8, "little"))
        else:
            data = '"%s"' % value.replace("\\", "\\\\").replace('"', '\\"')
        lines += ["", "[%s]" % key, "%s=%s" % ('"%s"' % name if name else "@", data)]
    path = os.path.join(env["WINEPREFIX"], "drive_c", "orbalt.reg")
    with open(path, "w", encoding="utf-16") as f:
        f.write("\r\n".join(lines) + "\r\n")
    wine(env, "regedit", "/S", "C:\\orbalt.reg")
    os.remove(path)
    stop_server(env)


def remove(prefix):
    """Removes a prefix, ending its wineserver first: one still serving it would outlive its deletion."""
    if os.path.isdir(prefix):
        stop_server(environment(prefix))
        shutil.rmtree(prefix)


def clone(source, prefix):
    """PREFIX becomes a copy of SOURCE, in which nothing may run meanwhile: a file that a program
    deletes while cp reads the folder makes the copy fail."""
    remove(prefix)
    subprocess.run(["cp", "-a", source, prefix], check=True)


def options(windows="19041", dpi=None, fonts=True):
    """The registry values of a prefix's Windows version ("19041", "19040" or "win7"), its dpi
    (None: Wine's 96) and fonts (False: no stand-in for the status window's font)."""
    if windows == "win7":
        values = {(WINE_KEY, "Version"): "win7"}
    else:  # Wine's own "win10" is build 18362, below the installer's gate: the build is named here
        values = {(WINE_KEY, "Version"): None, (NT, "CurrentVersion"): "10.0", (NT, "CurrentBuildNumber"): windows,
                  (NT, "CurrentBuild"): windows, (NT, "CSDVersion"): "", (NT, "CurrentMajorVersionNumber"): 10,
                  (NT, "CurrentMinorVersionNumber"): 0}
    for face in ("Segoe UI Semibold", "Segoe UI"):
        values[(WINE_KEY + r"\Fonts\Replacements", face)] = "DejaVu Sans" if fonts else None
    if dpi:
        values[(r"HKEY_CURRENT_USER\Control Panel\Desktop", "LogPixels")] = dpi
    return values


def setup(prefix):
    """A fresh prefix with options(), the simulated deployment service registered as the runtime
    classes the installer activates (with C:\\orbalt-fake, the home of its scenario and journal), the
    AppX deployment service's key with its Windows default (Wine has none), and a recorder in place
    of the programs that open Installer.log for the user: the .log association and Notepad of the
    system folder, so that a test can tell whether, how and what the installer opened."""
    env = environment(prefix)
    remove(prefix)
    os.makedirs(os.path.dirname(env["WINEPREFIX"]), exist_ok=True)
    wine(env, "wineboot", "-i")
    drive_c = os.path.join(prefix, "drive_c")
    recorder = os.path.join(BUILD, "fakes", "record-open.exe")
    shutil.copy(recorder, os.path.join(drive_c, "windows", "system32", "notepad.exe"))
    os.makedirs(os.path.join(drive_c, "orbalt-fake"))
    service = windows_path(os.path.join(BUILD, "tests", "fakes", "deployment-service", "fake-deployment-service.dll"))
    classes = r"HKEY_LOCAL_MACHINE\Software\Microsoft\WindowsRuntime\ActivatableClassId"
    set_registry(env, {
        **options(),
        # Without a window manager, Wine keeps room for a frame and caption that none draws and shows
        # only the rest of a window; undecorated, it draws whole windows itself, as Windows does.
        (WINE_KEY + r"\X11 Driver", "Decorated"): "N",
        (classes + r"\Windows.Management.Deployment.PackageManager", "DllPath"): service,
        (classes + r"\Windows.Foundation.Uri", "DllPath"): service,
        (r"HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Services\AppXSvc", "Start"): 3,
        (r"HKEY_CLASSES_ROOT\.log", ""): "OrbaltTest.Log",
        (r"HKEY_CLASSES_ROOT\OrbaltTest.Log\shell\open\command", ""): '"%s" "%%1"' % windows_path(recorder),
        # Wine runs its own notepad.exe unless told that the one in system32 is native.
        (WINE_KEY + r"\DllOverrides", "notepad.exe"): "native",
        # No simulated machine reaches the internet (a release build's addresses): every address but
        # loopback goes to a proxy that nothing serves.
        (INTERNET, "ProxyEnable"): 1, (INTERNET, "ProxyServer"): "127.0.0.1:9",
        (INTERNET, "ProxyOverride"): "<local>;127.0.0.1"})


def _screen():
    """A new 1920 x 1080 Xvfb screen once it takes clients; xvfbwrapper chooses a free number, sets
    DISPLAY and gives Xvfb 0.1 s, too short on a loaded machine."""
    xvfb = xvfbwrapper.Xvfb(width=1920, height=1080, nolisten="tcp")
    xvfb.start()
    while not os.path.exists("/tmp/.X11-unix/X%d" % xvfb.new_display):
        if xvfb.proc.poll() is not None:
            raise Failed("Xvfb ended with %d" % xvfb.proc.returncode)
        time.sleep(0.05)
    return xvfb


def start_display(state):
    """Starts a private screen that outlives this process (ending the one STATE held before, if any)
    and returns its name, which STATE/display holds while it runs."""
    stop_display(state)
    os.makedirs(state, exist_ok=True)
    _screen()
    with open(os.path.join(state, "display"), "w") as f:
        f.write(os.environ["DISPLAY"])
    return os.environ["DISPLAY"]


def stop_display(state):
    name = read(os.path.join(state, "display"))
    if name:
        os.remove(os.path.join(state, "display"))
        for xvfb in psutil.process_iter(["name", "cmdline"]):
            if xvfb.info["name"] == "Xvfb" and xvfb.info["cmdline"][1:2] == [name]:
                xvfb.terminate()


@contextlib.contextmanager
def display():
    """A private screen for the programs of this process while the with-block runs; yields its name."""
    xvfb = _screen()
    try:
        yield os.environ["DISPLAY"]
    finally:
        xvfb.stop()


Launched = collections.namedtuple("Launched", "code ms output")


def launch(env, program, *args, limited=False, answer=None, window=None, terminal=False, timeout=120):
    """Runs PROGRAM to its end through the test launcher (tests/wine/launch.cpp, whose command line
    says what each option does) and returns its full exit code, the milliseconds it ran (to its
    window, with WINDOW; None if none came up) and what Wine printed. In a terminal, that includes
    the program's console, and each "Press any key" gets a key."""
    rc = os.path.join(env["WINEPREFIX"], "launched")
    with contextlib.suppress(FileNotFoundError):
        os.remove(rc)
    command = [LAUNCHER, *(["--limited"] if limited else []), *(["--answer", answer] if answer else []),
               *(["--window", window] if window else []), "--rc", windows_path(rc), "--", windows_path(program), *args]
    for attempt in range(2):
        try:
            status, output = (_in_terminal if terminal else _run)([WINE, *command], env, timeout)
        except subprocess.TimeoutExpired:
            stop_server(env)
            raise Failed("%s did not end within %d s" % (os.path.basename(program), timeout))
        code = read(rc)
        # Under load the launcher now and then ends at once, leaving no exit code and printing
        # nothing (about one start in a few thousand; cause not found): once more, after ending
        # whatever runs in the prefix, and saying so.
        if code is not None or ANSI.sub("", output).strip() or attempt:
            break
        sys.stderr.write("windows.py: %s ended with %d before it printed anything; starting it once more\n"
                         % (os.path.basename(program), status))
        stop_server(env)
    if code is None:
        raise Failed("the launcher could not run %s (Wine ended with %d); Wine printed:\n%s"
                     % (os.path.basename(program), status, output))
    code, *ms = code.split()
    return Launched(int(code), float(ms[0]) if ms else None, output)


def _in_terminal(command, env, timeout):
    """Runs a command with a pseudo-terminal as its console (Wine then writes the console to it),
    answers each "Press any key" with a key, and returns its exit status and all the terminal showed.
    It ends with the command: a wineserver that the command started keeps the terminal open."""
    # A wide terminal, so that Wine's console does not wrap long lines. Programs the command leaves
    # running (a log opener) must not die of the hang-up that its end sends them.
    child = pexpect.spawn(command[0], command[1:], env=env, dimensions=(50, 250), ignore_sighup=True)
    child.logfile_read, deadline = io.BytesIO(), time.time() + timeout
    try:
        while time.time() < deadline:
            ended = not child.isalive()  # then what it wrote is read to the end below
            found = child.expect([b"Press any key", pexpect.EOF, pexpect.TIMEOUT], timeout=0.1)
            if found == 0:
                child.send(b"x")
            elif found == 1 or ended:
                child.wait()
                return child.exitstatus if child.signalstatus is None else -child.signalstatus, \
                    child.logfile_read.getvalue().decode("utf-8", "replace")
        raise subprocess.TimeoutExpired(command, timeout)
    finally:
        child.close(force=True)


def settle(env, seconds=30):
    """Waits until no program of the prefix runs but Wine's own (a program the installer started may
    outlive it), then ends the prefix's wineserver: quicker than waiting for Wine to shut its
    services down."""
    deadline = time.time() + seconds
    while time.time() < deadline and not all(map(WINE_SERVICES.match, _programs(env["WINEPREFIX"]))):
        time.sleep(0.05)
    stop_server(env)


def _programs(prefix):
    """The command names of the programs that run in PREFIX."""
    return [p.info["cmdline"][0] for p in psutil.process_iter(["cmdline", "environ"])
            if (p.info["environ"] or {}).get("WINEPREFIX") == prefix and p.info["cmdline"]]


class _Handler(http.server.SimpleHTTPRequestHandler):
    def send_head(self):
        self.server.requests.append(self.path)
        if self.path in self.server.not_found:
            self.send_error(404, "Not Found")
            return None
        return super().send_head()

    def copyfile(self, source, outputfile):
        if self.path == self.server.close_after:
            # Stop accepting before the body goes out, so that no later request can be accepted:
            # the listening socket closes, later connections are refused.
            self.server.shutdown()
            self.server.server_close()
        while piece := source.read(16 * 1024):
            outputfile.write(piece)
            outputfile.flush()
            time.sleep(self.server.chunk_delay)

    def log_message(self, *args):
        pass


# The simulated service's scenario: one record per line, its fields in this order, tab-separated,
# names already turned into the numbers the service hands out.
FIELDS = {"package": ("family", "version", "arch", "entries"),
          "answer": ("method", "match", "status", "code", "extended", "late", "results", "text")}
DEFAULTS = dict(version="1.0.0.0", arch="x64", entries=1, method="", match="", status="completed", code=0,
                extended=0, late=False, results=0, text="")
NUMBERS = {"arch": {"x86": 0, "arm": 5, "x64": 9, "neutral": 11, "arm64": 12},
           "status": {"completed": 1, "canceled": 2, "error": 3}, "late": {False: 0, True: 1}}


def _serialize(name, record):
    record = dict(DEFAULTS, **record)
    values = [NUMBERS.get(field, {}).get(record[field], record[field])
              for field in FIELDS["answer" if name in ("deploy", "launch") else "package"]]
    return "\t".join([name] + [str(value) for value in values])


class Machine:
    """The simulated machine a row describes (tests/e2e/scenarios.py has the fields): in PREFIX as it
    stands, or else in a throwaway copy of the test run's base prefix. Its download server serves
    until close()."""

    def __init__(self, row, prefix=None):
        self.row, self.throwaway, self.server, self.mounted = row, prefix is None, None, None
        self.path = prefix or tempfile.mkdtemp(prefix="row-", dir=os.path.dirname(BASE))
        if self.throwaway:
            os.rmdir(self.path)
            clone(BASE, self.path)
        self.drive_c = os.path.join(self.path, "drive_c")
        self.env = environment(self.path, **({} if row["display"] else {"DISPLAY": ""}))
        if row["temp_path"]:
            windows = row["temp_path"]
        else:
            user = next(u for u in sorted(os.listdir(os.path.join(self.drive_c, "users"))) if u != "Public")
            windows = "C:\\users\\%s\\Temp" % user
        self.windows_temp = windows + "\\Tessaly Installer Temp\\"  # as the log writes it
        self.temp = self._unix(self.windows_temp[:-1])
        self.victim = self._unix(VICTIM)
        self._prepare()

    def _unix(self, path):
        return os.path.join(self.drive_c, *path[3:].split("\\"))

    def _prepare(self):
        row = self.row
        fake = os.path.join(self.drive_c, "orbalt-fake")
        link = row["victim_link"] and self._unix(row["victim_link"])
        if link and os.path.islink(link):
            os.remove(link)
        for leftover in (fake, self.temp, self.temp + "-target", self.victim, os.path.join(self.drive_c, "orbalt-test"),
                         self._unix(DOWNLOADS), *map(self._unix, DOTNET_ROOTS.values())):  # of earlier runs here
            shutil.rmtree(leftover, ignore_errors=True)
        os.makedirs(fake)
        with open(os.path.join(fake, "scenario.txt"), "w", encoding="utf-8") as f:
            for name in ("installed", "user", "provisioned", "deploy"):
                f.writelines(_serialize(name, record) + "\n" for record in row[name])
            if row["launch"]:
                f.write(_serialize("launch", row["launch"]) + "\n")
        if row["dotnet"] is not None:  # both frameworks at this version
            root = self._unix(DOTNET_ROOTS[row["dotnet_root"]])
            os.makedirs(os.path.join(root, "host", "fxr", "8.0.8"))
            open(os.path.join(root, "host", "fxr", "8.0.8", "hostfxr.dll"), "wb").close()
            for folder in ("Microsoft.WindowsDesktop.App", "Microsoft.NETCore.App"):
                os.makedirs(os.path.join(root, "shared", folder, row["dotnet"]))
        if link:
            os.makedirs(self.victim)
            os.symlink(self.victim, link)
        if row["temp_link"]:  # the installer's folder is a link to a folder beside it
            os.makedirs(self.temp + "-target")
            os.symlink(os.path.basename(self.temp) + "-target", self.temp)
        os.makedirs(self.temp, exist_ok=True)
        if row["temp_size"] and os.geteuid() != 0:
            raise unittest.SkipTest("mounting a small tmpfs takes root")
        if row["temp_size"]:  # where the working folder goes
            self.mounted = os.path.join(self.drive_c, "windows", "temp")
            subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%dk" % row["temp_size"], "tmpfs", self.mounted],
                           check=True)
        if row["victim"] is not None:
            os.makedirs(self.victim, exist_ok=True)
        for folder, files in ((self.victim, row["victim"] or {}), (self.temp, row["temp_seed"])):
            for name, content in files.items():
                os.makedirs(os.path.dirname(os.path.join(folder, name)), exist_ok=True)
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(content)
        defaults = options()
        values = {key: value for key, value in options(row["windows"], row["dpi"], row["fonts"]).items()
                  if defaults.get(key, "absent") != value}
        values.update({("HKEY_LOCAL_MACHINE\\" + REGISTRY[name][0], REGISTRY[name][1]): value
                       for name, value in row["registry"].items()})
        if row["dotnet_root"] == "registered":
            values[(DOTNET_REGISTRATION, "InstallLocation")] = DOTNET_ROOTS["registered"]
        if row["dotnet_root"] == "environment":  # a user's own setting, which any program of theirs can make
            for name in ("DOTNET_ROOT", "DOTNET_ROOT_X64"):
                values[("HKEY_CURRENT_USER\\Environment", name)] = DOTNET_ROOTS["environment"]
        # The fake .NET installer's settings are the machine's, as the environment of the run's children is.
        machine = r"HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Session Manager\Environment"
        if row["dotnet_exit"]:
            values[(machine, "ORBALT_FAKE_DOTNET_EXIT")] = str(row["dotnet_exit"])
        if row["attack"]:
            values[(machine, "ORBALT_FAKE_ATTACK")] = VICTIM
            values[(machine, "ORBALT_FAKE_USER_TEMP")] = self.windows_temp[:-len("\\Tessaly Installer Temp\\")]
        if row["temp_path"]:
            for name in ("TEMP", "TMP"):
                values[("HKEY_CURRENT_USER\\Environment", name)] = row["temp_path"]
        if row["comspec"]:  # a program in place of the command processor, which journals if it runs
            values[("HKEY_CURRENT_USER\\Environment", "COMSPEC")] = windows_path(BUILT["dotnet installer"])
        if values:
            set_registry(self.env, values)
        if row["downloads"]:
            self._serve(row["downloads"])

    def _serve(self, downloads):
        """Serves the row's files on the build's loopback port until close(): 404 for some, and no more
        connections after the .NET one for "refused" (under Wine a refused connection is the one
        download failure there is: a 404 page, or a transfer cut short, counts as downloaded), in
        16 KiB pieces row["slow"] seconds apart, so that progress rises; server.requests lists them."""
        self.served = os.path.join(self.path, "served")
        not_found, close_after = [], None
        for name, how in downloads.items():
            target = self.served + SERVED_PATHS[name]
            os.makedirs(os.path.dirname(target), exist_ok=True)
            if how == "404":
                not_found.append(SERVED_PATHS[name])
            elif how == "refused":
                close_after = SERVED_PATHS["dotnet"]
            elif name == "dotnet":
                shutil.copyfile(BUILT["dotnet installer"], target)
            else:
                with open(target, "wb") as f:
                    f.write(FRAMEWORK_BYTES)
        self.server = http.server.ThreadingHTTPServer(("127.0.0.1", int(cache_value("ORBALT_TEST_HTTP_PORT"))),
                                                      functools.partial(_Handler, directory=self.served))
        self.server.not_found, self.server.close_after, self.server.chunk_delay = set(not_found), close_after, \
            self.row["slow"]
        self.server.requests = []
        threading.Thread(target=self.server.serve_forever, daemon=True).start()

    def lines(self, *path, encoding="utf-8"):
        """The lines of a file under C:\\."""
        return (read(os.path.join(self.drive_c, *path), "rb") or b"").decode(encoding, "replace").splitlines()

    def installer(self):
        """The installer the row runs: in C:\\downloads with the files the row places beside it, if any."""
        program = self.row["installer"] or INSTALLER
        if self.row["downloads_folder"] is None:
            return program
        folder = self._unix(DOWNLOADS)
        os.makedirs(folder, exist_ok=True)
        for name, content in self.row["downloads_folder"].items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(content if isinstance(content, bytes) else read(BUILT[content], "rb"))
        return shutil.copy(program, folder)

    def run(self):
        """Runs the installer with the row's command line to its end in a terminal and reads back all
        it left: the exit code, what the console showed, Installer.log, the temp and working folders,
        the journal of the calls the deployment service and the fake .NET installer got, the message
        boxes the launcher answered as the user, the files opened for the user, registry values, the
        paths the download server was asked for."""
        row = self.row
        program = self.installer()
        launched = launch(self.env, program, *row["args"], limited=row["limited"],
                          answer="C:\\orbalt-fake\\boxes.txt" if row["display"] else None, terminal=True,
                          timeout=row["timeout"])
        settle(self.env)
        requests = sorted(set(self.server.requests)) if self.server else []
        self._stop_server()
        log_bytes = read(os.path.join(self.temp, "Installer.log"), "rb")
        work = WORK_FOLDER.search((log_bytes or b"").decode("latin-1"))
        windows_temp = os.path.join(self.drive_c, "windows", "temp")
        return types.SimpleNamespace(
            exit_code=launched.code, exe=windows_path(program), windows_temp=self.windows_temp, log_bytes=log_bytes,
            console=_as_shown(ANSI.sub("", launched.output)), terminal=launched.output,
            windows_work=work.group() if work else "(no working folder)", requests=requests,
            work_left={name: os.listdir(os.path.join(windows_temp, name)) for name in os.listdir(windows_temp)
                       if re.fullmatch("[0-9a-f]{32}", name)},
            victim={os.path.relpath(os.path.join(folder, name), self.victim): read(os.path.join(folder, name), "rb")
                    for folder, _, names in os.walk(self.victim) for name in names}
            if os.path.isdir(self.victim) else None,
            temp_files=sorted(os.listdir(self.temp)) if os.path.isdir(self.temp) else [],
            opened=self.lines("orbalt-test", "opened.txt"),
            boxes=[line.split("\t") for line in self.lines("orbalt-fake", "boxes.txt", encoding="utf-16-le")],
            journal=self.lines("orbalt-fake", "journal.txt"), registry=self._registry_values())

    def _registry_values(self):
        """The data of each REGISTRY value as system.reg holds it ("dword:00000001"), None if absent."""
        text = read(os.path.join(self.path, "system.reg")) or ""
        values = {}
        for name, (key, value_name) in REGISTRY.items():
            section = re.search(r"^\[%s\][^\n]*\n(.*?)(?:\n\n|\Z)" % re.escape(key.replace("\\", "\\\\")), text,
                                re.S | re.M | re.I)
            data = section and re.search(r'^"%s"=(.*)$' % re.escape(value_name), section.group(1), re.M | re.I)
            values[name] = data.group(1) if data else None
        return values

    def _stop_server(self):
        if self.server:
            self.server.shutdown()
            self.server.server_close()
            self.server = None

    def close(self):
        self._stop_server()
        if self.mounted:
            stop_server(self.env)
            subprocess.run(["umount", self.mounted], check=False)
        if self.throwaway:
            remove(self.path)


def _as_shown(text):
    """The terminal's lines as they end up on screen: text after a carriage return overwrites its
    line from the start (Wine's console redraws a line that it wraps that way)."""
    return "\n".join(functools.reduce(lambda shown, part: part + shown[len(part):], line.split("\r"), "")
                     for line in text.split("\n"))


def build_of(path):
    """The build tree that holds PATH: the nearest folder above it with a CMakeCache.txt."""
    folder = os.path.dirname(os.path.abspath(path))
    while folder != "/" and not os.path.exists(os.path.join(folder, "CMakeCache.txt")):
        folder = os.path.dirname(folder)
    return folder


def main(command=None, *args):
    if command == "display" and len(args) == 2 and args[0] in ("start", "stop"):
        (start_display if args[0] == "start" else stop_display)(args[1])
    elif command == "setup" and len(args) == 1:
        setup(os.path.join(args[0], "base"))
        clone(os.path.join(args[0], "base"), os.path.join(args[0], "prefix"))
    elif command == "exec" and args:
        env = environment(os.path.join(build_of(args[0]), "wine", "prefix"))
        os.execve(WINE, [WINE, *args], env)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(*sys.argv[1:])
