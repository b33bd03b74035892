"""The command line, the help screen, the run banner and the console on the real installer."""
import unittest

from harness import PrefixTest

HELP = [
    "-" * 72,
    "-" * 26 + " Orbalt Installer " + "-" * 26,
    "-" * 72,
    "-v  | --verbose            | Detailed installer logging",
    "-p  | --provision          | Provision the package (with GUI)",
    "-pv | --provision-verbose  | Provision the package (with detailed installer logging)",
    "-s  | --silent             | Don't show a status GUI",
    "-g  | --gui                | Show a status GUI (default)",
    "-h  | --help               | Display this help screen",
]
BANNER = ["-" * 52, "-" * 16 + " Orbalt Installer " + "-" * 16, "-" * 52]


class HelpScreen(PrefixTest):
    def test_help_and_unknown_options_exit_0_with_the_nine_lines(self):
        for args in (["-h"], ["--help"], ["-V"], ["/s"], ["--silent=1"], [""]):
            with self.subTest(args=args):
                result = self.prefix.run(*args, keys="x")
                self.assertEqual(result.exit_code, 0)
                self.assertEqual(result.log, ["|LOG|: " + line for line in HELP])
                # Shown on the console too, then "PAUSE" waits for the key we typed.
                lines = result.console_lines()
                self.assertEqual(lines[: len(HELP)], HELP)
                self.assertTrue(lines[len(HELP)].startswith("Press any key to continue"))
                self.assertNotIn(BANNER[1], lines)
                self.assertEqual(result.opened, [])


class RunBanner(PrefixTest):
    def test_a_run_starts_with_the_banner_in_every_mode(self):
        silent = self.prefix.run("-s")
        self.assertEqual(silent.log[:3], ["|LOG|: " + line for line in BANNER])
        self.assertFalse(any(HELP[3] in line for line in silent.log))
        verbose = self.prefix.run("-v", keys="x")
        self.assertEqual(verbose.log[:3], ["|LOG|: " + line for line in BANNER])
        self.assertEqual(verbose.console_lines()[:3], BANNER)
        self.assertEqual(silent.exit_code, verbose.exit_code)


class WindowFallback(PrefixTest):
    def test_without_a_display_the_run_goes_on_in_a_console(self):
        # Gui mode, but the window cannot be created: the run switches to Verbose mode, so the
        # banner reaches the console and the end waits for a key.
        result = self.prefix.run(keys="x", display=False)
        self.assertEqual(result.log[:3], ["|LOG|: " + line for line in BANNER])
        lines = result.console_lines()
        # Wine hands even a GUI program the terminal's console, so the two window lines that
        # precede the log show up there as well; on Windows they reach no screen.
        self.assertEqual(lines[:2], ["Preparing to create window...",
                                     "Failed to create window. Installer will now enter Verbose mode."])
        self.assertEqual(lines[2:5], BANNER)
        self.assertIn("Press any key to continue", lines[-1])


if __name__ == "__main__":
    unittest.main()
