"""Turns every row of scenarios.py into a test of the real installer. ORBALT_E2E_SHARD chooses the
rows, so that shards can run side by side: "downloads" (the rows that download from the build's one
loopback port, served or not), "local-0" or "local-1" (every other one of the rest); unset, all."""
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "wine"))
import windows  # noqa: E402  (tests/wine: the machine of a row, under Wine)
import scenarios  # noqa: E402

def log_text(text):
    """How Installer.log writes a text: each UTF-16 unit above U+00FF as \\uXXXX (the rows' texts
    hold no character outside the BMP)."""
    return re.sub(r"[^\x00-\xff]", lambda m: "\\u%04X" % ord(m.group()), text)


def expand(value, result):
    """Replaces the placeholders in every text of an expected value."""
    if isinstance(value, (list, tuple)):
        return [expand(item, result) for item in value]
    if not isinstance(value, str):
        return value
    for name, text in (("{temp}", result.windows_temp), ("{work}", result.windows_work), ("{exe}", result.exe),
                       ("{beside}", result.exe[:result.exe.rindex("\\") + 1]),
                       ("{dotnet_url}", windows.url("dotnet")), ("{framework_url}", windows.url("framework")),
                       ("{package}", PACKAGE), ("{framework}", windows.summary(windows.FRAMEWORK_BYTES))):
        value = value.replace(name, text)
    return value


def log_lines(records):
    lines = []
    for record in records:
        lines += log_text(record if record.startswith("|") else "|LOG|: " + record).split("\n")
    return lines


with open(windows.BUILT["package"], "rb") as _package:
    PACKAGE = windows.summary(_package.read())


class Rows(unittest.TestCase):
    maxDiff = None

    def check(self, row):
        machine = windows.Machine(row)
        self.addCleanup(machine.close)
        result = machine.run()
        self.assertEqual(result.exit_code, row["exit"], "exit code; the log:\n%s" % (result.log_bytes or b"").decode(
            "latin-1"))
        if row["log"] is None:
            self.assertIsNone(result.log_bytes, "a log was written")
        else:
            self.assertIsNotNone(result.log_bytes, "no log was written")
            text = result.log_bytes.decode("latin-1")
            self.assertEqual(text[:-2].split("\r\n"), log_lines(expand(row["log"], result)))
        self.assertEqual(result.temp_files, sorted(row["temp"]))
        self.assertEqual(result.work_left, {}, "the working folder outlived the run")
        self.assertEqual(result.victim, row["victim"], "the victim folder changed")
        self.assertEqual(result.opened, expand(row["opened"], result))
        self.assertEqual(result.boxes, expand(row["boxes"], result))
        unexpected = [line for line in result.journal if line.startswith("unexpected")]
        self.assertEqual(unexpected, [], "calls the installer should never make")
        if row["journal"] is not None:
            self.assertEqual(result.journal, expand(row["journal"], result))
        if row["requests"] is not None:
            self.assertEqual(result.requests, sorted(row["requests"]), "the download server's requests")
        for name, data in row["registry_after"].items():
            self.assertEqual(result.registry[name], data, "registry value " + name)
        console = result.console.replace("\n", "")  # lines the console broke are whole again
        position = 0
        for text in expand(row["console"], result):
            found = console.find(text, position)
            self.assertGreaterEqual(found, 0, "%r not on the console after position %d:\n%s" %
                                    (text, position, result.console))
            position = found + len(text)
        for start, end, lowest, highest in row["progress"]:
            part = console[console.index(expand(start, result)):console.index(expand(end, result))]
            steps = [int(p) for p in re.findall(r"(\d+)%", part)]
            # Rising within the bounds, over at least half of them.
            self.assertTrue(steps == sorted(steps) and steps and lowest <= steps[0] and steps[-1] <= highest and
                            steps[-1] - steps[0] >= (highest - lowest) / 2, "percentages %s" % steps)


def _slug(name):
    return re.sub(r"\W+", "_", name.split(":")[0].strip().lower()).strip("_")


def _downloads(row):
    return "_url}" in repr(row["log"])


SHARD = os.environ.get("ORBALT_E2E_SHARD")
_local = [row for row in scenarios.ROWS if not _downloads(row)]
for _row in scenarios.ROWS:
    if SHARD and SHARD != ("downloads" if _downloads(_row) else "local-%d" % (_local.index(_row) % 2)):
        continue
    _name = "test_" + _slug(_row["name"])
    assert not hasattr(Rows, _name), "two rows named " + _name
    setattr(Rows, _name, lambda self, row=_row: self.check(row))
assert any(name.startswith("test_") for name in vars(Rows)), "no row in shard %s" % SHARD

if __name__ == "__main__":
    unittest.main()
