#!/usr/bin/env python3
"""Draws the Orbalt logo: a glossy orb crossed by an orbit ring, on a transparent ground.

Writes PNG files of any size (the installer's 150 x 150 logo, the package's visual assets) and a
Windows icon. Only the standard library is used, so the build needs nothing else.

    make-logo.py png SIZE OUT.png
    make-logo.py png WIDTHxHEIGHT OUT.png      (the orb centred on a wider or taller ground)
    make-logo.py ico OUT.ico                   (16, 24, 32, 48, 64 and 256 pixels)
"""
import math
import struct
import sys
import zlib

SAMPLES = 4  # per axis, for anti-aliased edges


def _mix(a, b, t):
    return a + (b - a) * t


def _orb_sample(x, y):
    """Colour (r, g, b, a) in 0..1 of the unit-square logo at (x, y)."""
    cx, cy, radius = 0.5, 0.5, 0.40
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    colour = None
    if r <= radius:
        # Body: deep teal to bright cyan, lit from the upper left.
        lx, ly = (x - 0.36) / radius, (y - 0.32) / radius
        light = max(0.0, 1.0 - math.hypot(lx, ly) * 0.85)
        base = (0.02, 0.30, 0.42)
        glow = (0.20, 0.82, 0.92)
        rgb = tuple(_mix(base[i], glow[i], light) for i in range(3))
        # Specular highlight.
        hx, hy = (x - 0.37) / 0.09, (y - 0.30) / 0.06
        specular = max(0.0, 1.0 - (hx * hx + hy * hy))
        rgb = tuple(_mix(c, 1.0, specular * 0.85) for c in rgb)
        colour = (*rgb, 1.0)
    # Orbit ring: a tilted ellipse; its front half passes over the orb, its back half behind.
    angle = math.radians(-24)
    ex = dx * math.cos(angle) - dy * math.sin(angle)
    ey = dx * math.sin(angle) + dy * math.cos(angle)
    ring = math.hypot(ex / 0.47, ey / 0.15)
    on_ring = abs(ring - 1.0) < 0.075
    in_front = ey > 0
    if on_ring and (colour is None or in_front):
        shade = 0.85 + 0.15 * (ex / 0.47)
        colour = (0.98 * shade, 0.66 * shade, 0.16 * shade, 1.0)
    return colour or (0.0, 0.0, 0.0, 0.0)


def render(width, height):
    """RGBA rows, the orb centred and fitted to the shorter side."""
    side = min(width, height)
    ox, oy = (width - side) / 2.0, (height - side) / 2.0
    rows = []
    for py in range(height):
        row = bytearray()
        for px in range(width):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px - ox + (sx + 0.5) / SAMPLES) / side
                    y = (py - oy + (sy + 0.5) / SAMPLES) / side
                    r, g, b, a = _orb_sample(x, y)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha > 0:
                rgb = [acc[i] / acc[3] for i in range(3)]
            else:
                rgb = [0.0, 0.0, 0.0]
            row += bytes(int(round(c * 255)) for c in rgb) + bytes([int(round(alpha * 255))])
        rows.append(bytes(row))
    return rows


def png_bytes(width, height):
    raw = b"".join(b"\x00" + row for row in render(width, height))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def ico_bytes(sizes=(16, 24, 32, 48, 64, 256)):
    images = [png_bytes(s, s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


def main(argv):
    if len(argv) == 4 and argv[1] == "png":
        if "x" in argv[2]:
            width, height = (int(v) for v in argv[2].split("x"))
        else:
            width = height = int(argv[2])
        data = png_bytes(width, height)
        target = argv[3]
    elif len(argv) == 3 and argv[1] == "ico":
        data = ico_bytes()
        target = argv[2]
    else:
        sys.stderr.write(__doc__)
        return 2
    with open(target, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
