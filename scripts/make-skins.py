#!/usr/bin/env python3
"""Draws the floating battery indicator's skins and writes their files.

    python3 scripts/make-skins.py [OUTPUT-FOLDER]      (default: res/art/skins)

The output folder is laid out as the installation is: for each skin NN the skin
file IndicatorNN.dat at the top (beside Kestrel.exe) and its 24-bit BMP images in
Resource/SkinNN/. Every display mode gets its own body,
sized to the elements that mode shows: the gauge alone, with the power-status
mark, with the minutes counter, or with both.

The vertical orientation is the horizontal one turned a quarter to the left: the
gauge fills from the bottom, the counter reads upwards with its label above it;
only the marks stay upright. Its bevels, the well and the gauge's segments are lit
as in the horizontal one, from the top left, as the era's light falls in both.
Magenta (255, 0, 255) is transparent everywhere.
The output is byte-for-byte the same on every run.
"""

import os
import struct
import sys

KEY = (255, 0, 255)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
SILVER = (192, 192, 192)
GREY = (128, 128, 128)
DARK = (64, 64, 64)


class Picture:
    """An RGB picture; starts transparent (key-coloured)."""

    def __init__(self, width, height, fill=KEY):
        self.width = width
        self.height = height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = colour

    def get(self, x, y):
        return self.px[y][x]

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), both included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, colour)

    def draw(self, x0, y0, rows, inks):
        """Places a hand-drawn picture: one character per pixel, '.' leaves the pixel alone."""
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch != '.':
                    self.set(x0 + dx, y0 + dy, inks[ch])

    def paste(self, x0, y0, other):
        for y in range(other.height):
            for x in range(other.width):
                c = other.get(x, y)
                if c != KEY:
                    self.set(x0 + x, y0 + y, c)

    def turned_left(self):
        """The picture turned a quarter to the left (counter-clockwise)."""
        out = Picture(self.height, self.width)
        for y in range(out.height):
            for x in range(out.width):
                out.px[y][x] = self.px[x][self.width - 1 - y]
        return out

    def bmp(self):
        stride = (self.width * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.height - 1, -1, -1):
            row = bytearray()
            for r, g, b in self.px[y]:
                row += bytes((b, g, r))
            row += bytes(stride - len(row))
            data += row
        header = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
        info = struct.pack('<IiiHHIIiiII', 40, self.width, self.height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        return header + info + bytes(data)


# Digits 0 to 9 in a 5 x 7 pixel font.
DIGITS = [
    [".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."],
    ["..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."],
    [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    [".###.", "#...#", "....#", "..##.", "....#", "#...#", ".###."],
    ["...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."],
    ["#####", "#....", "####.", "....#", "....#", "#...#", ".###."],
    ["..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."],
    ["#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."],
    [".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."],
    [".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."],
]
GLYPH_W, GLYPH_H = 5, 7
CELL_W = GLYPH_W + 1

# "min", lower case, on the digits' baseline.
LABEL = [
    "......#.....",
    "............",
    "####.##.###.",
    "#.#.#.#.#..#",
    "#.#.#.#.#..#",
    "#.#.#.#.#..#",
    "#.#.#.#.#..#",
]

# The power-status marks, 11 x 11: mains plug, plug with a charging flash, battery.
MARK_PLUG = [
    "...#...#...",
    "...#...#...",
    "..#######..",
    "..#wwwww#..",
    "..#wwwww#..",
    "..#wwwww#..",
    "...#www#...",
    "....###....",
    ".....#.....",
    ".....#.....",
    "......##...",
]
MARK_CHARGING = [
    "...#...#.y.",
    "...#...#yy.",
    "..#####yy..",
    "..#www#yyyy",
    "..#wwwww#yy",
    "..#wwwwwyy.",
    "...#www#y..",
    "....###y...",
    ".....#.....",
    ".....#.....",
    "......##...",
]
MARK_BATTERY = [
    "....###....",
    "...#####...",
    "..#ooooo#..",
    "..#wwwww#..",
    "..#wwwww#..",
    "..#ggggg#..",
    "..#ggggg#..",
    "..#ggggg#..",
    "..#ggggg#..",
    "..#ggggg#..",
    "..#######..",
]
MARK_SIZE = 11


class Style:
    def __init__(self, **kw):
        self.__dict__.update(kw)


STYLES = {
    1: Style(title="Kestrel Classic", height=25, well=(40, 11), bevel=True, face=SILVER,
             gauge=[(0, 255, 0), (0, 160, 0)], segment=4, ink=BLACK, label=(0, 0, 128),
             marks={'#': BLACK, 'w': WHITE, 'y': (255, 255, 0), 'o': GREY, 'g': (0, 160, 0)},
             mark_fix=None, time_fix=None),
    2: Style(title="Night Owl", height=25, well=(40, 11), bevel=False, face=(0, 0, 96),
             edge=(0, 128, 192), gauge=[(255, 200, 0), (224, 128, 0)], segment=4, ink=WHITE,
             label=(160, 200, 255),
             marks={'#': (160, 200, 255), 'w': (0, 0, 96), 'y': (255, 200, 0), 'o': (0, 128, 192),
                    'g': (255, 200, 0)},
             mark_fix=None, time_fix=None),
    3: Style(title="Slim gauge", height=15, well=(44, 5), bevel=True, face=SILVER,
             gauge=[(0, 0, 128), (16, 132, 208)], segment=0, ink=BLACK, label=(0, 0, 128),
             marks={'#': BLACK, 'w': WHITE, 'y': (255, 255, 0), 'o': GREY, 'g': (0, 160, 0)},
             mark_fix=1, time_fix=0),
}

SECTIONS = [("Indicator.None", False, False), ("Indicator.Psm", True, False),
            ("Indicator.Rbt", False, True), ("Indicator.Psm.Rbt", True, True)]


def gauge_picture(style, vertical=False):
    """The gauge, filling from the left, or when vertical from the bottom; its segments are lit
    from the top left either way."""
    w, h = style.well
    pic = Picture(w, h)
    for x in range(w):
        if style.segment and x % style.segment == style.segment - 1:
            continue   # the gap between two segments shows the well
        if style.segment:
            colour = style.gauge[0] if x % style.segment < style.segment - 2 else style.gauge[1]
        else:
            # A smooth run from the dark to the light colour, as in a title bar of the era.
            t = x / max(1, w - 1)
            colour = tuple(int(a + (b - a) * t) for a, b in zip(style.gauge[0], style.gauge[1]))
        for y in range(h):
            pic.set(x, y, colour)
    if style.segment:
        for x in range(w):   # a highlight line along the top of each segment
            if pic.get(x, 0) != KEY:
                pic.set(x, 0, tuple(min(255, c + 96) for c in pic.get(x, 0)))
    if not vertical:
        return pic
    # Turned a quarter to the left, the fill rises from the bottom; mirrored top to bottom as well,
    # each segment keeps its light side up and its highlight on the left. A segment's place from the
    # bottom stays that of the horizontal one from the left.
    turned = pic.turned_left()
    if not style.segment:
        return turned
    out = Picture(turned.width, turned.height)
    for y in range(out.height):
        j = out.height - 1 - y             # the row's place counted from the bottom
        start = j - j % style.segment       # the segment's first row from the bottom
        mirrored = start + (style.segment - 2 - j % style.segment) if j % style.segment < style.segment - 1 else j
        for x in range(out.width):
            out.px[y][x] = turned.px[out.height - 1 - mirrored][x]
    return out


def raised(pic, box, face, inner, open_side=None):
    """A raised, bevelled rectangle lit from the top left: white on its top and left edges, dark on
    its bottom and right ones, with a grey line inside those when inner is set. The open side
    (joined to the body) gets no edge."""
    x0, y0, x1, y1 = box
    pic.rect(x0, y0, x1, y1, face)
    if open_side != 'top':
        pic.rect(x0, y0, x1, y0, WHITE)
    if open_side != 'left':
        pic.rect(x0, y0, x0, y1, WHITE)
    if open_side != 'bottom':
        pic.rect(x0, y1, x1, y1, DARK)
    if open_side != 'right':
        pic.rect(x1, y0, x1, y1, DARK)
    if inner:
        pic.rect(x0 + 1, y1 - 1, x1 - 1, y1 - 1, GREY)
        pic.rect(x1 - 1, y0 + 1, x1 - 1, y1 - 1, GREY)


def body_picture(style, width, vertical=False):
    """The body: a battery seen from the side, the terminal on the right, or on top when vertical.
    The vertical body is the horizontal one turned a quarter to the left, lit as the horizontal one
    is, from the top left."""
    h = style.height
    nub_w = 3
    main_w = width - nub_w
    ny0, ny1 = h // 3, h - 1 - h // 3

    def place(x0, y0, x1, y1):
        """A rectangle of the horizontal picture where the turned picture has it."""
        return (y0, width - 1 - x1, y1, width - 1 - x0) if vertical else (x0, y0, x1, y1)

    pic = Picture(h, width) if vertical else Picture(width, h)
    main = place(0, 0, main_w - 1, h - 1)
    nub = place(main_w, ny0, width - 1, ny1)
    if style.bevel:
        raised(pic, main, style.face, True)
        raised(pic, nub, style.face, False, 'bottom' if vertical else 'left')
    else:
        pic.rect(*main, style.edge)
        pic.rect(main[0] + 1, main[1] + 1, main[2] - 1, main[3] - 1, style.face)
        pic.rect(*nub, style.edge)
    # Rounded corners: the outermost pixels go; an edge without a bevel rounds one pixel more.
    x0, y0, x1, y1 = main
    for cx, cy, dx, dy in ((x0, y0, 1, 1), (x1, y0, -1, 1), (x0, y1, 1, -1), (x1, y1, -1, -1)):
        pic.set(cx, cy, KEY)
        if not style.bevel:
            pic.set(cx + dx, cy, KEY)
            pic.set(cx, cy + dy, KEY)
            pic.set(cx + dx, cy + dy, style.edge)
    return pic


def sunken_well(pic, box, style):
    """The dark window the gauge shows in, one pixel larger than the gauge all round, sunk into
    the body: its shade on the top and left, its light on the bottom and right."""
    x0, y0, x1, y1 = box
    pic.rect(x0, y0, x1, y1, BLACK if style.bevel else (0, 0, 48))
    if style.bevel:
        pic.rect(x0 - 1, y0 - 1, x1, y0 - 1, GREY)
        pic.rect(x0 - 1, y0 - 1, x0 - 1, y1, GREY)
        pic.rect(x0 - 1, y1 + 1, x1 + 1, y1 + 1, WHITE)
        pic.rect(x1 + 1, y0 - 1, x1 + 1, y1 + 1, WHITE)


def digit_cell(d, ink):
    cell = Picture(CELL_W, GLYPH_H)
    cell.draw(0, 0, DIGITS[d], {'#': ink})
    return cell


def layout(style, marks, time):
    """The horizontal picture of one display mode, its vertical twin and where each element goes in
    the horizontal one."""
    h = style.height
    gw, gh = style.well
    x = 5
    places = {}
    places['Gauge'] = (x + 1, (h - gh) // 2)
    x += gw + 2 + 5
    if marks:
        places['Mark'] = (x, (h - MARK_SIZE) // 2)
        x += MARK_SIZE + 4
    if time:
        places['RbtNum'] = (x, (h - GLYPH_H) // 2)
        x += 3 * CELL_W + 1
        places['RbtMin'] = (x, (h - GLYPH_H) // 2)
        x += len(LABEL[0]) + 4
    width = x + 3
    gx, gy = places['Gauge']
    well = (gx, gy, gx + gw - 1, gy + gh - 1)   # the gauge's own pixels; the well is one larger
    body = body_picture(style, width)
    sunken_well(body, (well[0] - 1, well[1] - 1, well[2] + 1, well[3] + 1), style)
    turned = body_picture(style, width, vertical=True)
    # The well turned with the body: (x, y) goes to (y, width - 1 - x).
    sunken_well(turned, (well[1] - 1, width - 1 - (well[2] + 1), well[3] + 1, width - 1 - (well[0] - 1)), style)
    return body, turned, places


def write(folder, relative, picture, written):
    path = os.path.join(folder, relative)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(picture.bmp())
    written.append(path)


def make_skin(number, style, folder):
    written = []
    sub = "Skin%02u" % number
    gauge = gauge_picture(style)
    marks = {}
    for key, art in (("PsmAcNoCharging", MARK_PLUG), ("PsmAcCharging", MARK_CHARGING), ("PsmDc", MARK_BATTERY)):
        pic = Picture(MARK_SIZE, MARK_SIZE)
        pic.draw(0, 0, art, style.marks)
        marks[key] = pic
    strip_h = Picture(10 * CELL_W, GLYPH_H)
    strip_v = Picture(GLYPH_H, 10 * CELL_W)
    for d in range(10):
        cell = digit_cell(d, style.ink)
        strip_h.paste(d * CELL_W, 0, cell)
        strip_v.paste(0, d * CELL_W, cell.turned_left())
    label = Picture(len(LABEL[0]), GLYPH_H)
    label.draw(0, 0, LABEL, {'#': style.label})

    common = [("GaugeH.bmp", gauge), ("GaugeV.bmp", gauge_picture(style, vertical=True)),
              ("RbtNumH.bmp", strip_h), ("RbtNumV.bmp", strip_v),
              ("RbtMinH.bmp", label), ("RbtMinV.bmp", label.turned_left())]
    for key, pic in marks.items():
        common.append((key + ".bmp", pic))
    for name, pic in common:
        write(folder, os.path.join("Resource", sub, name), pic, written)

    lines = ["; Kestrel indicator skin %02u, drawn by scripts/make-skins.py" % number,
             "[Indicator.General]", "Title=%s" % style.title]
    if style.mark_fix is not None:
        lines.append("FixShowPowerStatusMark=%d" % style.mark_fix)
    if style.time_fix is not None:
        lines.append("FixShowRestBatteryTime=%d" % style.time_fix)
    m = "255,0,255,"
    for section, show_marks, show_time in SECTIONS:
        body, turned, places = layout(style, show_marks, show_time)
        tag = section.split('.', 1)[1].replace('.', '')
        body_h = "Body%sH.bmp" % tag
        write(folder, os.path.join("Resource", sub, body_h), body, written)
        write(folder, os.path.join("Resource", sub, "Body%sV.bmp" % tag), turned, written)
        bw = body.width
        lines += ["", "[%s]" % section]
        entries = [("Gauge", places['Gauge'], gauge.width, "GaugeH.bmp", "GaugeV.bmp")]
        if show_marks:
            # The marks stay upright in both orientations: one picture each.
            for key in ("PsmAcNoCharging", "PsmAcCharging", "PsmDc"):
                entries.append((key, places['Mark'], MARK_SIZE, key + ".bmp", key + ".bmp"))
        if show_time:
            entries.append(("RbtNum", places['RbtNum'], 3 * CELL_W, "RbtNumH.bmp", "RbtNumV.bmp"))
            entries.append(("RbtMin", places['RbtMin'], label.width, "RbtMinH.bmp", "RbtMinV.bmp"))
        lines.append("BodyH=%s%s\\%s" % (m, sub, body_h))
        for key, (x, y), w, image, _ in entries:
            lines.append("%sH=%d,%d,%s%s\\%s" % (key, x, y, m, sub, image))
        lines.append("BodyV=%s%s\\Body%sV.bmp" % (m, sub, tag))
        for key, (x, y), w, _, image in entries:
            # Turned left, (x, y) of a w-wide element goes to (y, body width - x - w); the square
            # marks land on the same spot as their turned-left place.
            lines.append("%sV=%d,%d,%s%s\\%s" % (key, y, bw - x - w, m, sub, image))
    dat = os.path.join(folder, "Indicator%02u.dat" % number)
    with open(dat, 'w', newline='\r\n') as f:
        f.write("\n".join(lines) + "\n")
    written.append(dat)
    return written


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "res", "art", "skins")
    count = 0
    for number, style in sorted(STYLES.items()):
        count += len(make_skin(number, style, folder))
    print("make-skins: wrote %d files into %s" % (count, folder))


if __name__ == "__main__":
    main()
