#!/usr/bin/env python3
"""The real status window under Xvfb and Wine: screenshots checked pixel by pixel at 96, 120 and
144 dpi and without fonts, and what a UI Automation client in another process reads of it.

    status_window.py prefixes WINETEST BASE DIR
        Copies the shared prefix BASE into DIR/dpi96, dpi120, dpi144 and nofonts (96 dpi, no
        replacement for "Segoe UI Semibold").
    status_window.py screens WINETEST DIR HOST UIA_DUMP ARTIFACTS
        Shows the window of HOST (status_window_host.exe) in each prefix on a private 1920 x 1080
        Xvfb screen, writes every screenshot into ARTIFACTS and checks placement, the 1-pixel edge,
        background, logo box and texts; at 96 dpi also which pixels new status texts change and
        what UIA_DUMP (uia_dump.exe) reads before and after.
"""
import os
import re
import shutil
import subprocess
import sys
import time

BACKGROUND = bytes((0xF0, 0xF0, 0xF0))
PLACEMENT = {96: (775, 365, 370, 350), 120: (729, 322, 462, 437), 144: (683, 278, 555, 525)}  # on 1920 x 1080
MESSAGE = "Getting Orbalt ready for you. It will launch once it's ready"
failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message, flush=True)
    return condition


class Shot:
    """An RGB screenshot of the whole screen; at(x, y) in client coordinates of the window."""

    def __init__(self, display, path, dpi):
        subprocess.run(["import", "-display", display, "-window", "root", path], check=True)
        data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True, stdout=subprocess.PIPE).stdout
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
        self.width, self.pixels = int(header.group(1)), data[header.end():]
        self.x, self.y, self.w, self.h = PLACEMENT[dpi]
        self.cw, self.ch = self.w - 2, self.h - 1  # 1-pixel edge on the left, right and bottom; no caption
        self.band_top, self.dpi = self.ch - dpi * 60 / 96, dpi

    def screen(self, x, y):
        i = (y * self.width + x) * 3
        return self.pixels[i:i + 3]

    def at(self, px, py):
        return self.screen(self.x + 1 + px, self.y + py)

    def marks(self, top, bottom, by):
        """The bounding box of the client pixels in rows top..bottom that differ from the background."""
        points = [(px, py) for py in range(int(top), int(bottom)) for px in range(self.cw)
                  if max(abs(a - b) for a, b in zip(self.at(px, py), BACKGROUND)) > by]
        return (min(p[0] for p in points), min(p[1] for p in points), max(p[0] for p in points),
                max(p[1] for p in points)) if points else None


def check_window(shot, label, expect_status=True):
    """Placement, edge, background, logo box and text pixels; returns the two text boxes."""
    x, y, w, h = shot.x, shot.y, shot.w, shot.h
    # The client area is the only region of the background colour around the window's place.
    inside = [(xx, yy) for yy in range(y - 20, y + h + 20) for xx in range(x - 20, x + w + 20)
              if shot.screen(xx, yy) == BACKGROUND]
    box = (min(p[0] for p in inside), min(p[1] for p in inside), max(p[0] for p in inside) + 1,
           max(p[1] for p in inside) + 1) if inside else None
    check(box == (x + 1, y, x + 1 + shot.cw, y + shot.ch), f"{label}: client area {box}")
    # A 1-pixel edge on the left, right and bottom, each in one colour (Wine shades the left lighter).
    for side, colours in (("left", {shot.screen(x, yy) for yy in range(y, y + h - 1)}),
                          ("right", {shot.screen(x + w - 1, yy) for yy in range(y, y + h)}),
                          ("bottom", {shot.screen(xx, y + h - 1) for xx in range(x + 1, x + w)})):
        check(len(colours) == 1 and BACKGROUND not in colours, f"{label}: {side} edge colours {colours}")
    check(shot.screen(x + w // 2, y - 1) != BACKGROUND, f"{label}: the top row is not the client area's first")
    # Logo: everything drawn above the message lies in the logo box, fills most of it, is centred
    # and coloured (the orb), not grey text.
    lw, lh, lt = shot.dpi * 130 / 96, shot.dpi * 127 / 96, shot.dpi * 60 / 96
    lx = (shot.cw - lw) / 2
    logo = shot.marks(0, lt + lh + 4, 16)
    if check(logo is not None, f"{label}: no logo pixels"):
        check(lx - 1 <= logo[0] and logo[2] <= lx + lw + 1 and lt - 1 <= logo[1] and logo[3] <= lt + lh + 1 and
              logo[2] - logo[0] >= 0.7 * lw and logo[3] - logo[1] >= 0.5 * lh and
              abs((logo[0] + logo[2]) / 2 - shot.cw / 2) <= 3, f"{label}: logo pixels {logo}, box at {lx},{lt}")
    r, g, b = shot.at(int(lx + lw / 2), int(lt + lh / 2))
    check(max(r, g, b) - min(r, g, b) > 40, f"{label}: the logo's centre {(r, g, b)} is not coloured")
    # Texts: two lines between the logo and the band (the message), and the band.
    message, status = shot.marks(lt + lh + 2, shot.band_top, 60), shot.marks(shot.band_top, shot.ch, 60)
    check(message is not None and message[1] > shot.ch / 2 and abs((message[0] + message[2]) / 2 - shot.cw / 2) <= 4
          and message[3] - message[1] >= 2 * shot.dpi * 13 / 72 * 0.8, f"{label}: message text at {message}")
    check((status is not None) == expect_status, f"{label}: status text pixels {status}")
    return message, status


def changed_rows(before, after):
    return {py for py in range(before.ch) if any(before.at(px, py) != after.at(px, py) for px in range(before.cw))}


def read_tree(prefix, env, dump):
    # Not through winetest, whose run waits for every program of the prefix, the host's too.
    out = subprocess.run(["/usr/lib/wine/wine64", dump], env=dict(env, WINEPREFIX=prefix, WINEDEBUG="-all"),
                         capture_output=True, text=True, timeout=30).stdout
    check("window topmost=1" in out, "the window is not top-most")
    return re.findall(r"^(\w[\w ]*?) name=(.*) id=(\S+) type=(\S+) runtime=(\S+)$", out.replace("\r", ""), re.M)


def check_tree(tree, status, label):
    """What a client reads: the window element and its two text children, each told apart."""
    rows = [row[:4] for row in tree]
    root = ("root", '"Orbalt Installer"', '"Orbalt_Installer"', "50032")
    check(rows == [root, ("child", f'"{MESSAGE}"', "none", "50020"), ("child", f'"{status}"', "none", "50020"),
                   ("parent of the last child",) + root[1:]], f"{label}: the client reads {rows}")
    runtime = [row[4] for row in tree]
    check(len(runtime) == 4 and runtime[0] == runtime[3] and len(set(runtime[:3])) == 3 and "none" not in runtime,
          f"{label}: runtime ids {runtime}")


class Host:
    """One run of status_window_host.exe, driven through files in a control folder."""

    def __init__(self, winetest, prefix, host, env):
        self.control, self.step = os.path.join(prefix, "drive_c", "control"), 0
        shutil.rmtree(self.control, ignore_errors=True)
        os.makedirs(self.control)
        self.process = subprocess.Popen([winetest, "run", "--prefix", prefix, "--timeout", "90", "--", host,
                                         "C:\\control"], env=env)
        self.wait_for("ready")

    def wait_for(self, name, seconds=45):
        deadline = time.time() + seconds
        while not os.path.exists(os.path.join(self.control, name)):
            if os.path.exists(os.path.join(self.control, "failed")) or self.process.poll() is not None:
                raise RuntimeError(f"host ended before {name}")
            if time.time() > deadline:
                raise RuntimeError(f"no {name} within {seconds} s")
            time.sleep(0.1)

    def command(self, text):
        self.step += 1
        path = os.path.join(self.control, f"cmd-{self.step}.txt")
        with open(path + ".tmp", "w", encoding="utf-8") as out:
            out.write(text)
        os.rename(path + ".tmp", path)
        if text != "quit":
            self.wait_for(f"done-{self.step}")

    def quit(self):
        self.command("quit")
        self.process.wait(timeout=60)


def prefixes(winetest, base, folder):
    os.makedirs(folder, exist_ok=True)
    clones = [subprocess.Popen([winetest, "clone", base, os.path.join(folder, name)] + options)
              for name, options in (("dpi96", ["--dpi", "96"]), ("dpi120", ["--dpi", "120"]),
                                    ("dpi144", ["--dpi", "144"]), ("nofonts", ["--no-fonts", "--dpi", "96"]))]
    return 1 if any(clone.wait() != 0 for clone in clones) else 0


def screens(winetest, folder, host, dump, artifacts):
    os.makedirs(artifacts, exist_ok=True)
    state = os.path.join(folder, "display")
    subprocess.run([winetest, "display", "start", state], check=True)
    try:
        with open(os.path.join(state, "display")) as f:
            display = f.read().strip()
        env = dict(os.environ, DISPLAY=display)
        # Every prefix here is a copy that only this display ever sees: Wine ties a prefix's desktop
        # to the first display used in it.
        for dpi, name in ((96, "dpi96"), (120, "dpi120"), (144, "dpi144"), (96, "nofonts")):
            prefix = os.path.join(folder, name)
            window = Host(winetest, prefix, host, env)
            try:
                first = Shot(display, os.path.join(artifacts, f"status-{name}.png"), dpi)
                message, status = check_window(first, name)
                if name != "dpi96":
                    continue
                check_tree(read_tree(prefix, env, dump), "Getting things ready...", name)
                # New status texts change band pixels only: one line, a long text wrapped and cut at
                # the band, and none at all; the client reads each.
                long_text = " ".join(["A status text far too long for one line of the band wraps on."] * 2)
                for label, text, expect in (("progress", "Downloading .NET Desktop Runtime... 42%", "line"),
                                            ("wrapped", long_text, "lines"), ("empty", "", None)):
                    window.command("status " + text)
                    shot = Shot(display, os.path.join(artifacts, f"status-{name}-{label}.png"), dpi)
                    rows = changed_rows(first, shot)
                    check(rows and min(rows) >= shot.band_top, f"{label}: changed rows from {min(rows or [0])}")
                    new_message, new_status = check_window(shot, f"{name}, {label}", expect is not None)
                    check(new_message == message, f"{label}: the message moved")
                    if expect == "lines":
                        check(new_status[3] - new_status[1] > 2 * (status[3] - status[1]), f"{label}: not wrapped")
                    check_tree(read_tree(prefix, env, dump), text, f"{name}, {label}")
            finally:
                window.quit()
                subprocess.run(["wineserver", "-w"], env=dict(os.environ, WINEPREFIX=prefix))
                shutil.rmtree(prefix, ignore_errors=True)  # made afresh for every run
    finally:
        subprocess.run([winetest, "display", "stop", state])
    print(f"{len(failures)} check(s) failed" if failures else "all checks passed", f"; screenshots in {artifacts}")
    return 1 if failures else 0


if __name__ == "__main__":
    args = sys.argv[:2] + [os.path.abspath(arg) for arg in sys.argv[2:]]
    if len(args) == 5 and args[1] == "prefixes":
        sys.exit(prefixes(*args[2:]))
    if len(args) == 7 and args[1] == "screens":
        sys.exit(screens(*args[2:]))
    sys.exit(__doc__)
