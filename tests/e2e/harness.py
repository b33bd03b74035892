"""Runs the real installer under Wine in a throwaway copy of the test prefix and reads back what
it left: the exit code, the console text, Installer.log and the files in its temp folder."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

BUILD = os.environ["ORBALT_BUILD"]  # the windows build tree
WINETEST = os.environ["ORBALT_WINETEST"]
BASE_PREFIX = os.path.join(BUILD, "wine", "prefix")
INSTALLER = os.path.join(BUILD, "bin", os.environ.get("ORBALT_INSTALLER", "OrbaltTest.exe"))

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

    def temp_folder(self):
        users = os.path.join(self.path, "drive_c", "users")
        for user in sorted(os.listdir(users)):
            candidate = os.path.join(users, user, "Temp", "Tessaly Installer Temp")
            if user != "Public" and os.path.isdir(os.path.dirname(candidate)):
                return candidate
        raise AssertionError("no temp folder in the prefix")

    def run(self, *args, keys=None, console=False, limited=False, display=True, timeout=120, installer=INSTALLER):
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
        done = subprocess.run(command, capture_output=True, timeout=timeout + 30)
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
        return Result(exit_code, console_text, log_bytes, files, opened)


class PrefixTest(unittest.TestCase):
    """A test case with its own prefix."""

    prefix_options = ()

    def setUp(self):
        self.prefix = Prefix(*self.prefix_options)
        self.addCleanup(self.prefix.close)
