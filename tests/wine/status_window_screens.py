#!/usr/bin/env python3
"""Screenshots of the real status window under Xvfb and Wine, checked pixel by pixel.

    status_window_screens.py prefixes WINETEST BASE DIR
        Copies the shared prefix BASE into DIR/dpi96, DIR/dpi120, DIR/dpi144 and DIR/nofonts (96
        dpi, no replacement for "Segoe UI Semibold").
    status_window_screens.py screens WINETEST BASE DIR HOST ARTIFACTS
        Shows the window of HOST (status_window_host.exe) at 96, 120 and 144 dpi
        and without fonts, on a private 1920 x 1080 Xvfb screen; writes every screenshot (and a
        crop of the window) into ARTIFACTS and checks placement, the 1-pixel edge, background,
        logo box, texts, and which pixels a new status text changes.
"""
import os
import re
import shutil
import subprocess
import sys
import time

BACKGROUND = (0xF0, 0xF0, 0xF0)
# Window placement on a 1920 x 1080 primary display.
PLACEMENT = {96: (775, 365, 370, 350), 120: (729, 322, 462, 437), 144: (683, 278, 555, 525)}

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
        print("FAIL: " + message, flush=True)
    return condition


class Shot:
    """An RGB screenshot read from a PPM."""

    def __init__(self, path):
        data = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], check=True,
                              stdout=subprocess.PIPE).stdout
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)  # one white-space byte ends it
        self.width, self.height = int(header.group(1)), int(header.group(2))
        self.pixels = data[header.end():]

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])


def differs(p, q, by):
    return max(abs(a - b) for a, b in zip(p, q)) > by


def bounding_box(points):
    if not points:
        return None
    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return min(xs), min(ys), max(xs), max(ys)


def screenshot(display, path):
    subprocess.run(["import", "-display", display, "-window", "root", path], check=True)
    return Shot(path)


def crop(path, out, x, y, w, h):
    subprocess.run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", out], check=True)


def client_layout(dpi):
    x, y, w, h = PLACEMENT[dpi]
    cw, ch = w - 2, h - 1  # 1-pixel edge on the left, right and bottom; no caption
    band = dpi * 60 / 96
    lw, lh = dpi * 130 / 96, dpi * 127 / 96
    return {
        "client": (x + 1, y, cw, ch),
        "band_top": ch - band,
        "message_top": ch * 0.5,
        "logo": ((cw - lw) * 0.5, band, lw, lh),
    }


def check_window(shot, dpi, label, expect_text=True):
    """Placement, edge, background, logo box and text pixels of one screenshot."""
    x, y, w, h = PLACEMENT[dpi]
    lay = client_layout(dpi)
    cx, cy, cw, ch = lay["client"]
    # The client area is the only region of the background colour on the screen: its bounding
    # box gives the window's place and size.
    box = None
    lo_x, lo_y, hi_x, hi_y = shot.width, shot.height, -1, -1
    for yy in range(max(0, y - 40), min(shot.height, y + h + 40)):
        row = shot.pixels[(yy * shot.width) * 3:((yy + 1) * shot.width) * 3]
        for xx in range(max(0, x - 40), min(shot.width, x + w + 40)):
            if row[xx * 3:xx * 3 + 3] == bytes(BACKGROUND):
                lo_x, lo_y, hi_x, hi_y = min(lo_x, xx), min(lo_y, yy), max(hi_x, xx), max(hi_y, yy)
    if hi_x >= 0:
        box = (lo_x, lo_y, hi_x - lo_x + 1, hi_y - lo_y + 1)
    check(box == (cx, cy, cw, ch), f"{label}: client area {box}, expected {(cx, cy, cw, ch)}")
    # A 1-pixel edge on the left, right and bottom: each side in one colour that is not the
    # background (Wine shades the left side lighter), with the client area right inside it.
    sides = {
        "left": [shot.at(x, yy) for yy in range(y, y + h - 1)],
        "right": [shot.at(x + w - 1, yy) for yy in range(y, y + h)],
        "bottom": [shot.at(xx, y + h - 1) for xx in range(x + 1, x + w)],
    }
    for side, colours in sides.items():
        check(len(set(colours)) == 1 and colours[0] != BACKGROUND, f"{label}: {side} edge colours {set(colours)}")
    check(shot.at(x + 1, y + 5) == BACKGROUND and shot.at(x + w - 2, y + 5) == BACKGROUND and
          shot.at(x + 5, y + h - 2) == BACKGROUND, f"{label}: the edge is wider than 1 pixel")
    check(shot.at(x + w // 2, y) == BACKGROUND and shot.at(x + w // 2, y - 1) != BACKGROUND,
          f"{label}: the top row is client area (no caption, no top edge)")
    # Background in the four corners of the client area.
    corners = [shot.at(cx + dx, cy + dy) for dx in (0, 5, cw - 6, cw - 1) for dy in (0, 5, ch - 6, ch - 1)]
    check(all(c == BACKGROUND for c in corners), f"{label}: background corners {set(corners)}")

    def client(px, py):
        return shot.at(cx + px, cy + py)

    # Logo: everything drawn above the message lies in the logo box, fills most of it and is
    # centred; the box's centre is coloured (the orb), not grey text.
    lx, ly, lw, lh = lay["logo"]
    logo_bottom = int(ly + lh)
    marks = [(px, py) for py in range(0, logo_bottom + 4) for px in range(cw)
             if differs(client(px, py), BACKGROUND, 16)]
    mbox = bounding_box(marks)
    check(mbox is not None, f"{label}: no logo pixels")
    if mbox:
        inside = lx - 1 <= mbox[0] and mbox[2] <= lx + lw + 1 and ly - 1 <= mbox[1] and mbox[3] <= ly + lh + 1
        check(inside, f"{label}: logo pixels {mbox} outside the box {(lx, ly, lx + lw, ly + lh)}")
        check(mbox[2] - mbox[0] >= 0.7 * lw and mbox[3] - mbox[1] >= 0.5 * lh,
              f"{label}: logo {mbox} too small for the box {(lw, lh)}")
        centre = (mbox[0] + mbox[2]) / 2
        check(abs(centre - cw / 2) <= 3, f"{label}: logo centred at {centre}, client centre {cw / 2}")
    r, g, b = client(int(lx + lw / 2), int(ly + lh / 2))
    check(max(r, g, b) - min(r, g, b) > 40, f"{label}: logo centre pixel {(r, g, b)} is not coloured")

    # Texts: dark pixels between the logo and the band (the message), and in the band.
    def text_box(top, bottom):
        return bounding_box([(px, py) for py in range(int(top), int(bottom)) for px in range(cw)
                             if differs(client(px, py), BACKGROUND, 60)])

    message = text_box(logo_bottom + 2, lay["band_top"])
    status = text_box(lay["band_top"], ch)
    if expect_text:
        check(message is not None and message[1] > lay["message_top"],
              f"{label}: message text {message} not in the lower half")
        if message:
            centre = (message[0] + message[2]) / 2
            check(abs(centre - cw / 2) <= 4, f"{label}: message centred at {centre}")
            check(message[3] - message[1] >= 2 * dpi * 13 / 72 * 0.8,
                  f"{label}: message {message} is not two lines high")
        check(status is not None, f"{label}: no status text in the band")
    return {"message": message, "status": status, "band_top": lay["band_top"], "client": lay["client"]}


def changed_rows(before, after, client):
    cx, cy, cw, ch = client
    rows = set()
    for py in range(ch):
        for px in range(cw):
            if before.at(cx + px, cy + py) != after.at(cx + px, cy + py):
                rows.add(py)
                break
    return rows


class Host:
    """One run of status_window_host.exe, driven through files in a control folder."""

    def __init__(self, winetest, prefix, host, control, env):
        shutil.rmtree(control, ignore_errors=True)
        os.makedirs(control)
        self.control, self.step = control, 0
        windows_dir = "Z:" + control.replace("/", "\\")
        self.process = subprocess.Popen([winetest, "run", "--prefix", prefix, "--timeout", "90", "--", host,
                                         windows_dir], env=env)
        self.wait_for("ready")

    def wait_for(self, name, seconds=45):
        path = os.path.join(self.control, name)
        deadline = time.time() + seconds
        while not os.path.exists(path):
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
              for name, options in (("dpi96", ["--dpi", "96"]), ("dpi120", ["--dpi", "120"]), ("dpi144", ["--dpi", "144"]),
                                    ("nofonts", ["--no-fonts", "--dpi", "96"]))]
    if any(clone.wait() != 0 for clone in clones):
        raise RuntimeError("a prefix could not be cloned")


def screens(winetest, base, folder, host, artifacts):
    os.makedirs(artifacts, exist_ok=True)
    state = os.path.join(folder, "display")
    subprocess.run([winetest, "display", "start", state], check=True)
    try:
        with open(os.path.join(state, "display")) as f:
            display = f.read().strip()
        env = dict(os.environ, DISPLAY=display)

        def shot(name, dpi):
            path = os.path.join(artifacts, f"{name}.png")
            result = screenshot(display, path)
            x, y, w, h = PLACEMENT[dpi]
            crop(path, os.path.join(artifacts, f"{name}-window.png"), x - 10, y - 10, w + 20, h + 20)
            return result

        # 96 dpi, with the status text changed three times. Every prefix here is a copy that
        # only this display ever sees: Wine ties a prefix's desktop to the first display used in it.
        h = Host(winetest, os.path.join(folder, "dpi96"), host, os.path.join(folder, "control-96"), env)
        try:
            first = shot("status-96dpi", 96)
            base_info = check_window(first, 96, "96 dpi")
            h.command("status Downloading .NET Desktop Runtime... 42%")
            second = shot("status-96dpi-progress", 96)
            info = check_window(second, 96, "96 dpi, new status")
            rows = changed_rows(first, second, info["client"])
            check(rows and min(rows) >= info["band_top"],
                  f"new status text changed rows {sorted(rows)[:3]}..., band starts at {info['band_top']}")
            h.command("status " + "A status text far too long for one line of the band wraps onto "
                      "further lines, and what does not fit the band is cut off at its edges. " * 2)
            third = shot("status-96dpi-wrapped", 96)
            wrapped = check_window(third, 96, "96 dpi, wrapped status")
            rows = changed_rows(second, third, info["client"])
            check(rows and min(rows) >= info["band_top"],
                  f"wrapped status text changed rows above the band: {sorted(rows)[:3]}")
            if base_info["status"] and wrapped["status"]:
                one = base_info["status"][3] - base_info["status"][1]
                many = wrapped["status"][3] - wrapped["status"][1]
                check(many > 2 * one, f"wrapped status is {many} px high, one line {one} px")
            h.command("status")
            empty = shot("status-96dpi-empty", 96)
            blank = check_window(empty, 96, "96 dpi, empty status", expect_text=False)
            check(blank["status"] is None, f"empty status still shows pixels {blank['status']}")
            check(blank["message"] == base_info["message"], "empty status moved the message")
        finally:
            h.quit()

        for dpi, prefix, name in ((120, "dpi120", "status-120dpi"), (144, "dpi144", "status-144dpi"),
                                  (96, "nofonts", "status-96dpi-nofonts")):
            h = Host(winetest, os.path.join(folder, prefix), host, os.path.join(folder, "control-" + prefix), env)
            try:
                check_window(shot(name, dpi), dpi, name)
            finally:
                h.quit()
    finally:
        # The copies are made afresh for every run; they need not fill the disk in between.
        for name in ("dpi96", "dpi120", "dpi144", "nofonts"):
            prefix = os.path.join(folder, name)
            subprocess.run(["wineserver", "-w"], env=dict(os.environ, WINEPREFIX=prefix))
            shutil.rmtree(prefix, ignore_errors=True)
        subprocess.run([winetest, "display", "stop", state])
    if failures:
        print(f"{len(failures)} check(s) failed; screenshots in {artifacts}")
        return 1
    print(f"all checks passed; screenshots in {artifacts}")
    return 0


def main(argv):
    argv = argv[:2] + [os.path.abspath(arg) for arg in argv[2:]]
    if len(argv) == 5 and argv[1] == "prefixes":
        prefixes(*argv[2:])
        return 0
    if len(argv) == 7 and argv[1] == "screens":
        return screens(*argv[2:])
    print(__doc__)
    return 2


if __name__ == "__main__":
    sys.exit(main(sys.argv))
