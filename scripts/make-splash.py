#!/usr/bin/env python3
"""Draws Kestrel's start-up splash pictures and writes them as Windows bitmaps.

    python3 scripts/make-splash.py [OUTPUT-FOLDER]      (default: res/art)

Writes Splash16.bmp (bitmap 112: 16 colours, 4 bits per pixel) and Splash256.bmp
(bitmap 113: 256 colours, 8 bits per pixel), both 350 x 200. Pure green
(0x00FF00) is the key colour: the desktop shows through there. Also writes the
installer's two pictures from the same drawing: SetupWelcome.bmp (164 x 314, the
side panel of its first and last pages) and SetupHeader.bmp (150 x 57, the
corner of its other pages), both 24 bits per pixel.

The picture is the application's mark, a battery struck by a bolt, standing
in front of a dark blue plaque that carries the name. Both pictures come from
the same geometry. The 256-colour one is drawn at 4 x 4 samples per pixel with
smooth shading, then reduced to its own palette; the 16-colour one is drawn
with one sample per pixel in flat colours of the standard palette, the way a
picture made for a 16-colour display is drawn, so that it is crisp rather than
dithered. The shape's edge is never blended with the key colour, so no green
fringe shows on the desktop. The output is byte-for-byte the same on every run.
"""

import math
import os
import struct
import sys

WIDTH, HEIGHT = 350, 200
SAMPLES = 4                      # per pixel and axis in the 256-colour picture
KEY = (0x00, 0xFF, 0x00)

# The standard 16-colour palette, in its usual order, as (R, G, B).
PALETTE16 = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, GREEN, NAVY, SILVER, GREY, YELLOW, BLUE, WHITE = (
    PALETTE16[0], PALETTE16[2], PALETTE16[4], PALETTE16[7], PALETTE16[8], PALETTE16[11],
    PALETTE16[12], PALETTE16[15])


# ---------------------------------------------------------------------------
# Geometry, in pixel coordinates of the 350 x 200 picture

def in_round_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x >= x1 or y < y0 or y >= y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy
    t = 0.0 if length == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def in_polygon(x, y, points):
    inside = False
    n = len(points)
    for i in range(n):
        ax, ay = points[i]
        bx, by = points[(i + 1) % n]
        if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
            inside = not inside
    return inside


def polygon_edge_distance(x, y, points):
    n = len(points)
    return min(segment_distance(x, y, *points[i], *points[(i + 1) % n]) for i in range(n))


# The plaque behind the name.
PLAQUE = (72, 50, 342, 158, 16)

# The battery: body, terminal, and the line between its empty and its lit part.
BODY = (20, 30, 100, 190, 7)
TERMINAL = (44, 14, 76, 34, 4)
LIT_FROM = 84
# The bolt that strikes it, as in the application icon: thick at the top right, down to a point
# at the lower left.
BOLT = [(60, 38), (90, 38), (73, 92), (94, 92), (44, 180), (57, 116), (34, 116)]

# The name: strokes of a bold rounded sans, as centre lines; arcs become short segments.
BASELINE = 131
STROKE = 9.0
X_TOP = BASELINE - 36 + STROKE / 2       # centre line of the x-height
ASC_TOP = BASELINE - 52 + STROKE / 2     # centre line of the ascenders
BOTTOM = BASELINE - STROKE / 2


def arc(cx, cy, rx, ry, start, end, steps=28):
    """Points of an arc; angles in degrees counter-clockwise from the right, y pointing down."""
    out = []
    for i in range(steps + 1):
        a = math.radians(start + (end - start) * i / steps)
        out.append((cx + rx * math.cos(a), cy - ry * math.sin(a)))
    return out


def polyline(points):
    return [(points[i], points[i + 1]) for i in range(len(points) - 1)]


def letter_e(segs, x):
    """Adds an e from left edge x: a round bowl open at the lower right, and its bar."""
    h = STROKE / 2
    r = (BOTTOM - X_TOP) / 2
    cx, cy = x + h + r, (X_TOP + BOTTOM) / 2
    segs += polyline([(cx - r, cy), (cx + r, cy)])
    segs += polyline(arc(cx, cy, r, r, 0, 318))
    return cx + r + h + 4


def glyph_strokes(x):
    """The word's strokes from left edge x; returns (segments, right edge)."""
    segs = []
    h = STROKE / 2
    # K
    k = x + h
    segs += polyline([(k, ASC_TOP), (k, BOTTOM)])
    segs += polyline([(k + 25, ASC_TOP), (k + 2, BOTTOM - 18)])
    segs += polyline([(k + 10, BOTTOM - 24), (k + 26, BOTTOM)])
    x = k + 26 + h + 4
    # e
    x = letter_e(segs, x)
    # s
    rx, ry = 10, (BOTTOM - X_TOP) / 4
    cx = x + h + rx
    upper = (X_TOP + BOTTOM) / 2 - ry
    lower = (X_TOP + BOTTOM) / 2 + ry
    segs += polyline(arc(cx, upper, rx, ry, 25, 270))
    segs += polyline(arc(cx, lower, rx, ry, 90, -155))
    x = cx + rx + h + 4
    # t
    t = x + h + 6
    segs += polyline([(t, ASC_TOP + 6), (t, BOTTOM - 9)])
    segs += polyline(arc(t + 9, BOTTOM - 9, 9, 9, 180, 270, 12))
    segs += polyline([(t - 6, X_TOP), (t + 11, X_TOP)])
    x = t + 11 + h + 3
    # r
    rr = x + h
    segs += polyline([(rr, X_TOP), (rr, BOTTOM)])
    segs += polyline(arc(rr + 14, X_TOP + 14, 14, 14, 180, 75, 18))
    x = rr + 17 + h + 3
    # e
    x = letter_e(segs, x)
    # l
    segs += polyline([(x + h, ASC_TOP), (x + h, BOTTOM)])
    return segs, x + STROKE


def word_segments():
    _, right = glyph_strokes(0)
    # Centred on the plaque right of the battery.
    left = (110 + PLAQUE[2] - 8 - right) / 2
    return glyph_strokes(left)[0]


class Mask:
    """Which samples of an n x n grid per pixel lie within STROKE / 2 of a set of segments."""

    def __init__(self, segments, n):
        self.n = n
        self.bits = set()
        reach = STROKE / 2
        for (ax, ay), (bx, by) in segments:
            x0 = int(math.floor((min(ax, bx) - reach) * n))
            x1 = int(math.ceil((max(ax, bx) + reach) * n))
            y0 = int(math.floor((min(ay, by) - reach) * n))
            y1 = int(math.ceil((max(ay, by) + reach) * n))
            for sy in range(y0, y1 + 1):
                py = (sy + 0.5) / n
                for sx in range(x0, x1 + 1):
                    if (sx, sy) in self.bits:
                        continue
                    if segment_distance((sx + 0.5) / n, py, ax, ay, bx, by) <= reach:
                        self.bits.add((sx, sy))

    def at(self, x, y):
        """Whether the sample nearest to (x, y) is covered."""
        return (int(x * self.n), int(y * self.n)) in self.bits


# ---------------------------------------------------------------------------
# The scene: the colour at a point, or None where the desktop shows through

def lerp(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


class Scene:
    def __init__(self, smooth, n):
        self.smooth = smooth
        self.text = Mask(word_segments(), n)
        self.rule = (114, 144, PLAQUE[2] - 14, 147)

    def plaque(self, x, y):
        x0, y0, x1, y1, r = PLAQUE
        if not in_round_rect(x, y, x0, y0, x1, y1, r):
            return None
        if not in_round_rect(x, y, x0 + 1, y0 + 1, x1 - 1, y1 - 1, r - 1):
            return BLACK
        inner = in_round_rect(x, y, x0 + 3, y0 + 3, x1 - 3, y1 - 3, r - 3)
        if not inner:
            # A raised rim: lit from the top left.
            lit = not in_round_rect(x, y, x0 + 3, y0 + 3, x1 + 2, y1 + 2, r - 3)
            if self.smooth:
                return (110, 140, 220) if lit else (0, 0, 40)
            return BLUE if lit else BLACK
        if self.smooth:
            t = (y - y0) / (y1 - y0)
            return lerp((34, 64, 150), (4, 14, 60), t)
        return NAVY

    def word(self, x, y):
        if self.text.at(x, y):
            if self.smooth:
                return lerp((255, 255, 255), (196, 212, 250), (y - (BASELINE - 52)) / 52)
            return WHITE
        if self.text.at(x - 3, y - 3):
            return (0, 0, 24) if self.smooth else BLACK
        x0, y0, x1, y1 = self.rule
        if x0 <= x < x1 and y0 <= y < y1:
            if self.smooth:
                return lerp((255, 220, 40), (200, 140, 0), (y - y0) / (y1 - y0))
            return YELLOW
        return None

    def battery(self, x, y):
        bx0, by0, bx1, by1, br = BODY
        tx0, ty0, tx1, ty1, tr = TERMINAL
        if in_round_rect(x, y, tx0, ty0, tx1, ty1, tr) and y < by0 + 3:
            if not in_round_rect(x, y, tx0 + 3, ty0 + 3, tx1 - 3, ty1 + 3, max(tr - 3, 1)):
                return BLACK
            across = (x - tx0) / (tx1 - tx0)
            if self.smooth:
                return lerp((230, 230, 230), (96, 96, 96), abs(across - 0.3) * 1.6)
            return WHITE if across < 0.3 else SILVER if across < 0.6 else GREY
        if not in_round_rect(x, y, bx0, by0, bx1, by1, br):
            return None
        if not in_round_rect(x, y, bx0 + 3, by0 + 3, bx1 - 3, by1 - 3, br - 3):
            return BLACK
        across = (x - bx0 - 3) / (bx1 - bx0 - 6)
        lit = y >= LIT_FROM
        if self.smooth:
            # A round cell, lit from the left.
            shade = 1.0 - abs(across - 0.28) * 1.35
            if lit:
                base = lerp((0, 96, 0), (120, 236, 104), shade)
                if (y - LIT_FROM) % 24 >= 22 and y < by1 - 8:
                    base = lerp(base, (0, 64, 0), 0.6)
                return base
            return lerp((150, 150, 160), (255, 255, 255), shade + 0.25)
        if lit:
            if across > 0.82:
                return BLACK if int(x) % 2 == int(y) % 2 else GREEN
            if 0.14 < across < 0.22:
                return SILVER
            if (y - LIT_FROM) % 24 >= 22 and y < by1 - 8:
                return BLACK
            return GREEN
        return SILVER if across > 0.82 else WHITE

    def bolt(self, x, y):
        inside = in_polygon(x, y, BOLT)
        if not inside:
            if polygon_edge_distance(x, y, BOLT) <= 3.2:
                return BLACK
            return None
        if polygon_edge_distance(x, y, BOLT) <= 1.6:
            return BLACK
        if self.smooth:
            return lerp((255, 246, 120), (236, 170, 0), (y - 38) / 142)
        return YELLOW

    def bolt_or_battery(self, x, y):
        c = self.bolt(x, y)
        return c if c is not None else self.battery(x, y)

    def colour(self, x, y):
        """Front to back: the bolt, the battery, the name, the plaque."""
        if 30 <= x <= 98 and 34 <= y <= 184:
            c = self.bolt(x, y)
            if c is not None:
                return c
        if x < 104:
            c = self.battery(x, y)
            if c is not None:
                return c
        if 100 <= x and 70 <= y <= 150:
            c = self.word(x, y)
            if c is not None:
                return c
        return self.plaque(x, y)


def render(smooth):
    """Rows of (R, G, B) or KEY."""
    n = SAMPLES if smooth else 1
    scene = Scene(smooth, n)
    rows = []
    for py in range(HEIGHT):
        row = []
        for px in range(WIDTH):
            if not smooth:
                c = scene.colour(px + 0.5, py + 0.5)
                row.append(KEY if c is None else c)
                continue
            got = []
            for j in range(n):
                for i in range(n):
                    c = scene.colour(px + (i + 0.5) / n, py + (j + 0.5) / n)
                    if c is not None:
                        got.append(c)
            # The edge is never blended with the key: an edge pixel takes the colour of its
            # covered part, or is left out when less than half is covered.
            if 2 * len(got) < n * n:
                row.append(KEY)
            else:
                row.append(tuple(int(round(sum(c[k] for c in got) / len(got))) for k in range(3)))
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------
# The installer's pictures: the mark (and on the panel the name) over a plain background

def setup_picture(width, height, background, mark, word, n=4):
    """mark and word: (scale, x, y) placing the battery's and the name's top-left corner, or None."""
    scene = Scene(True, 6)
    placed = []
    if mark:
        placed.append((mark, 16, 10, scene.bolt_or_battery))
    if word:
        placed.append((word, 108, 72, scene.word))
    rows = []
    for py in range(height):
        row = []
        for px in range(width):
            total = [0.0, 0.0, 0.0]
            for j in range(n):
                for i in range(n):
                    x, y = px + (i + 0.5) / n, py + (j + 0.5) / n
                    c = None
                    for (scale, left, top), sx, sy, draw in placed:
                        c = draw(sx + (x - left) / scale, sy + (y - top) / scale)
                        if c is not None:
                            break
                    if c is None:
                        c = background(x, y)
                    for k in range(3):
                        total[k] += c[k]
            row.append(tuple(int(round(t / (n * n))) for t in total))
        rows.append(row)
    return rows


def bitmap24(rows):
    data = b''
    for row in reversed(rows):
        line = b''.join(struct.pack('<BBB', b, g, r) for r, g, b in row)
        data += line + b'\0' * (-len(line) % 4)
    header = struct.pack('<IiiHHIIiiII', 40, len(rows[0]), len(rows), 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54) + header + data


def setup_pictures():
    def panel(x, y):
        return lerp((34, 64, 150), (4, 14, 60), y / 314)

    def white(x, y):
        return (255, 255, 255)

    welcome = setup_picture(164, 314, panel, (0.9, 46, 40), (0.62, 12, 228))
    header = setup_picture(150, 57, white, (0.27, 124, 4), None)
    return welcome, header


# ---------------------------------------------------------------------------
# The 256-colour palette: median cut over the picture's own colours, plus the key

def median_cut(colours, boxes_wanted):
    """colours: {(r, g, b): count}. Returns the weighted mean colour of each box."""
    boxes = [list(colours.items())]
    while len(boxes) < boxes_wanted:
        best, best_range, best_axis = None, -1, 0
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            for axis in range(3):
                values = [c[axis] for c, _ in box]
                spread = (max(values) - min(values)) * math.log(1 + sum(w for _, w in box))
                if spread > best_range:
                    best, best_range, best_axis = i, spread, axis
        if best is None:
            break
        box = sorted(boxes.pop(best), key=lambda item: (item[0][best_axis], item[0]))
        total = sum(w for _, w in box)
        running, cut = 0, 1
        for cut in range(1, len(box)):
            running += box[cut - 1][1]
            if running * 2 >= total:
                break
        boxes += [box[:cut], box[cut:]]
    out = []
    for box in boxes:
        total = sum(w for _, w in box)
        out.append(tuple(int(round(sum(c[k] * w for c, w in box) / total)) for k in range(3)))
    return out


def nearest(colour, palette):
    best, best_d = 0, None
    for i, p in enumerate(palette):
        d = (p[0] - colour[0]) ** 2 * 3 + (p[1] - colour[1]) ** 2 * 4 + (p[2] - colour[2]) ** 2 * 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def to_indices(rows, palette, key_index):
    cache = {}
    out = []
    for row in rows:
        line = []
        for c in row:
            if c == KEY:
                line.append(key_index)
                continue
            if c not in cache:
                cache[c] = nearest(c, [p if i != key_index else (-999, -999, -999)
                                       for i, p in enumerate(palette)])
            line.append(cache[c])
        out.append(line)
    return out


# ---------------------------------------------------------------------------
# Bitmap files

def literal_length(line, i, limit):
    """How many pixels from i to write as they are: up to the next run of three or more."""
    k = i
    while k < len(line) and k - i < limit:
        if k + 2 < len(line) and line[k] == line[k + 1] == line[k + 2]:
            break
        k += 1
    return k - i


def rle_row(line, bits):
    """One row in the RLE8 or RLE4 coding of a bitmap: runs of one index as (count, index), other
    stretches in absolute mode (0, count, indices, padded to a word). The picture is mostly runs,
    so the coded splash is a fraction of the plain one in the program's resources."""
    out = bytearray()
    i = 0
    while i < len(line):
        run = 1
        while i + run < len(line) and run < 255 and line[i + run] == line[i]:
            run += 1
        if run >= 3:
            out += bytes((run, line[i] * 0x11 if bits == 4 else line[i]))
            i += run
            continue
        count = max(literal_length(line, i, 254 if bits == 4 else 255), 1)
        chunk = line[i:i + count]
        if count < 3:
            for v in chunk:
                out += bytes((1, v << 4 if bits == 4 else v))
        elif bits == 8:
            out += bytes((0, count)) + bytes(chunk) + b'\0' * (count % 2)
        else:
            packed = chunk + [0] * (count % 2)
            data = bytes((packed[j] << 4) | packed[j + 1] for j in range(0, len(packed), 2))
            out += bytes((0, count)) + data + b'\0' * (len(data) % 2)
        i += count
    return bytes(out) + b'\0\0'   # end of line


def bitmap_file(indices, palette, bits):
    colours = 1 << bits
    palette = list(palette) + [(0, 0, 0)] * (colours - len(palette))
    table = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in palette)
    data = b''.join(rle_row(line, bits) for line in reversed(indices))
    data = data[:-2] + b'\0\1'   # the last end of line becomes the end of the bitmap
    compression = 2 if bits == 4 else 1   # BI_RLE4, BI_RLE8
    header = struct.pack('<IiiHHIIiiII', 40, WIDTH, HEIGHT, 1, bits, compression, len(data), 2835, 2835,
                         colours, 0)
    offset = 14 + len(header) + len(table)
    return struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset) + header + table + data


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    target = argv[1] if len(argv) > 1 else os.path.join(here, '..', 'res', 'art')
    os.makedirs(target, exist_ok=True)

    flat = render(smooth=False)
    key16 = PALETTE16.index(KEY)
    indices16 = [[key16 if c == KEY else PALETTE16.index(c) for c in row] for row in flat]
    with open(os.path.join(target, 'Splash16.bmp'), 'wb') as f:
        f.write(bitmap_file(indices16, PALETTE16, 4))

    smooth = render(smooth=True)
    counts = {}
    for row in smooth:
        for c in row:
            if c != KEY:
                counts[c] = counts.get(c, 0) + 1
    palette = [KEY] + median_cut(counts, 255)
    with open(os.path.join(target, 'Splash256.bmp'), 'wb') as f:
        f.write(bitmap_file(to_indices(smooth, palette, 0), palette, 8))

    welcome, header = setup_pictures()
    with open(os.path.join(target, 'SetupWelcome.bmp'), 'wb') as f:
        f.write(bitmap24(welcome))
    with open(os.path.join(target, 'SetupHeader.bmp'), 'wb') as f:
        f.write(bitmap24(header))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
