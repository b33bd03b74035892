"""The real installer on Windows 7, and started non-elevated: under Wine its "runas" copy is still
not elevated, so the copy must stop at its guard and the parent relay the copy's exit code."""
import os
import subprocess
import unittest

from harness import INSTALLER, WINETEST, Prefix, PrefixTest

BANNER = ["|LOG|: " + line for line in ("-" * 52, "-" * 16 + " Orbalt Installer " + "-" * 16, "-" * 52)]


class VersionGate(unittest.TestCase):
    def test_windows_7_stops_at_the_gate(self):
        prefix = Prefix("--windows", "win7")
        self.addCleanup(prefix.close)
        result = prefix.run("-s", display=False, timeout=40)
        self.assertEqual(result.exit_code, 1)
        self.assertEqual(result.log, BANNER + [
            "|ERROR|: Version Not Supported - Reason: You need at least Windows 10 20H1 - May 2020 Update "
            "(10.0.19041) to install Orbalt."])


class LimitedRuns(PrefixTest):
    # A missing guard would start copies without end: every run has a hard time limit.
    def test_the_copy_gets_pv_stops_at_the_guard_and_its_exit_code_is_relayed(self):
        # Silent parent: the copy deleted the log when it started, so the parent's first lines
        # are gone; its last line follows the copy's records.
        result = self.prefix.run("-s", limited=True, display=False, timeout=30)
        self.assertEqual(result.exit_code, 1)
        self.assertEqual(result.log, BANNER + [
            "|LOG|: This run was started by the installer to get elevation, yet it is still not elevated. "
            "Not starting another copy.",
            "|ERROR|: Self Elevation Error - Reason: An error occurred while self elevating the Orbalt installer.",
            "|LOG|: Self-elevated EXE exited with code 1"])

        # Verbose parent: its console shows every line of its own, the "-pv" argument included.
        result = self.prefix.run("-v", limited=True, keys="x", display=False, timeout=40)
        exe = subprocess.run([WINETEST, "path", INSTALLER], env=dict(os.environ, ORBALT_WINEPREFIX=self.prefix.path),
                             capture_output=True, text=True).stdout.strip()
        text = result.console.replace("\n", "")  # joins the lines an 80-column console broke
        self.assertEqual(result.exit_code, 1)
        for line in ("Self-elevating EXE at '%s' with args -pv" % exe,
                     "Note! Installer logs will not be here! Look under the temp folder within the account that ran "
                     "the installer.", "Waiting for Self-Elevated Orbalt installer response...",
                     "Self-elevated EXE exited with code 1"):
            self.assertIn(line, text)
        self.assertEqual(text.count("Self-elevating EXE"), 1)


if __name__ == "__main__":
    unittest.main()
