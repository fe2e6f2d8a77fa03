#!/usr/bin/env python3
"""Draws the program's icon into resources/program/RaveloRemote.ico.

The icon is the OSD's own "profile on" card (resources/Resource/
RaveloProfileOn.swf): the dark blue-grey card with the green power sign in
its soft halo, filling the square. One picture per size, 16, 24, 32, 48 and
256 pixels: the small ones as 32-bit bitmaps with their mask (what every
Windows version reads), the large one as PNG (as Windows keeps it). Below
256 pixels the strokes are drawn thicker than to scale, so the sign still
reads at 16.

The program file, the installer and the uninstaller carry this file; the
build takes it as committed. Running the script again reproduces it byte
for byte:  python3 scripts/make_icon.py
"""
import math
import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_artwork import coverage, lerp, over, rgba_png, rounded_rect_sd  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources", "program", "RaveloRemote.ico")
SIZES = (16, 24, 32, 48, 256)

# The movie's colours.
CARD_TOP = (0x2A, 0x34, 0x41)
CARD_BOTTOM = (0x14, 0x1A, 0x22)
HALO = (0x3D, 0xDC, 0x84)
SIGN = (0x6B, 0xF5, 0xA8)


def ring_sd(px, py, cx, cy, r, width, gap_deg):
    """Signed distance to a ring stroke open over gap_deg at the top; the
    gap's edges are cut radially, as the player cuts them."""
    dx, dy = px - cx, py - cy
    dist = math.hypot(dx, dy)
    d = abs(dist - r) - width / 2
    angle = abs(math.atan2(dx, -dy))
    past_gap = (angle - math.radians(gap_deg) / 2) * dist
    return max(d, -past_gap)


def icon(size):
    """The picture at size x size, as rows of straight-alpha (r, g, b, a)."""
    s = size / 256.0
    # Card: the whole square but a thin margin.
    margin = max(0.5, 8 * s)
    radius = max(2.5, 44 * s)
    border = 1.0 if size < 256 else 2.0
    # The power sign: ring radius and stroke in pixels; below 256 they are
    # hinted larger than to scale, and the halo fades out of the smallest.
    ring_r, stroke, halo_strength = {16: (4.1, 1.7, 0.0), 24: (5.9, 2.2, 0.6), 32: (7.2, 2.6, 1.0),
                                     48: (9.8, 3.4, 1.0)}.get(size, (46 * s, 12 * s, 1.0))
    c = size / 2.0
    halo_r = ring_r * 1.85
    ring_cy = c + ring_r * 0.08
    bar_top = ring_cy - ring_r * 1.42
    bar_bottom = ring_cy - stroke * 0.1
    glow = 40 * s if size >= 256 else 0.0
    pixels = []
    for j in range(size):
        row = []
        py = j + 0.5
        for i in range(size):
            px = i + 0.5
            pix = (0.0, 0.0, 0.0, 0.0)
            card = rounded_rect_sd(px, py, margin, margin, size - margin, size - margin, radius)
            body = coverage(card)
            t = (py - margin) / (size - 2 * margin)
            pix = over(pix, lerp(CARD_TOP, CARD_BOTTOM, t), body)
            # The card's faint inner border.
            pix = over(pix, (255, 255, 255), 0.13 * coverage(abs(card + border / 2) - border / 2))
            # Halo: a soft glow around it, a translucent disc with a brighter rim.
            halo = math.hypot(px - c, py - c) - halo_r
            if halo > 0 and glow > 0:
                pix = over(pix, HALO, 0.38 * math.exp(-halo / (glow / 3)) * body)
            shade = 0.18 - 0.1 * (py - c + halo_r) / (2 * halo_r)
            pix = over(pix, HALO, halo_strength * shade * coverage(halo) * body)
            rim = max(1.0, 2.7 * s)
            pix = over(pix, HALO, halo_strength * 0.44 * coverage(abs(halo + rim / 2) - rim / 2) * body)
            # The power sign: the open ring and the bar through its gap.
            sign = min(ring_sd(px, py, c, ring_cy, ring_r, stroke, 76),
                       rounded_rect_sd(px, py, c - stroke / 2, bar_top, c + stroke / 2, bar_bottom, stroke / 2))
            pix = over(pix, SIGN, coverage(sign))
            r, g, b, a = pix
            if a <= 0.0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(min(255.0, v / a))) for v in (r, g, b)) + (int(round(a * 255)),))
        pixels.append(row)
    return pixels


def bitmap_entry(size, pixels):
    """An icon picture as a DIB: header (twice the height: picture and mask),
    BGRA rows bottom-up, then the 1-bit mask (set where fully transparent),
    rows padded to 32 bits."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(pixels) for (r, g, b, a) in row)
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(pixels):
        line = bytearray(stride)
        for x, p in enumerate(row):
            if p[3] == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    return header + colour + bytes(mask)


def ico(pictures):
    """An .ico file of (size, data) pictures."""
    directory = struct.pack("<HHH", 0, 1, len(pictures))
    offset = len(directory) + 16 * len(pictures)
    entries, blobs = b"", b""
    for size, data in pictures:
        dim = size if size < 256 else 0
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        blobs += data
        offset += len(data)
    return directory + entries + blobs


def main():
    pictures = []
    for size in SIZES:
        pixels = icon(size)
        data = rgba_png(size, size, pixels) if size >= 256 else bitmap_entry(size, pixels)
        pictures.append((size, data))
    os.makedirs(os.path.dirname(OUT), exist_ok=True)
    with open(OUT, "wb") as f:
        f.write(ico(pictures))


if __name__ == "__main__":
    main()
