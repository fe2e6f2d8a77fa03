#!/usr/bin/env python3
"""Writes the PNG fixtures of the pngio tests into data/.

Each NAME.png comes with NAME.expect: a text line "width height channels
tolerance" followed by the decoded pixels, 8 bits per channel, rows top to
bottom, in the layout the library must hand out (3 channels RGB or 4 RGBA).
Pixel values come from a fixed generator, so running the script again
reproduces the files byte for byte.
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "data")

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


class Lcg:
    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self, bound):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return (self.state >> 8) % bound


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filter_rows(rows, bpp):
    """Filters each scanline, cycling through all five filter types."""
    out = bytearray()
    prev = bytes(len(rows[0])) if rows else b""
    for index, row in enumerate(rows):
        kind = index % 5
        out.append(kind)
        for i, x in enumerate(row):
            a = row[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            predictor = [0, a, b, (a + b) // 2, paeth(a, b, c)][kind]
            out.append((x - predictor) & 0xFF)
        prev = row
    return bytes(out)


def pack_samples(samples, depth):
    """One scanline of samples at the given bit depth, big-endian, padded."""
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out = bytearray()
    acc, bits = 0, 0
    for s in samples:
        acc = (acc << depth) | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def raw_image(pixels, width, height, depth, interlaced):
    """Filtered scanlines; pixels[y][x] is a tuple of samples."""
    spp = len(pixels[0][0])
    bpp = max(1, spp * depth // 8)
    if not interlaced:
        rows = [pack_samples([s for p in pixels[y] for s in p], depth) for y in range(height)]
        return filter_rows(rows, bpp)
    out = b""
    for x0, y0, dx, dy in ADAM7:
        xs = list(range(x0, width, dx))
        ys = list(range(y0, height, dy))
        if not xs or not ys:
            continue
        rows = [pack_samples([s for x in xs for s in pixels[y][x]], depth) for y in ys]
        out += filter_rows(rows, bpp)
    return out


def write_png(name, width, height, depth, color_type, pixels, interlaced=False, palette=None, trns=None,
              idat_parts=1, extra_before=b"", trailing=b""):
    raw = raw_image(pixels, width, height, depth, interlaced)
    data = zlib.compress(raw, 9)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, color_type, 0, 0, 1 if interlaced else 0))
    png += extra_before
    if palette is not None:
        png += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        png += chunk(b"tRNS", trns)
    step = (len(data) + idat_parts - 1) // idat_parts
    for i in range(0, len(data), step):
        png += chunk(b"IDAT", data[i:i + step])
    png += chunk(b"IEND", b"") + trailing
    with open(os.path.join(OUT, name + ".png"), "wb") as f:
        f.write(png)


def write_expect(name, width, height, channels, tolerance, decoded):
    with open(os.path.join(OUT, name + ".expect"), "wb") as f:
        f.write(b"%d %d %d %d\n" % (width, height, channels, tolerance))
        for y in range(height):
            for x in range(width):
                f.write(bytes(decoded[y][x]))


def grid(width, height, make):
    return [[make(x, y) for x in range(width)] for y in range(height)]


def scale(value, depth):
    """A sample at the given depth as the nearest 8-bit value."""
    return (value * 255 + ((1 << depth) - 1) // 2) // ((1 << depth) - 1)


def grey(name, width, height, depth, key=None, interlaced=False):
    rng = Lcg(width * 131 + height * 7 + depth)
    top = 1 << depth
    samples = grid(width, height, lambda x, y: (rng.next(top),))
    if key is not None:
        # Make sure the transparent key is present.
        samples[0][0] = (key,)
    trns = struct.pack(">H", key) if key is not None else None
    write_png(name, width, height, depth, 0, samples, interlaced=interlaced, trns=trns)
    def decode(s):
        g = scale(s[0], depth)
        return (g, g, g) if key is None else (g, g, g, 0 if s[0] == key else 255)
    write_expect(name, width, height, 3 if key is None else 4, 1 if depth == 16 else 0,
                 [[decode(s) for s in row] for row in samples])


def grey_alpha(name, width, height):
    rng = Lcg(4242)
    samples = grid(width, height, lambda x, y: (rng.next(256), rng.next(256)))
    write_png(name, width, height, 8, 4, samples)
    write_expect(name, width, height, 4, 0, [[(g, g, g, a) for g, a in row] for row in samples])


def palette(name, width, height, depth, entries, alphas=None, interlaced=False):
    rng = Lcg(entries * 17 + depth)
    colours = [(rng.next(256), rng.next(256), rng.next(256)) for _ in range(entries)]
    indexes = grid(width, height, lambda x, y: (rng.next(entries),))
    trns = bytes(alphas) if alphas is not None else None
    write_png(name, width, height, depth, 3, indexes, interlaced=interlaced, palette=colours, trns=trns)
    def decode(i):
        r, g, b = colours[i[0]]
        if alphas is None:
            return (r, g, b)
        return (r, g, b, alphas[i[0]] if i[0] < len(alphas) else 255)
    write_expect(name, width, height, 3 if alphas is None else 4, 0, [[decode(i) for i in row] for row in indexes])


def truecolour(name, width, height, depth, alpha, interlaced=False, key=None, **extra):
    rng = Lcg(width * 1000 + height * 10 + depth + (1 if alpha else 0))
    top = 1 << depth
    spp = 4 if alpha else 3
    samples = grid(width, height, lambda x, y: tuple(rng.next(top) for _ in range(spp)))
    trns = None
    if key is not None:
        samples[1][1] = key
        trns = struct.pack(">HHH", *key)
    write_png(name, width, height, depth, 6 if alpha else 2, samples, interlaced=interlaced, trns=trns, **extra)
    def decode(s):
        rgb = tuple(scale(v, depth) for v in s[:3])
        if alpha:
            return rgb + (scale(s[3], depth),)
        if key is not None:
            return rgb + (0 if tuple(s) == tuple(key) else 255,)
        return rgb
    channels = 4 if alpha or key is not None else 3
    write_expect(name, width, height, channels, 1 if depth == 16 else 0, [[decode(s) for s in row] for row in samples])


def main():
    os.makedirs(OUT, exist_ok=True)
    grey("grey8", 11, 5, 8)
    grey("grey4_trns", 9, 4, 4, key=5)
    grey("grey2_interlaced", 10, 7, 2, interlaced=True)
    grey("grey16", 4, 3, 16)
    grey_alpha("grey_alpha8", 7, 3)
    palette("palette8_trns", 10, 6, 8, 20, alphas=[0, 255, 128, 64, 1, 254, 200, 0, 77, 255, 33, 150])
    palette("palette4", 13, 3, 4, 16)
    palette("palette1", 17, 2, 1, 2)
    palette("palette2_trns_interlaced", 9, 9, 2, 4, alphas=[0, 90], interlaced=True)
    truecolour("rgb16", 6, 4, 16, False)
    truecolour("rgba16_interlaced", 13, 11, 16, True, interlaced=True)
    truecolour("rgb8_interlaced_split", 9, 9, 8, False, interlaced=True, idat_parts=3)
    truecolour("rgb8_trns", 5, 5, 8, False, key=(10, 20, 30))
    # Framing and CRCs are sound but the compressed data holds one row too few.
    rng = Lcg(99)
    short = grid(6, 5, lambda x, y: (rng.next(256), rng.next(256), rng.next(256)))
    data = zlib.compress(filter_rows([bytes(s for p in row for s in p) for row in short[:4]], 3), 9)
    with open(os.path.join(OUT, "bad_short_data.png"), "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 6, 5, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", data) + chunk(b"IEND", b""))
    truecolour("rgba8_text_trailing", 8, 8, 8, True,
               extra_before=chunk(b"tEXt", b"Comment\x00made for the pngio tests"),
               trailing=b"bytes after the end chunk")


if __name__ == "__main__":
    main()
