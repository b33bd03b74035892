"""Runs the real installer under Wine in a throwaway copy of the test prefix and reads back what
it left: the exit code, the console text, Installer.log and the files in its temp folder."""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

BUILD = os.environ["ORBALT_BUILD"]  # the windows build tree
WINETEST = os.environ["ORBALT_WINETEST"]
HTTP_SERVER = os.environ.get("ORBALT_HTTP_SERVER", "")
HTTP_PORT = int(os.environ.get("ORBALT_TEST_HTTP_PORT", "0"))
FAKE_DOTNET_INSTALLER = os.path.join(BUILD, "tests", "fakes", "fake_dotnet_installer.exe")
DOTNET_PATH = "/dotnet/windowsdesktop-runtime-8.0.8-win-x64.exe"
FRAMEWORK_PATH = "/framework/Microsoft.VCLibs.x64.14.00.Desktop.appx"
DOTNET_URL = "http://127.0.0.1:%d%s" % (HTTP_PORT, DOTNET_PATH)
FRAMEWORK_URL = "http://127.0.0.1:%d%s" % (HTTP_PORT, FRAMEWORK_PATH)
BASE_PREFIX = os.path.join(BUILD, "wine", "prefix")
INSTALLER = os.path.join(BUILD, "bin", os.environ.get("ORBALT_INSTALLER", "OrbaltTest.exe"))

WINE = "/usr/lib/wine/wine64" if os.path.exists("/usr/lib/wine/wine64") else "wine"
ANSWER_BOXES = os.path.join(BUILD, "fakes", "answer-boxes.exe")

ANSI = re.compile(r"\x1b\[[0-9;?]*[A-Za-z]")


class Result:
    def __init__(self, exit_code, console, log_bytes, temp_files, opened):
        self.exit_code = exit_code
        self.opened = opened  # the files the installer opened for the user
        self.console = console
        self.log_bytes = log_bytes
        self.temp_files = temp_files

    def console_lines(self):
        return [line.rstrip() for line in self.console.split("\n")]

    @property
    def log(self):
        """The log's records as text lines (CR LF split off, bytes as ISO 8859-1)."""
        if self.log_bytes is None:
            return None
        text = self.log_bytes.decode("latin-1")
        assert text == "" or text.endswith("\r\n"), "the log ends in the middle of a record"
        return text[:-2].split("\r\n") if text else []


class Prefix:
    """A private copy of the test prefix, removed again by close()."""

    def __init__(self, *options):
        self.path = tempfile.mkdtemp(prefix="orbalt-e2e-", dir=os.path.join(BUILD, "wine"))
        subprocess.run([WINETEST, "clone", BASE_PREFIX, self.path, *options], check=True)

    def close(self):
        subprocess.run(["wineserver", "-k"], env=dict(os.environ, WINEPREFIX=self.path), check=False)
        shutil.rmtree(self.path, ignore_errors=True)

    def env(self):
        """The environment of a Windows program in this prefix, with the test run's display (the
        first program of a prefix decides whether its desktop has one)."""
        env = dict(os.environ, WINEPREFIX=self.path, WINEDEBUG="-all")
        display_file = os.path.join(BUILD, "wine", "display")
        if "DISPLAY" not in os.environ and os.path.exists(display_file):
            with open(display_file) as f:
                env["DISPLAY"] = f.read().strip()
        return env

    def wine(self, *args, check=True):
        env = self.env()
        subprocess.run([WINE, *args], env=env, check=check, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def set_dword(self, key, name, value):
        """Writes a REG_DWORD value in the 64-bit view of the prefix's registry."""
        self.wine("reg", "add", key, "/v", name, "/t", "REG_DWORD", "/d", str(value), "/f")
        subprocess.run(["wineserver", "-w"], env=dict(os.environ, WINEPREFIX=self.path), check=False)

    def dword(self, key, name):
        out = subprocess.run([WINE, "reg", "query", key, "/v", name], env=self.env(), capture_output=True).stdout
        match = re.search(rb"REG_DWORD\s+0x([0-9a-fA-F]+)", out)
        return int(match.group(1), 16) if match else None

    def temp_folder(self):
        users = os.path.join(self.path, "drive_c", "users")
        for user in sorted(os.listdir(users)):
            candidate = os.path.join(users, user, "Temp", "Tessaly Installer Temp")
            if user != "Public" and os.path.isdir(os.path.dirname(candidate)):
                return candidate
        raise AssertionError("no temp folder in the prefix")

    def run(self, *args, keys=None, console=False, limited=False, display=True, timeout=120, installer=INSTALLER,
            env=None):
        """Runs the installer to its end. With a display, a stand-in user answers every message box
        with OK and notes what it saw in Result.boxes."""
        rc_file = os.path.join(self.path, "exit-code")
        command = [WINETEST, "run", "--prefix", self.path, "--rc", rc_file, "--timeout", str(timeout)]
        if keys is not None:
            command += ["--keys", keys]
        elif console:
            command += ["--console"]
        if limited:
            command += ["--limited"]
        if not display:
            command += ["--no-display"]
        command += ["--", installer, *args]
        boxes_journal = os.path.join(self.path, "drive_c", "boxes.txt")
        stop_file = os.path.join(self.path, "drive_c", "boxes.stop")
        user = None
        if display:
            user = subprocess.Popen([WINE, ANSWER_BOXES, "C:\\boxes.txt", "C:\\boxes.stop", str(timeout),
                                     os.path.basename(installer)],
                                    env=self.env(),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(200):
                if os.path.exists(boxes_journal + ".ready") or user.poll() is not None:
                    break
                time.sleep(0.05)
        try:
            done = subprocess.run(command, capture_output=True, timeout=timeout + 30,
                                  env=dict(os.environ, **(env or {})))
        finally:
            if user is not None:
                open(stop_file, "w").close()
                user.wait(timeout=30)
        if done.returncode == 124:
            raise AssertionError("the installer did not end within %d s" % timeout)
        with open(rc_file) as f:
            exit_code = int(f.read().strip())
        folder = self.temp_folder()
        log_path = os.path.join(folder, "Installer.log")
        log_bytes = None
        if os.path.exists(log_path):
            with open(log_path, "rb") as f:
                log_bytes = f.read()
        files = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
        opened_path = os.path.join(self.path, "drive_c", "orbalt-test", "opened.txt")
        opened = []
        if os.path.exists(opened_path):
            with open(opened_path, encoding="utf-8", errors="replace") as f:
                opened = f.read().splitlines()
            os.remove(opened_path)
        console_text = ANSI.sub("", done.stdout.decode("utf-8", "replace")).replace("\r", "")
        result = Result(exit_code, console_text, log_bytes, files, opened)
        result.boxes = []
        if user is not None:
            if os.path.exists(boxes_journal):
                with open(boxes_journal, encoding="utf-8") as f:
                    result.boxes = [line.split("\t") for line in f.read().splitlines()]
                os.remove(boxes_journal)
            for leftover in (stop_file, boxes_journal + ".ready"):
                if os.path.exists(leftover):
                    os.remove(leftover)
        return result


class PrefixTest(unittest.TestCase):
    """A test case with its own prefix."""

    prefix_options = ()

    def setUp(self):
        self.prefix = Prefix(*self.prefix_options)
        self.addCleanup(self.prefix.close)


class Machine:
    """What the simulated Windows machine holds and answers in one end-to-end scenario.

    dotnet:    "present" (a .NET 8.0.8 tree the checker finds), or "missing"
    dotnet_download / framework_download: "ok", "missing" (404 from the server, which Wine saves
               as if it were the file), "tampered" (other bytes than the pinned digest) or "refused"
               (nothing listens: for the framework alone, the server closes after the .NET download)
    dotnet_exit: the exit code of the fake .NET installer
    scenario:  lines for the simulated deployment service (tests/fakes/deployment-service)
    """

    def __init__(self, dotnet="present", dotnet_download="ok", framework_download="ok", dotnet_exit=0,
                 scenario=(), chunk_delay=0.0):
        self.dotnet = dotnet
        self.dotnet_download = dotnet_download
        self.framework_download = framework_download
        self.dotnet_exit = dotnet_exit
        self.scenario = list(scenario)
        self.chunk_delay = chunk_delay


class Scenario(PrefixTest):
    """A prefix with the simulated deployment service, a loopback download server and a fake
    .NET installer; run() returns the Result plus the service's journal."""

    def prepare(self, machine):
        c = os.path.join(self.prefix.path, "drive_c")
        fake = os.path.join(c, "orbalt-fake")
        os.makedirs(fake, exist_ok=True)
        with open(os.path.join(fake, "scenario.txt"), "w", encoding="utf-8") as f:
            f.write("\n".join(machine.scenario) + "\n")
        if machine.dotnet == "present":
            for folder in ("host/fxr/8.0.8", "shared/Microsoft.NETCore.App/8.0.8",
                           "shared/Microsoft.WindowsDesktop.App/8.0.8"):
                os.makedirs(os.path.join(c, "dotnet", folder), exist_ok=True)
            open(os.path.join(c, "dotnet", "host", "fxr", "8.0.8", "hostfxr.dll"), "wb").close()
        self.env = {
            "DOTNET_ROOT_X64": "C:\\dotnet",
            "ORBALT_FAKE_DOTNET_ROOT": "C:\\dotnet",
            "ORBALT_FAKE_DOTNET_EXIT": str(machine.dotnet_exit),
            "ORBALT_FAKE_DOTNET_RECORD": "C:\\orbalt-fake\\dotnet-installer.txt",
        }
        served = os.path.join(self.prefix.path, "served")
        not_found = []
        for path, how, content in ((DOTNET_PATH, machine.dotnet_download, None),
                                   (FRAMEWORK_PATH, machine.framework_download, b"framework package bytes")):
            target = served + path
            os.makedirs(os.path.dirname(target), exist_ok=True)
            if how == "missing":
                not_found.append(path)
                continue
            if how == "tampered":
                content = b"MZ not the installer we pinned"
            if content is None:
                shutil.copyfile(FAKE_DOTNET_INSTALLER, target)
            else:
                with open(target, "wb") as f:
                    f.write(content)
        self.server_pidfile = None
        if machine.dotnet_download != "refused" and (machine.framework_download != "refused" or
                                                      machine.dotnet == "missing"):
            self.server_pidfile = os.path.join(self.prefix.path, "server.pid")
            command = [sys.executable, HTTP_SERVER, "start", "--root", served, "--port", str(HTTP_PORT),
                       "--pidfile", self.server_pidfile, "--log", os.path.join(self.prefix.path, "server.log"),
                       "--chunk-delay", str(machine.chunk_delay)]
            for path in not_found:
                command += ["--not-found", path]
            if machine.framework_download == "refused":
                command += ["--close-after", DOTNET_PATH]
            subprocess.run(command, check=True)
            self.addCleanup(self.stop_server)

    def stop_server(self):
        if self.server_pidfile:
            subprocess.run([sys.executable, HTTP_SERVER, "stop", "--pidfile", self.server_pidfile], check=False)
            self.server_pidfile = None

    def run_installer(self, machine, *args, **options):
        self.prepare(machine)
        result = self.prefix.run(*args, env=self.env, **options)
        self.stop_server()
        c = os.path.join(self.prefix.path, "drive_c", "orbalt-fake")
        result.journal = _read_lines(os.path.join(c, "journal.txt"))
        result.dotnet_installer_runs = _read_lines(os.path.join(c, "dotnet-installer.txt"))
        result.server_log = _read_lines(os.path.join(self.prefix.path, "server.log"))
        return result


def _read_lines(path):
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8", errors="replace") as f:
        return f.read().splitlines()


def app_identity():
    """(family name, full name) of the embedded package, as the build derived them."""
    with open(os.path.join(BUILD, "generated", "app_identity.h")) as f:
        text = f.read()
    family = re.search(r'ORBALT_APP_FAMILY_NAME "([^"]+)"', text).group(1)
    full = re.search(r'ORBALT_APP_FULL_NAME "([^"]+)"', text).group(1)
    return family, full


def windows_temp_folder(prefix):
    """The installer's folder as the installer names it (C:\\users\\<user>\\Temp\\...\\)."""
    user = os.path.basename(os.path.dirname(os.path.dirname(prefix.temp_folder())))
    return "C:\\users\\%s\\Temp\\Tessaly Installer Temp\\" % user
