#!/usr/bin/env python3
"""Draws the program icon and the main window banner.

Writes res/KavroWallpaper.ico (one 32x32, 16-colour image) and
res/banner.bmp (278x79, 256 colours). Standard library only; the output
is byte-for-byte reproducible, so the generated files are committed and
the build never runs this script.

Usage: python3 scripts/make-art.py [output-dir]
"""

import math
import os
import struct
import sys

# The program's own colours.
BACKGROUND = (109, 115, 170)
FACE = (189, 195, 234)
STATUS_TEXT = (173, 214, 255)

OUTLINE = (40, 44, 90)
FRAME = (240, 242, 252)
BACK_CARD = (139, 147, 200)
SKY_TOP = (96, 150, 225)
SKY_LOW = (190, 225, 255)
SUN = (255, 226, 120)
HALO = (235, 240, 232)
FAR_HILLS = (128, 136, 196)
NEAR_HILLS = (70, 78, 140)
NEAR_HILLS_DARK = (50, 55, 108)
SHADOW = (45, 50, 98)

BANNER_W, BANNER_H = 278, 79
ICON_SIZE = 32


def lerp(a, b, t):
    return a + (b - a) * t


def mix(c1, c2, t):
    return (lerp(c1[0], c2[0], t), lerp(c1[1], c2[1], t), lerp(c1[2], c2[2], t))


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


# ---------------------------------------------------------------------------
# The emblem: a small landscape picture in a frame, lying on a tilted card.

class Card:
    """A rectangle of w x h pixels centred at (cx, cy), turned by deg."""

    def __init__(self, cx, cy, w, h, deg):
        self.cx, self.cy, self.w, self.h = cx, cy, w, h
        rad = math.radians(deg)
        self.cos, self.sin = math.cos(rad), math.sin(rad)

    def local(self, x, y):
        """Point in card coordinates: (0,0) top left, (w,h) bottom right."""
        dx, dy = x - self.cx, y - self.cy
        lx = dx * self.cos + dy * self.sin
        ly = -dx * self.sin + dy * self.cos
        return lx + self.w / 2.0, ly + self.h / 2.0

    def inside(self, x, y, grow=0.0):
        lx, ly = self.local(x, y)
        return -grow <= lx < self.w + grow and -grow <= ly < self.h + grow


def ridge(u, points):
    """Piecewise linear height of a mountain ridge at u (0..1)."""
    for (u0, v0), (u1, v1) in zip(points, points[1:]):
        if u0 <= u <= u1:
            return lerp(v0, v1, (u - u0) / (u1 - u0))
    return points[-1][1]


FAR_RIDGE = [(0.0, 0.56), (0.17, 0.36), (0.31, 0.50), (0.49, 0.30),
             (0.67, 0.52), (0.84, 0.42), (1.0, 0.52)]


def landscape(u, v, pw, ph, glow=True):
    """Colour of the framed picture at (u, v), both 0..1, picture pw x ph px."""
    if v >= 0.70 + 0.07 * math.sin(u * math.pi * 1.4 + 0.4):
        return mix(NEAR_HILLS, NEAR_HILLS_DARK, clamp01((v - 0.7) / 0.3))
    if v >= ridge(u, FAR_RIDGE):
        return FAR_HILLS
    colour = mix(SKY_TOP, SKY_LOW, clamp01(v / 0.6))
    # The sun, measured in pixels so that it stays round.
    dx, dy = (u - 0.74) * pw, (v - 0.27) * ph
    dist = math.hypot(dx, dy)
    sun_r = max(0.12 * ph, 2.3)
    if dist <= sun_r:
        return SUN
    if not glow:
        return colour
    halo = clamp01(1.0 - (dist - sun_r) / (2.2 * sun_r))
    return mix(colour, HALO, 0.6 * halo * halo)


class Emblem:
    def __init__(self, cx, cy, w, h, border, outline, back=(0.10, -0.12, 0.94, -11.0),
                 glow=True):
        dx, dy, size, deg = back
        self.front = Card(cx, cy, w, h, 0.0)
        self.back = Card(cx + dx * w, cy + dy * h, w * size, h * size, deg)
        self.glow = glow
        self.shadow_off = max(1.0, 0.06 * w)
        self.border = border
        self.outline = outline

    def framed(self, card, x, y, picture):
        lx, ly = card.local(x, y)
        if not (0.0 <= lx < card.w and 0.0 <= ly < card.h):
            return None
        edge = min(lx, ly, card.w - lx, card.h - ly)
        if edge < self.outline:
            return OUTLINE
        if edge < self.outline + self.border:
            return FRAME if picture else FACE
        if not picture:
            return BACK_CARD
        inner = self.outline + self.border
        pw, ph = card.w - 2 * inner, card.h - 2 * inner
        return landscape((lx - inner) / pw, (ly - inner) / ph, pw, ph, self.glow)

    def sample(self, x, y):
        """Colour at a point, or None where the emblem is transparent."""
        colour = self.framed(self.front, x, y, True)
        if colour is None:
            colour = self.framed(self.back, x, y, False)
        return colour

    def shadow(self, x, y):
        off = self.shadow_off
        return (self.front.inside(x - off, y - off)
                or self.back.inside(x - off, y - off))


def supersample(fn, px, py, n=4):
    """Averages fn over n x n points of pixel (px, py).

    Returns (colour, coverage); colour is None when nothing was hit."""
    acc = [0.0, 0.0, 0.0]
    hits = 0
    for j in range(n):
        for i in range(n):
            c = fn(px + (i + 0.5) / n, py + (j + 0.5) / n)
            if c is not None:
                acc[0] += c[0]
                acc[1] += c[1]
                acc[2] += c[2]
                hits += 1
    if hits == 0:
        return None, 0.0
    return (acc[0] / hits, acc[1] / hits, acc[2] / hits), hits / float(n * n)


# ---------------------------------------------------------------------------
# Title lettering: a small stroke font, strokes rendered with soft edges.
# Glyph units: baseline at y = 0, x-height 7, cap height 10, y grows upwards.

def arc(cx, cy, rx, ry, a0, a1, steps=24):
    pts = []
    for k in range(steps + 1):
        a = math.radians(lerp(a0, a1, k / float(steps)))
        pts.append((cx + rx * math.cos(a), cy + ry * math.sin(a)))
    return pts


def bowl(cx, rx):
    return arc(cx, 3.5, rx, 3.5, 0, 360, 36)


GLYPHS = {
    "K": (7.0, [[(0, 0), (0, 10)], [(5.6, 10), (0, 4.3)], [(2.0, 6.3), (6.0, 0)]]),
    "a": (6.9, [bowl(2.7, 2.7), [(5.4, 0), (5.4, 7)]]),
    "v": (6.3, [[(0, 7), (2.8, 0), (5.6, 7)]]),
    "r": (4.9, [[(0, 0), (0, 7)], arc(3.7, 3.0, 3.7, 4.0, 180, 92, 12)]),
    "o": (6.7, [bowl(2.8, 2.8)]),
    "W": (10.2, [[(0, 10), (2.3, 0), (4.6, 7.2), (6.9, 0), (9.2, 10)]]),
    "l": (2.5, [[(0, 0), (0, 10.4)]]),
    "p": (6.9, [[(0, -3.2), (0, 7)], bowl(2.7, 2.7)]),
    "e": (6.5, [[(0.05, 3.6), (5.4, 3.6)], arc(2.7, 3.5, 2.7, 3.5, 0, 318, 30)]),
}

TITLE = "KavroWallpaper"
TRACKING = 0.5


def title_segments(x0, baseline, scale):
    segs = []
    x = x0
    for ch in TITLE:
        advance, strokes = GLYPHS[ch]
        for stroke in strokes:
            pts = [(x + gx * scale, baseline - gy * scale) for gx, gy in stroke]
            segs.extend(zip(pts, pts[1:]))
        x += (advance + TRACKING) * scale
    return segs, x


def seg_distance(px, py, seg):
    (ax, ay), (bx, by) = seg
    dx, dy = bx - ax, by - ay
    len2 = dx * dx + dy * dy
    t = 0.0 if len2 == 0 else clamp01(((px - ax) * dx + (py - ay) * dy) / len2)
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def distance_field(segs, w, h, reach):
    """Distance from every pixel centre to the nearest stroke, within reach."""
    far = reach + 1.0
    field = [[far] * w for _ in range(h)]
    for seg in segs:
        (ax, ay), (bx, by) = seg
        x0 = max(0, int(min(ax, bx) - reach))
        x1 = min(w - 1, int(max(ax, bx) + reach) + 1)
        y0 = max(0, int(min(ay, by) - reach))
        y1 = min(h - 1, int(max(ay, by) + reach) + 1)
        for y in range(y0, y1 + 1):
            row = field[y]
            for x in range(x0, x1 + 1):
                d = seg_distance(x + 0.5, y + 0.5, seg)
                if d < row[x]:
                    row[x] = d
    return field


# ---------------------------------------------------------------------------
# Subtitle: a crisp 5x7 pixel font.

PIXEL_FONT = {
    "A": [".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"],
    "D": ["####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."],
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "M": ["#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"],
    "N": ["#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "R": ["####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"],
    "S": [".####", "#....", "#....", ".###.", "....#", "....#", "####."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "W": ["#...#", "#...#", "#...#", "#.#.#", "#.#.#", "##.##", "#...#"],
}

SUBTITLE = "DESKTOP WALLPAPER MANAGER"
LETTER_GAP, WORD_GAP = 2, 5


def subtitle_width():
    width = 0
    for k, ch in enumerate(SUBTITLE):
        width += WORD_GAP if ch == " " else 5
        if k + 1 < len(SUBTITLE) and ch != " " and SUBTITLE[k + 1] != " ":
            width += LETTER_GAP
    return width


def draw_subtitle(img, x0, y0, colour):
    x = x0
    for k, ch in enumerate(SUBTITLE):
        if ch == " ":
            x += WORD_GAP
            continue
        for row, bits in enumerate(PIXEL_FONT[ch]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    img[y0 + row][x + col] = colour
        x += 5
        if k + 1 < len(SUBTITLE) and SUBTITLE[k + 1] != " ":
            x += LETTER_GAP


# ---------------------------------------------------------------------------
# Banner.

def render_banner():
    w, h = BANNER_W, BANNER_H
    # The border stays exactly BACKGROUND: the picture control fills any
    # room around the bitmap with its top-left pixel, so no seam shows.
    img = []
    for y in range(h):
        row = []
        for x in range(w):
            dx, dy = (x + 0.5 - w * 0.56) / (w * 0.43), (y + 0.5 - h * 0.5) / (h * 0.46)
            glow = clamp01(1.0 - dx * dx - dy * dy)
            row.append(mix(BACKGROUND, FACE, 0.22 * glow * glow))
        img.append(row)

    emblem = Emblem(cx=39.0, cy=41.0, w=50.0, h=38.0, border=3.0, outline=1.1)
    for y in range(8, 70):
        for x in range(4, 76):
            _, cover = supersample(lambda sx, sy: SHADOW if emblem.shadow(sx, sy) else None,
                                   x, y, 2)
            if cover:
                img[y][x] = mix(img[y][x], SHADOW, 0.35 * cover)
            colour, cover = supersample(emblem.sample, x, y)
            if cover:
                img[y][x] = mix(img[y][x], colour, cover)

    scale = 2.0
    baseline = 37.0
    # Centre the ink, not the advances, between the emblem and the right edge.
    segs, _ = title_segments(0.0, baseline, scale)
    left = min(min(a[0], b[0]) for a, b in segs)
    right = max(max(a[0], b[0]) for a, b in segs)
    segs, _ = title_segments(84.0 + (BANNER_W - 12 - 84.0 - (right - left)) / 2.0 - left,
                             baseline, scale)
    half = 1.35
    field = distance_field(segs, w, h, half + 4.0)
    top, bottom = baseline - 10.4 * scale, baseline
    for y in range(h):
        fill = mix((255, 255, 255), (200, 214, 250), clamp01((y - top) / (bottom - top)))
        for x in range(w):
            # Soft shadow down and to the right, then a dark rim, then the fill.
            sx, sy = x - 1.6, y - 1.8
            if 0 <= sy < h - 1 and 0 <= sx < w - 1:
                ix, iy = int(sx), int(sy)
                fx, fy = sx - ix, sy - iy
                d = lerp(lerp(field[iy][ix], field[iy][ix + 1], fx),
                         lerp(field[iy + 1][ix], field[iy + 1][ix + 1], fx), fy)
                shade = clamp01((half + 1.6 - d) / 2.0)
                if shade:
                    img[y][x] = mix(img[y][x], SHADOW, 0.55 * shade)
            d = field[y][x]
            rim = clamp01(half + 1.4 - d)
            if rim:
                img[y][x] = mix(img[y][x], OUTLINE, 0.45 * rim)
            cover = clamp01(half + 0.5 - d)
            if cover:
                img[y][x] = mix(img[y][x], fill, cover)

    rule_y = 50
    for x in range(84, BANNER_W - 10):
        fade = clamp01(min(x - 84, BANNER_W - 10 - x) / 24.0)
        img[rule_y][x] = mix(img[rule_y][x], FACE, 0.8 * fade)
        img[rule_y + 1][x] = mix(img[rule_y + 1][x], OUTLINE, 0.35 * fade)

    sub_x = int(round(82.0 + (BANNER_W - 8 - 82.0 - subtitle_width()) / 2.0))
    draw_subtitle(img, sub_x, 55, STATUS_TEXT)

    return [[tuple(int(round(c)) for c in px) for px in row] for row in img]


def colour_distance(a, b):
    dr, dg, db = a[0] - b[0], a[1] - b[1], a[2] - b[2]
    return 2 * dr * dr + 4 * dg * dg + 3 * db * db


def median_cut(counts, boxes_wanted):
    """Palette of at most boxes_wanted colours for the {colour: count} map."""
    boxes = [sorted(counts.items())]
    while len(boxes) < boxes_wanted:
        best, best_score = -1, 0
        for k, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spread = max(max(c[0][ch] for c in box) - min(c[0][ch] for c in box)
                         for ch in range(3))
            score = spread * sum(n for _, n in box)
            if score > best_score:
                best, best_score = k, score
        if best < 0:
            break
        box = boxes.pop(best)
        ranges = [max(c[0][ch] for c in box) - min(c[0][ch] for c in box) for ch in range(3)]
        axis = ranges.index(max(ranges))
        box.sort(key=lambda item: (item[0][axis], item[0]))
        total = sum(n for _, n in box)
        run, cut = 0, 1
        for k, (_, n) in enumerate(box):
            run += n
            if run * 2 >= total:
                cut = min(max(k + 1, 1), len(box) - 1)
                break
        boxes.extend([box[:cut], box[cut:]])
    palette = []
    for box in boxes:
        total = sum(n for _, n in box)
        palette.append(tuple(int(round(sum(c[ch] * n for c, n in box) / float(total)))
                             for ch in range(3)))
    return palette


def quantise(img, fixed):
    """Indexed image and a 256-entry palette that starts with the fixed colours."""
    counts = {}
    for row in img:
        for px in row:
            if px not in fixed:
                counts[px] = counts.get(px, 0) + 1
    room = 256 - len(fixed)
    if len(counts) <= room:
        extra = sorted(counts)
    else:
        extra = median_cut(counts, room)
    palette = list(fixed) + [c for c in extra if c not in fixed]
    palette = palette[:256]
    lookup = {}
    for c in list(counts) + list(fixed):
        lookup[c] = min(range(len(palette)), key=lambda k: colour_distance(c, palette[k]))
    while len(palette) < 256:
        palette.append((0, 0, 0))
    indexed = [[lookup[px] for px in row] for row in img]
    return indexed, palette


def bmp_bytes(indexed, palette):
    h, w = len(indexed), len(indexed[0])
    stride = (w + 3) & ~3
    pixels = bytearray()
    for row in reversed(indexed):  # bottom-up rows
        pixels += bytes(row) + bytes(stride - w)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(pal)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(pixels),
                       2835, 2835, 256, 0)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + pal + bytes(pixels)


# ---------------------------------------------------------------------------
# Icon.

ICON_PALETTE = [
    (0, 0, 0), OUTLINE, FRAME, FACE, BACK_CARD, SKY_TOP, (150, 195, 245),
    SKY_LOW, SUN, FAR_HILLS, NEAR_HILLS, NEAR_HILLS_DARK, BACKGROUND,
    STATUS_TEXT, HALO, (255, 255, 255),
]


def render_icon():
    # Too small for a tilted card or a glowing sun: the back card sits
    # straight behind, so every edge stays one crisp pixel wide.
    emblem = Emblem(cx=12.5, cy=20.0, w=25.0, h=20.0, border=2.0, outline=1.0,
                    back=(0.24, -0.30, 1.0, 0.0), glow=False)
    pixels, mask = [], []
    for y in range(ICON_SIZE):
        prow, mrow = [], []
        for x in range(ICON_SIZE):
            colour, cover = supersample(emblem.sample, x, y)
            if cover >= 0.5:
                best = min(range(1, 16),
                           key=lambda k: colour_distance(colour, ICON_PALETTE[k]))
                prow.append(best)
                mrow.append(0)
            else:
                prow.append(0)  # black XOR over a set AND bit leaves the screen as is
                mrow.append(1)
        pixels.append(prow)
        mask.append(mrow)
    return pixels, mask


def ico_bytes(pixels, mask):
    size = ICON_SIZE
    xor = bytearray()
    for row in reversed(pixels):
        for k in range(0, size, 2):
            xor.append((row[k] << 4) | row[k + 1])
    and_stride = ((size + 31) // 32) * 4
    andmask = bytearray()
    for row in reversed(mask):
        line = bytearray(and_stride)
        for x, bit in enumerate(row):
            if bit:
                line[x // 8] |= 0x80 >> (x % 8)
        andmask += line
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in ICON_PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0,
                       len(xor) + len(andmask), 0, 0, 16, 0)
    image = info + pal + bytes(xor) + bytes(andmask)
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return header + entry + image


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res")

    indexed, palette = quantise(render_banner(), [BACKGROUND])
    with open(os.path.join(out_dir, "banner.bmp"), "wb") as f:
        f.write(bmp_bytes(indexed, palette))

    pixels, mask = render_icon()
    with open(os.path.join(out_dir, "KavroWallpaper.ico"), "wb") as f:
        f.write(ico_bytes(pixels, mask))


if __name__ == "__main__":
    main()
