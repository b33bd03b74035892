#!/usr/bin/python3
"""The real installer's status window under Xvfb and Wine, at 120 and 144 dpi and at 96 without fonts:
what reaches the screen, and what a UI Automation client in another process reads of it.

    status_window.py UIA_DUMP ARTIFACTS

Runs the installer in Gui mode on a machine that has both prerequisites, in a prefix of its own per
dpi, on a private 1920 x 1080 Xvfb screen, held by the simulated deployment service while it lists
the packages ("Getting ready..."). Once UIA_DUMP (uia_dump.exe), a client in another process, reads
that status text, which painting feeds, the screen is photographed into ARTIFACTS and checked: the
window's place and client area, the logo in its box, the texts below it and in the band. What is
drawn where at 96 dpi with the fonts, in which size and colour, status_window_test reads in-process.
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

    def at(self, px, py):
        return self.pixels[self.x + 1 + px, self.y + py]

    def marks(self, top, bottom, by):
        """The box of the client pixels in rows top..bottom that differ from the background."""
        return box([(px, py) for py in range(int(top), int(bottom)) for px in range(self.cw)
                    if max(abs(a - b) for a, b in zip(self.at(px, py), BACKGROUND)) > by])


def photograph(display, path, dpi):
    """The screen once the status text shows in it (the painted buffer reaches the X screen a moment
    after the client reads the text painting gave it), or after 5 s."""
    deadline = time.time() + 5
    while (shot := Shot(display, path, dpi)).marks(shot.band_top, shot.ch, 60) is None and time.time() < deadline:
        time.sleep(0.2)
    return shot


def check_window(shot, label):
    """Placement, client area, logo box and text pixels."""
    x, y, w, h = shot.x, shot.y, shot.w, shot.h
    # The client area is the only region of the background colour around the window's place.
    client = box([(xx, yy) for yy in range(y - 20, y + h + 20) for xx in range(x - 20, x + w + 20)
                  if shot.pixels[xx, yy] == BACKGROUND])
    check(client == (x + 1, y, x + shot.cw, y + shot.ch - 1), f"{label}: client area {client}")
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


def read_once_painted(machine, dump, status, label, seconds=90):
    """Waits until a client in another process reads `status` (painting feeds the elements), then
    checks what it reads: the window element, top-most, and its two text children, each told apart."""
    deadline = time.time() + seconds
    while True:
        out = windows.wine(machine.env, dump, check=False, timeout=30).replace("\r", "")
        tree = re.findall(r"^(\w[\w ]*?) name=(.*) id=(\S+) type=(\S+) runtime=\S+$", out, re.M)
        if f'"{status}"' in [row[1] for row in tree] or time.time() > deadline:
            break
        time.sleep(0.2)
    check("window topmost=1" in out, f"{label}: the window is not top-most")
    root = ("root", '"Orbalt Installer"', '"Orbalt_Installer"', "50032")
    check(tree == [root, ("child", f'"{MESSAGE}"', "none", "50020"), ("child", f'"{status}"', "none", "50020"),
                   ("parent of the last child",) + root[1:]], f"{label}: the client reads {tree}")


def main(dump, artifacts):
    os.makedirs(artifacts, exist_ok=True)
    # Every prefix here is a fresh copy that only this display ever sees: Wine ties a prefix's
    # desktop to the first display used in it.
    with windows.display() as display:
        for dpi, name in ((120, "dpi120"), (144, "dpi144"), (96, "nofonts")):
            machine = windows.Machine(scenarios.row("status window", exit=0, log=[], dpi=dpi, fonts=name != "nofonts",
                                                    timeout=180))
            hold = os.path.join(machine.drive_c, "orbalt-fake", "hold-FindPackages")
            open(hold, "w").close()
            ended = []
            run = threading.Thread(target=lambda: ended.append(machine.run()))
            run.start()
            try:
                read_once_painted(machine, dump, "Getting ready...", name)
                check_window(photograph(display, os.path.join(artifacts, f"status-{name}.png"), dpi), name)
            finally:
                os.remove(hold)
                run.join(timeout=200)
                code = ended[0].exit_code if ended else None
                check(code == 0, f"{name}: the held run ended with {code}")
                machine.close()
    print(f"{len(failures)} check(s) failed" if failures else "all checks passed", f"; screenshots in {artifacts}")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    sys.exit(main(*map(os.path.abspath, sys.argv[1:])))
