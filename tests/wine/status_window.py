#!/usr/bin/python3
"""The real installer's status window under Xvfb and Wine: screenshots checked pixel by pixel at 96,
120 and 144 dpi and without fonts, and what a UI Automation client in another process reads of it.

    status_window.py UIA_DUMP ARTIFACTS

Runs the installer in Gui mode on a machine that has both prerequisites, in a prefix of its own per
dpi, on a private 1920 x 1080 Xvfb screen. The simulated deployment service holds it first while it
lists the packages ("Getting ready...") and then while it installs ("Installing Orbalt...").
Each state is photographed once UIA_DUMP (uia_dump.exe), a client in another process, reads its
status text, which painting feeds. Each screenshot goes into ARTIFACTS; the checks are what the
client reads, the window's pixels, and at 96 dpi which pixels the new status text changes. Copies
the base prefix of the test run, as the end-to-end rows do.
"""
import os
import re
import sys
import threading
import time

from PIL import ImageGrab

import windows

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
import scenarios  # noqa: E402

BACKGROUND = (0xF0, 0xF0, 0xF0)
PLACEMENT = {96: (775, 365, 370, 350), 120: (729, 322, 462, 437), 144: (683, 278, 555, 525)}  # on 1920 x 1080
MESSAGE = "Getting Orbalt ready for you. It will launch once it's ready"
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message, flush=True)
    return condition


def box(points):
    """Left, top, right and bottom of the points, all inclusive; None without points."""
    xs, ys = [p[0] for p in points], [p[1] for p in points]
    return (min(xs), min(ys), max(xs), max(ys)) if points else None


class Shot:
    """An RGB screenshot of the whole screen; at(x, y) in client coordinates of the window."""

    def __init__(self, display, path, dpi):
        image = ImageGrab.grab(xdisplay=display)
        image.save(path)
        self.pixels = image.convert("RGB").load()
        self.x, self.y, self.w, self.h = PLACEMENT[dpi]
        self.cw, self.ch = self.w - 2, self.h - 1  # 1-pixel edge on the left, right and bottom; no caption
        self.band_top, self.dpi = self.ch - dpi * 60 / 96, dpi

    def screen(self, x, y):
        return self.pixels[x, y]

    def at(self, px, py):
        return self.screen(self.x + 1 + px, self.y + py)

    def marks(self, top, bottom, by):
        """The box of the client pixels in rows top..bottom that differ from the background."""
        return box([(px, py) for py in range(int(top), int(bottom)) for px in range(self.cw)
                    if max(abs(a - b) for a, b in zip(self.at(px, py), BACKGROUND)) > by])


def photograph(display, path, dpi, ready):
    """A screenshot and what ready() found in it, once that is something or after 5 s: the painted
    buffer reaches the X screen a moment after the client reads the text that painting gave it."""
    deadline = time.time() + 5
    while not (found := ready(shot := Shot(display, path, dpi))) and time.time() < deadline:
        time.sleep(0.2)
    return shot, found


def check_window(shot, label):
    """Placement, edge, background, logo box and text pixels."""
    x, y, w, h = shot.x, shot.y, shot.w, shot.h
    # The client area is the only region of the background colour around the window's place, with
    # a 1-pixel edge left, right and below, each in one colour (Wine shades the left lighter).
    client = box([(xx, yy) for yy in range(y - 20, y + h + 20) for xx in range(x - 20, x + w + 20)
                  if shot.screen(xx, yy) == BACKGROUND])
    check(client == (x + 1, y, x + shot.cw, y + shot.ch - 1), f"{label}: client area {client}")
    for side, colours in (("left", {shot.screen(x, yy) for yy in range(y, y + h - 1)}),
                          ("right", {shot.screen(x + w - 1, yy) for yy in range(y, y + h)}),
                          ("bottom", {shot.screen(xx, y + h - 1) for xx in range(x + 1, x + w)})):
        check(len(colours) == 1, f"{label}: {side} edge colours {colours}")
    # Logo: everything drawn above the message lies in the logo box, fills most of it and is centred
    # (text drawn there would be wider than the box).
    lw, lh, lt = shot.dpi * 130 / 96, shot.dpi * 127 / 96, shot.dpi * 60 / 96
    lx = (shot.cw - lw) / 2
    logo = shot.marks(0, lt + lh + 4, 16)
    if check(logo is not None, f"{label}: no logo pixels"):
        check(lx - 1 <= logo[0] and logo[2] <= lx + lw + 1 and lt - 1 <= logo[1] and logo[3] <= lt + lh + 1 and
              logo[2] - logo[0] >= 0.7 * lw and logo[3] - logo[1] >= 0.5 * lh and
              abs((logo[0] + logo[2]) / 2 - shot.cw / 2) <= 3, f"{label}: logo pixels {logo}, box at {lx},{lt}")
    # Texts: two lines between the logo and the band (the message), and the band.
    message, status = shot.marks(lt + lh + 2, shot.band_top, 60), shot.marks(shot.band_top, shot.ch, 60)
    check(message is not None and message[1] > shot.ch / 2 and abs((message[0] + message[2]) / 2 - shot.cw / 2) <= 4
          and message[3] - message[1] >= 2 * shot.dpi * 13 / 72 * 0.8, f"{label}: message text at {message}")
    check(status is not None, f"{label}: status text pixels {status}")


def changed_rows(before, after):
    return {py for py in range(before.ch) if any(before.at(px, py) != after.at(px, py) for px in range(before.cw))}


def read_once_painted(machine, dump, status, label, seconds=20):
    """Waits until a client in another process reads `status` (painting feeds the elements), then
    checks what it reads: the window element, top-most, and its two text children, each told apart."""
    deadline = time.time() + seconds
    while True:
        out = windows.wine(machine.env, dump, check=False, timeout=30).replace("\r", "")
        tree = re.findall(r"^(\w[\w ]*?) name=(.*) id=(\S+) type=(\S+) runtime=(\S+)$", out, re.M)
        if f'"{status}"' in [row[1] for row in tree] or time.time() > deadline:
            break
        time.sleep(0.2)
    check("window topmost=1" in out, f"{label}: the window is not top-most")
    rows = [row[:4] for row in tree]
    root = ("root", '"Orbalt Installer"', '"Orbalt_Installer"', "50032")
    check(rows == [root, ("child", f'"{MESSAGE}"', "none", "50020"), ("child", f'"{status}"', "none", "50020"),
                   ("parent of the last child",) + root[1:]], f"{label}: the client reads {rows}")
    runtime = [row[4] for row in tree]
    check(len(runtime) == 4 and runtime[0] == runtime[3] and len(set(runtime[:3])) == 3 and "none" not in runtime,
          f"{label}: runtime ids {runtime}")


class HeldRun:
    """One run of the installer on a machine of its own, held by the deployment service at given calls."""

    def __init__(self, dpi, fonts, holds):
        self.machine = windows.Machine(scenarios.row("status window", exit=0, log=[], dpi=dpi, fonts=fonts,
                                                     timeout=180))
        self.fake = os.path.join(self.machine.drive_c, "orbalt-fake")
        for call in holds:
            open(os.path.join(self.fake, "hold-" + call), "w").close()
        self.result = None
        self.thread = threading.Thread(target=lambda: setattr(self, "result", self.machine.run()))
        self.thread.start()

    def wait_until_held(self, call, seconds=90):
        deadline = time.time() + seconds
        journal = os.path.join(self.fake, "journal.txt")
        while not os.path.exists(journal) or "held " + call not in open(journal, encoding="utf-8").read():
            if time.time() > deadline or not self.thread.is_alive():
                raise RuntimeError(f"the installer was not held at {call}")
            time.sleep(0.1)

    def release(self, call):
        os.remove(os.path.join(self.fake, "hold-" + call))

    def finish(self):
        for name in os.listdir(self.fake):
            if name.startswith("hold-"):
                os.remove(os.path.join(self.fake, name))
        self.thread.join(timeout=200)
        check(self.result is not None and self.result.exit_code == 0, f"the held run ended with "
              f"{self.result and self.result.exit_code}: {self.result and self.result.log_bytes}")
        self.machine.close()


def main(dump, artifacts):
    os.makedirs(artifacts, exist_ok=True)
    # Every prefix here is a fresh copy that only this display ever sees: Wine ties a prefix's
    # desktop to the first display used in it.
    with windows.display() as display:
        for dpi, name in ((96, "dpi96"), (120, "dpi120"), (144, "dpi144"), (96, "nofonts")):
            run = HeldRun(dpi, name != "nofonts", ["FindPackages", "AddPackageAsync"])
            try:
                run.wait_until_held("FindPackages")
                read_once_painted(run.machine, dump, "Getting ready...", name)
                first, _ = photograph(display, os.path.join(artifacts, f"status-{name}.png"), dpi,
                                   lambda shot: shot.marks(shot.band_top, shot.ch, 60) is not None)
                check_window(first, name)
                if name != "dpi96":
                    continue
                # The client reads the next status text, and it changes band pixels only.
                run.release("FindPackages")
                run.wait_until_held("AddPackageAsync")
                read_once_painted(run.machine, dump, "Installing Orbalt...", f"{name}, installing")
                shot, rows = photograph(display, os.path.join(artifacts, f"status-{name}-installing.png"), dpi,
                                        lambda shot: changed_rows(first, shot))
                check(rows and min(rows) >= shot.band_top, f"installing: changed rows from {min(rows or [0])}")
            finally:
                run.finish()
    print(f"{len(failures)} check(s) failed" if failures else "all checks passed", f"; screenshots in {artifacts}")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(*map(os.path.abspath, sys.argv[1:])))
