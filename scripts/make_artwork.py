#!/usr/bin/env python3
"""Draws the program's two pictures into resources/Resource/.

bg_smoke01.png  960 x 540 soft, dark blue-grey smoke with varying alpha; the
                on-screen display stretches it over the whole screen.
turbo_mode.png  120 x 40 rounded badge with a lightning bolt and "TURBO" in
                stroked letters, anti-aliased, with per-pixel transparency.

Only the Python standard library is used and every random value comes from a
fixed integer hash, so running the script again reproduces the files byte
for byte:  python3 scripts/make_artwork.py
"""
import math
import os
import struct
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "resources", "Resource")


# ---- PNG output ---------------------------------------------------------------

def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _filtered(rows, bpp):
    """Each scanline with the filter that gives the smallest absolute sum."""
    out = bytearray()
    prev = bytes(len(rows[0]))
    for row in rows:
        n = len(row)
        left = bytes(bpp) + row[:n - bpp]
        upleft = bytes(bpp) + prev[:n - bpp]
        candidates = [
            row,
            bytes((row[i] - left[i]) & 0xFF for i in range(n)),
            bytes((row[i] - prev[i]) & 0xFF for i in range(n)),
            bytes((row[i] - ((left[i] + prev[i]) >> 1)) & 0xFF for i in range(n)),
            bytes((row[i] - _paeth(left[i], prev[i], upleft[i])) & 0xFF for i in range(n)),
        ]
        best = min(range(5), key=lambda k: sum(v if v < 128 else 256 - v for v in candidates[k]))
        out.append(best)
        out += candidates[best]
        prev = row
    return bytes(out)


def rgba_png(width, height, pixels):
    """The PNG file of pixels: rows of (r, g, b, a) tuples with straight (not
    premultiplied) alpha."""
    rows = [bytes(v for p in row for v in p) for row in pixels]
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(_filtered(rows, 4), 9))
    png += chunk(b"IEND", b"")
    return png


def write_rgba_png(path, width, height, pixels):
    with open(path, "wb") as f:
        f.write(rgba_png(width, height, pixels))


# ---- deterministic noise ----------------------------------------------------------

def hash01(*values):
    """A fixed pseudo-random number in [0, 1) for a tuple of integers."""
    h = 0x811C9DC5
    for v in values:
        h ^= v & 0xFFFFFFFF
        h = (h * 0x01000193) & 0xFFFFFFFF
        h ^= h >> 15
        h = (h * 0x2C1B3C6D) & 0xFFFFFFFF
        h ^= h >> 12
    return (h & 0xFFFFFF) / float(1 << 24)


def cubic(p0, p1, p2, p3, t):
    """Catmull-Rom interpolation between p1 and p2."""
    return p1 + 0.5 * t * (p2 - p0 + t * (2.0 * p0 - 5.0 * p1 + 4.0 * p2 - p3 + t * (3.0 * (p1 - p2) + p3 - p0)))


def periodic_octave(width, height, cells_x, cells_y, seed):
    """Smooth value noise on a lattice that wraps at the picture's edges,
    upsampled separably (rows first, then columns)."""
    lattice = [[hash01(seed, i, j) for i in range(cells_x)] for j in range(cells_y)]
    # Horizontal pass: each lattice row to full width.
    wide = []
    for j in range(cells_y):
        lr = lattice[j]
        row = []
        for x in range(width):
            u = x * cells_x / width
            i = int(u)
            t = u - i
            row.append(cubic(lr[(i - 1) % cells_x], lr[i % cells_x], lr[(i + 1) % cells_x], lr[(i + 2) % cells_x], t))
        wide.append(row)
    # Vertical pass.
    field = []
    for y in range(height):
        v = y * cells_y / height
        j = int(v)
        t = v - j
        r0, r1, r2, r3 = wide[(j - 1) % cells_y], wide[j % cells_y], wide[(j + 1) % cells_y], wide[(j + 2) % cells_y]
        field.append([cubic(r0[x], r1[x], r2[x], r3[x], t) for x in range(width)])
    return field


def fbm(width, height, base_cells, octaves, seed, gain=0.5):
    """Fractal sum of periodic octaves, normalised to 0..1."""
    total = [[0.0] * width for _ in range(height)]
    amplitude, norm = 1.0, 0.0
    for o in range(octaves):
        cx = base_cells * (1 << o)
        cy = max(1, round(cx * height / width))
        layer = periodic_octave(width, height, cx, cy, seed * 101 + o)
        for y in range(height):
            tr, lr = total[y], layer[y]
            for x in range(width):
                tr[x] += amplitude * lr[x]
        norm += amplitude
        amplitude *= gain
    lo = min(min(r) for r in total)
    hi = max(max(r) for r in total)
    scale = 1.0 / (hi - lo) if hi > lo else 0.0
    return [[(v - lo) * scale for v in r] for r in total]


def sample_wrapped(field, width, height, x, y):
    """Bilinear sample of a periodic field at a fractional position."""
    x0 = math.floor(x)
    y0 = math.floor(y)
    tx, ty = x - x0, y - y0
    x0 %= width
    y0 %= height
    x1 = (x0 + 1) % width
    y1 = (y0 + 1) % height
    r0, r1 = field[y0], field[y1]
    top = r0[x0] + (r0[x1] - r0[x0]) * tx
    bottom = r1[x0] + (r1[x1] - r1[x0]) * tx
    return top + (bottom - top) * ty


def smoothstep(e0, e1, v):
    t = min(1.0, max(0.0, (v - e0) / (e1 - e0)))
    return t * t * (3.0 - 2.0 * t)


# ---- bg_smoke01.png -------------------------------------------------------------

def smoke(width=960, height=540):
    density = fbm(width, height, 3, 6, seed=7, gain=0.55)
    warp_x = fbm(width, height, 2, 3, seed=11)
    warp_y = fbm(width, height, 2, 3, seed=13)
    detail = fbm(width, height, 8, 3, seed=17)
    warp = 0.22 * width
    pixels = []
    for y in range(height):
        row = []
        wy, wx, dr = warp_y[y], warp_x[y], detail[y]
        ny = (y + 0.5) / height - 0.5
        for x in range(width):
            # Domain warping curls the noise into drifting wisps.
            d = sample_wrapped(density, width, height, x + warp * (wx[x] - 0.5), y + warp * (wy[x] - 0.5))
            d = 0.8 * d + 0.2 * dr[x]
            wisp = smoothstep(0.28, 0.86, d)
            nx = (x + 0.5) / width - 0.5
            # Slightly denser towards the edges so the middle stays calm.
            edge = min(1.0, (nx * nx + ny * ny) * 1.6)
            wisp = min(1.0, wisp * (0.85 + 0.3 * edge))
            shade = wisp ** 1.3
            # Sub-level dither keeps the dark gradients from banding when stretched.
            dither = hash01(99, x, y) - 0.5
            r = 9 + 62 * shade + dither
            g = 12 + 72 * shade + dither
            b = 18 + 92 * shade + dither
            a = 178 + 77 * (wisp ** 0.8) + dither
            row.append(tuple(int(min(255, max(0, round(c)))) for c in (r, g, b, a)))
        pixels.append(row)
    return width, height, pixels


# ---- turbo_mode.png ----------------------------------------------------------------

def seg_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    ex, ey = px - (ax + t * dx), py - (ay + t * dy)
    return math.sqrt(ex * ex + ey * ey)


def rounded_rect_sd(px, py, x0, y0, x1, y1, radius):
    """Signed distance to a rounded rectangle, negative inside."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius
    qx, qy = abs(px - cx) - hx, abs(py - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - radius


def polygon_sd(px, py, points):
    """Signed distance to a simple polygon, negative inside."""
    d = min(seg_distance(px, py, *points[i], *points[(i + 1) % len(points)]) for i in range(len(points)))
    inside = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > py) != (yj > py) and px < (xj - xi) * (py - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return -d if inside else d


def arc(cx, cy, r, a0, a1, steps=14):
    return [(cx + r * math.cos(math.radians(a0 + (a1 - a0) * k / steps)),
             cy + r * math.sin(math.radians(a0 + (a1 - a0) * k / steps))) for k in range(steps + 1)]


def glyph_strokes(letter, w, h):
    """Centre lines of one capital letter in a w x h box, as polylines."""
    if letter == "T":
        return [[(0, 0), (w, 0)], [(w / 2, 0), (w / 2, h)]]
    if letter == "U":
        r = w / 2
        return [[(0, 0), (0, h - r)] + arc(w / 2, h - r, r, 180, 0) + [(w, 0)]]
    if letter == "R":
        r = h / 4
        bowl = [(0, h), (0, 0), (w - r, 0)] + arc(w - r, r, r, -90, 90) + [(0, h / 2)]
        return [bowl, [(w * 0.45, h / 2), (w, h)]]
    if letter == "B":
        rt = h / 4 - 0.25
        rb = h / 4 + 0.25
        top = [(0, h / 2), (0, 0), (w - 1 - rt, 0)] + arc(w - 1 - rt, rt, rt, -90, 90) + [(0, 2 * rt)]
        bottom = [(0, h - 2 * rb), (w - rb, h - 2 * rb)] + arc(w - rb, h - rb, rb, -90, 90) + [(0, h), (0, h / 2)]
        return [top, bottom]
    if letter == "O":
        r = w / 2
        return [arc(w / 2, r, r, 180, 360) + [(w, h - r)] + arc(w / 2, h - r, r, 0, 180) + [(0, r)]]
    raise ValueError(letter)


def text_segments(text, x, y, w, h, gap, slant):
    segments = []
    for index, letter in enumerate(text):
        ox = x + index * (w + gap)
        for line in glyph_strokes(letter, w, h):
            pts = [(ox + px + (h - py) * slant, y + py) for px, py in line]
            segments += [(pts[i][0], pts[i][1], pts[i + 1][0], pts[i + 1][1]) for i in range(len(pts) - 1)]
    return segments


def over(dst, colour, alpha):
    """Composites a straight-alpha colour over a premultiplied pixel."""
    if alpha <= 0:
        return dst
    r, g, b, a = dst
    k = 1.0 - alpha
    return (colour[0] * alpha + r * k, colour[1] * alpha + g * k, colour[2] * alpha + b * k, alpha + a * k)


def lerp(c0, c1, t):
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def coverage(signed_distance):
    return min(1.0, max(0.0, 0.5 - signed_distance))


def turbo(width=120, height=40):
    x0, y0, x1, y1, radius = 3.0, 3.0, width - 3.0, height - 3.0, 11.0
    bolt = [(21.0, 6.5), (29.5, 6.5), (24.0, 16.5), (29.5, 16.5), (15.5, 34.0), (19.5, 21.0), (13.0, 21.0)]
    letter_w, letter_h, gap, slant = 10.5, 16.0, 4.2, 0.16
    segments = text_segments("TURBO", 37.0, 12.0, letter_w, letter_h, gap, slant)
    stroke = 1.35  # half the letters' stroke width
    orange = (255, 122, 24)
    amber = (255, 196, 64)
    pixels = []
    for j in range(height):
        row = []
        py = j + 0.5
        for i in range(width):
            px = i + 0.5
            pix = (0.0, 0.0, 0.0, 0.0)
            sd = rounded_rect_sd(px, py, x0, y0, x1, y1, radius)
            # Outer glow fading over the last three pixels of the canvas.
            if sd > 0:
                pix = over(pix, orange, 0.42 * math.exp(-sd / 1.4))
            body = coverage(sd)
            t = (py - y0) / (y1 - y0)
            pix = over(pix, lerp((46, 30, 20), (16, 10, 8), t), 0.88 * body)
            # Gloss on the upper half.
            if t < 0.5:
                pix = over(pix, (255, 255, 255), 0.07 * (1 - t / 0.5) * coverage(sd + 2.0))
            # Border ring just inside the edge.
            ring = coverage(abs(sd + 1.1) - 0.75)
            pix = over(pix, lerp(amber, orange, t), 0.95 * ring)
            # Lightning bolt with a soft glow.
            bsd = polygon_sd(px, py, bolt)
            if bsd > 0:
                pix = over(pix, orange, 0.55 * math.exp(-bsd / 1.3) * body)
            pix = over(pix, lerp((255, 236, 120), (255, 140, 30), (py - 6.5) / 27.5), coverage(bsd))
            # Letters: neon glow, then the strokes.
            if 30 <= px <= 116:
                d = min(seg_distance(px, py, *s) for s in segments) - stroke
                if d > 0:
                    pix = over(pix, orange, 0.6 * math.exp(-d / 1.5) * body)
                pix = over(pix, (255, 244, 222), coverage(d))
            r, g, b, a = pix
            if a <= 0.0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(min(255.0, c / a))) for c in (r, g, b)) + (int(round(a * 255)),))
        pixels.append(row)
    return width, height, pixels


def main():
    os.makedirs(OUT, exist_ok=True)
    w, h, px = turbo()
    write_rgba_png(os.path.join(OUT, "turbo_mode.png"), w, h, px)
    w, h, px = smoke()
    write_rgba_png(os.path.join(OUT, "bg_smoke01.png"), w, h, px)


if __name__ == "__main__":
    main()
