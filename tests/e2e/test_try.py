"""scripts/try, the command a vendor tries a release with, on the shipped installer in a machine
without a display: the Gui run goes on in a console whose closing key prompt the command answers,
and its output shows the package that the installer carries installed and launched."""
import json
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine"))
import windows  # noqa: E402
import scenarios  # noqa: E402

SHIPPED = os.path.join(os.environ.get("ORBALT_DIST_DIR") or os.path.join(windows.ROOT, "dist"), "Orbalt.exe")


class Try(unittest.TestCase):
    def test_the_shipped_installer_without_a_display(self):
        with tempfile.NamedTemporaryFile("w", suffix=".json") as machine:
            json.dump({"display": False}, machine)
            machine.flush()
            done = subprocess.run([os.path.join(windows.ROOT, "scripts", "try"), SHIPPED, machine.name],
                                  capture_output=True, text=True, timeout=280)
        with open(SHIPPED[:-3] + "msix", "rb") as package:
            handed = windows.summary(package.read())
        for text in ("Failed to create window. Installer will now enter Verbose mode.", "Press any key to continue",
                     'PackageManager.FindPackagesByUserSecurityIdPackageFamilyName sid="" family="%s"\n'
                     "user[0].GetAppListEntries\nuser[0].entry[0].LaunchAsync" % scenarios.FAMILY,
                     "ran: %s\nexit code: 0\ninstalled: the package it carries %s\n" % (windows.windows_path(SHIPPED),
                                                                                         handed)):
            self.assertIn(text, done.stdout, done.stderr)
        self.assertEqual(done.returncode, 0, done.stderr)


if __name__ == "__main__":
    unittest.main()
