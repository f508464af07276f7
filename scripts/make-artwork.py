#!/usr/bin/env python3
"""Draws Kestrel's artwork and writes it as Windows icon and bitmap files.

    python3 scripts/make-artwork.py [OUTPUT-FOLDER]      (default: res/art)

Writes Kestrel.ico (application icon, 32x32 and 16x16), TrayStart.ico (the
tray picture shown before the first status refresh), Banner.bmp (the popup
menu's banner picture, magenta = transparent), the notification-area
pictures in tray/ and IndicatorIcon.dat, the file that names them for its 42
keys: two pictures for a pair that blinks (charging, and the lowest band on the
battery), one for a pair that rests.

Every picture is placed pixel by pixel from the code below, in the standard
16-colour palette, so that it shows the same on every display depth the
program runs on. Icons carry a colour image and an AND mask (4 bits per
pixel, no alpha); the output is byte-for-byte the same on every run.
"""

import os
import struct
import sys

# The standard 16-colour palette, in its usual order, as (R, G, B).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# One letter per palette entry for the hand-drawn parts; '.' leaves a pixel as it is.
INK = {
    'K': 0,   # black
    'm': 1,   # maroon
    'g': 2,   # green
    'o': 3,   # olive
    'n': 4,   # navy
    'p': 5,   # purple
    't': 6,   # teal
    's': 7,   # silver
    'd': 8,   # dark grey
    'R': 9,   # red
    'G': 10,  # lime
    'Y': 11,  # yellow
    'B': 12,  # blue
    'M': 13,  # magenta
    'C': 14,  # cyan
    'W': 15,  # white
}
K, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GREY, RED, LIME, YELLOW, \
    BLUE, MAGENTA, CYAN, WHITE = range(16)

CLEAR = None  # a transparent icon pixel


class Canvas:
    """A small picture of palette indices; CLEAR marks transparent pixels."""

    def __init__(self, width, height, fill=CLEAR):
        self.width = width
        self.height = height
        self.px = [[fill] * width for _ in range(height)]

    def set(self, x, y, ink):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.px[y][x] = ink

    def rect(self, x0, y0, x1, y1, ink):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), both included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, ink)

    def frame(self, x0, y0, x1, y1, ink):
        for x in range(x0, x1 + 1):
            self.set(x, y0, ink)
            self.set(x, y1, ink)
        for y in range(y0, y1 + 1):
            self.set(x0, y, ink)
            self.set(x1, y, ink)

    def draw(self, x0, y0, art):
        """Places hand-drawn rows of INK letters with their top-left corner at (x0, y0)."""
        for dy, row in enumerate(art):
            for dx, ch in enumerate(row):
                if ch != '.':
                    self.set(x0 + dx, y0 + dy, INK[ch])

    def outline(self, inside, ink, diagonal=True):
        """Puts ink on every pixel that touches a pixel of the set inside but is not in it."""
        steps = [(-1, 0), (1, 0), (0, -1), (0, 1)]
        if diagonal:
            steps += [(-1, -1), (1, -1), (-1, 1), (1, 1)]
        for y in range(self.height):
            for x in range(self.width):
                if (x, y) in inside:
                    continue
                if any((x + dx, y + dy) in inside for dx, dy in steps):
                    self.set(x, y, ink)


def art_cells(art):
    """The set of (x, y) cells that a block of hand-drawn rows covers."""
    return {(x, y) for y, row in enumerate(art) for x, ch in enumerate(row) if ch != '.'}


def stamp(canvas, x0, y0, art, fill, edge, diagonal=True):
    """Draws a shape given as rows ('#' or INK letters) filled with fill, with a 1-pixel edge."""
    cells = {(x0 + x, y0 + y) for x, y in art_cells(art)}
    canvas.outline(cells, edge, diagonal)
    for y, row in enumerate(art):
        for x, ch in enumerate(row):
            if ch == '#':
                canvas.set(x0 + x, y0 + y, fill)
            elif ch != '.':
                canvas.set(x0 + x, y0 + y, INK[ch])


# ---------------------------------------------------------------------------
# The battery gauge shared by the tray pictures

BANDS = ['000to009', '010to019', '020to029', '030to039', '040to049',
         '050to059', '060to069', '070to079', '080to089', '090to100']

GAUGE_ROWS = 10  # one row per band: on the battery, band b lights b + 1 rows


def band_colours(band):
    """Face and shade of the gauge for a band: red when nearly empty, yellow when low."""
    if band <= 1:
        return RED, MAROON
    if band <= 3:
        return YELLOW, OLIVE
    return LIME, GREEN


def tray_battery(c, left, rows, band, blink_row=None, blink_ink=None):
    """A 16x16 battery, 8 pixels wide, its left edge at column left, rows lit from the bottom.

    The body spans rows 3 to 14, the terminal rows 1 and 2; the gauge is the 6 x 10 well
    inside. Unlit rows are white with a silver right edge, so the shape reads on a dark
    taskbar as well as on a light one. blink_row (counted from the bottom, 0 = lowest)
    is drawn in blink_ink instead, for the second image of a blinking pair.
    """
    right = left + 7
    c.rect(left + 2, 1, left + 5, 2, K)
    c.set(left + 3, 2, SILVER)
    c.set(left + 4, 2, GREY)
    c.frame(left, 3, right, 14, K)
    face, shade = band_colours(band)
    for r in range(GAUGE_ROWS):
        y = 13 - r
        if r < rows:
            f, s = face, shade
        else:
            f, s = WHITE, SILVER
        if r == blink_row:
            f, s = blink_ink
        c.rect(left + 1, y, right - 2, y, f)
        c.set(right - 1, y, s)


# A charge bolt for the right-hand side of a 16x16 picture; '#' is yellow, edged in black.
TRAY_BOLT = [
    '...###',
    '..###.',
    '..##..',
    '.###..',
    '.#####',
    '...##.',
    '..##..',
    '..#...',
    '.#....',
]

# A mains plug, prongs up, its cord trailing down; 7 x 14 for the right-hand side of a
# 16x16 picture, with a lit lamp (L) on its face.
TRAY_PLUG = [
    '.K...K.',
    'KsK.KsK',
    'KsK.KsK',
    'KKKKKKK',
    'KWWWWsK',
    'KWLLLdK',
    'KWWWWdK',
    '.KWsdK.',
    '..KKK..',
    '...Kd..',
    '...Kd..',
    '..Kd...',
    '..Kd...',
    '..Kd...',
]


def tray_picture(kind, band, phase):
    """One of the notification-area pictures; phase 1 is the second picture of a blinking pair.

    kind 'ac': mains, not charging: a full battery and the plug with its lamp lit.
    kind 'charging': the bolt beside the gauge; the row being charged (the band's own
    top row) is dark in the first image and lit in the second.
    kind 'dc': the battery alone, centred; in the lowest band the last red row goes out
    in the second image.
    """
    c = Canvas(16, 16)
    if kind == 'dc':
        if phase == 0:
            tray_battery(c, 4, band + 1, band)
        else:
            tray_battery(c, 4, band + 1, band, band, (WHITE, SILVER))
        return c
    if kind == 'charging':
        tray_battery(c, 1, band + phase, band)
        stamp(c, 9, 3, TRAY_BOLT, YELLOW, K, diagonal=False)
        return c
    tray_battery(c, 1, GAUGE_ROWS, GAUGE_ROWS - 1)
    c.draw(9, 1, [row.replace('L', 'G') for row in TRAY_PLUG])
    return c


def tray_start(size):
    """The neutral picture shown until the first reading: a battery with its gauge unlit."""
    c = Canvas(size, size)
    if size == 16:
        tray_battery(c, 4, 0, 0)
        for r in range(GAUGE_ROWS):
            y = 13 - r
            c.rect(5, y, 9, y, SILVER if r % 2 else GREY)
            c.set(10, y, GREY)
        return c
    c.rect(12, 2, 19, 5, K)
    c.rect(13, 3, 18, 5, GREY)
    c.rect(13, 3, 14, 5, SILVER)
    c.set(13, 3, WHITE)
    c.frame(6, 6, 25, 30, K)
    c.rect(7, 7, 24, 29, SILVER)
    c.rect(7, 7, 7, 29, WHITE)
    c.rect(23, 7, 24, 29, GREY)
    # ten unlit cells, as the tray gauge has ten rows
    for cell in range(10):
        y = 9 + 2 * cell
        c.rect(10, y, 20, y, GREY)
    return c


# ---------------------------------------------------------------------------
# The application mark: a battery struck by a bolt

# A bolt for the 32x32 mark; '#' is yellow, edged in black.
APP_BOLT_32 = [
    '.......#####',
    '.......#####',
    '......#####.',
    '......#####.',
    '.....#####..',
    '.....#####..',
    '....#####...',
    '....#####...',
    '...#########',
    '..#########.',
    '......####..',
    '......###...',
    '.....####...',
    '.....###....',
    '....###.....',
    '....##......',
    '...###......',
    '...##.......',
    '..##........',
    '..#.........',
]

APP_BOLT_16 = [
    '....###',
    '...###.',
    '...##..',
    '..###..',
    '.######',
    '...###.',
    '...##..',
    '..##...',
    '..#....',
]


def app_icon(size):
    c = Canvas(size, size)
    if size == 32:
        c.rect(12, 2, 19, 5, K)
        c.rect(13, 3, 18, 5, GREY)
        c.rect(13, 3, 14, 5, SILVER)
        c.set(13, 3, WHITE)
        c.frame(6, 6, 25, 30, K)
        for y in range(7, 30):
            lit = y >= 14
            face, shade = (LIME, GREEN) if lit else (WHITE, SILVER)
            c.rect(7, y, 24, y, face)
            c.rect(23, y, 24, y, shade)
        c.rect(7, 29, 24, 29, GREEN)
        stamp(c, 10, 8, APP_BOLT_32, YELLOW, K)
        return c
    # the 16x16 mark: a wider battery than in the tray, so the bolt has room
    c.rect(6, 1, 9, 2, K)
    c.rect(7, 2, 8, 2, SILVER)
    c.frame(3, 3, 12, 15, K)
    for y in range(4, 15):
        lit = y >= 8
        c.rect(4, y, 11, y, LIME if lit else WHITE)
        c.rect(11, y, 11, y, GREEN if lit else SILVER)
    stamp(c, 5, 4, APP_BOLT_16, YELLOW, K)
    return c


# ---------------------------------------------------------------------------
# The popup menu's banner picture: 15 x 53, magenta is transparent

BANNER_BOLT = [
    '....###',
    '....###',
    '....###',
    '...###.',
    '...###.',
    '...###.',
    '..###..',
    '..###..',
    '..###..',
    '.###...',
    '.######',
    '######.',
    '...###.',
    '...###.',
    '...##..',
    '..###..',
    '..##...',
    '..##...',
    '.###...',
    '.##....',
    '.##....',
    '.#.....',
    '##.....',
    '#......',
]


def banner():
    c = Canvas(15, 53, MAGENTA)
    # a light rim first, then the black outline within it: the picture drops through
    # the black middle of the banner and rests on its grey lower part
    c.rect(4, 0, 10, 4, SILVER)
    c.rect(0, 3, 14, 52, SILVER)
    c.set(0, 3, MAGENTA)
    c.set(14, 3, MAGENTA)
    c.set(0, 52, MAGENTA)
    c.set(14, 52, MAGENTA)
    c.rect(5, 1, 9, 4, K)
    c.rect(6, 2, 8, 4, GREY)
    c.set(6, 2, WHITE)
    c.frame(1, 4, 13, 51, K)
    for y in range(5, 51):
        lit = y >= 19
        face, shade = (LIME, GREEN) if lit else (WHITE, SILVER)
        c.rect(2, y, 12, y, face)
        c.set(3, y, WHITE)
        c.rect(11, y, 12, y, shade)
    # segment lines across the lit part of the gauge
    for y in range(26, 51, 6):
        c.rect(2, y, 12, y, GREEN)
    stamp(c, 4, 13, BANNER_BOLT, YELLOW, K)
    return c


# ---------------------------------------------------------------------------
# File writers

def palette_bytes():
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)


def pack4(canvas, y, clear_ink):
    row = [clear_ink if p is CLEAR else p for p in canvas.px[y]]
    if len(row) % 2:
        row.append(0)
    data = bytes((row[i] << 4) | row[i + 1] for i in range(0, len(row), 2))
    return data + b'\0' * (-len(data) % 4)


def dib4(canvas, height_field, extra_size):
    xor = b''.join(pack4(canvas, y, 0) for y in range(canvas.height - 1, -1, -1))
    header = struct.pack('<IiiHHIIiiII', 40, canvas.width, height_field, 1, 4, 0,
                         len(xor) + extra_size, 0, 0, 16, 0)
    return header + palette_bytes() + xor


def and_mask(canvas):
    out = b''
    for y in range(canvas.height - 1, -1, -1):
        bits = 0
        row = b''
        for x in range(canvas.width):
            bits = (bits << 1) | (1 if canvas.px[y][x] is CLEAR else 0)
            if x % 8 == 7:
                row += bytes([bits])
                bits = 0
        if canvas.width % 8:
            row += bytes([bits << (8 - canvas.width % 8)])
        out += row + b'\0' * (-len(row) % 4)
    return out


def icon_bytes(images):
    """A Windows icon file holding each canvas as a 4-bit image with its AND mask."""
    blobs = []
    for c in images:
        mask = and_mask(c)
        blobs.append(dib4(c, c.height * 2, len(mask)) + mask)
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, blob in zip(images, blobs):
        out += struct.pack('<BBBBHHII', c.width % 256, c.height % 256, 16, 0, 1, 4,
                           len(blob), offset)
        offset += len(blob)
    return out + b''.join(blobs)


def bitmap_bytes(canvas):
    """A 4-bit Windows bitmap file."""
    dib = dib4(canvas, canvas.height, 0)
    return struct.pack('<2sIHHI', b'BM', 14 + len(dib), 0, 0, 14 + 40 + 64) + dib


def write(path, data):
    with open(path, 'wb') as f:
        f.write(data)


def blinks(kind, band):
    """Whether a pair blinks: only where it says something, while charging (the fill rising) and
    in the lowest band on the battery (the warning). Every other pair rests on one picture."""
    return kind == 'charging' or (kind == 'dc' and band == 0)


def tray_set():
    """The 42 keys as (key, file name, canvas), in the order the icon file lists them. Both keys
    of a resting pair name the one file of its first picture."""
    out = []
    pairs = [('ac', 'ACNoCharging', 9)]
    for kind, prefix in (('charging', 'ACCharging'), ('dc', 'DC')):
        pairs += [(kind, prefix + name, b) for b, name in enumerate(BANDS)]
    for kind, key, band in pairs:
        for p in range(2):
            name = '%s_%d' % (key, p + 1) if blinks(kind, band) else key
            out.append(('%s_%d' % (key, p + 1), name, tray_picture(kind, band, p if blinks(kind, band) else 0)))
    return out


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    target = argv[1] if len(argv) > 1 else os.path.join(here, '..', 'res', 'art')
    os.makedirs(os.path.join(target, 'tray'), exist_ok=True)

    write(os.path.join(target, 'Kestrel.ico'), icon_bytes([app_icon(32), app_icon(16)]))
    write(os.path.join(target, 'TrayStart.ico'), icon_bytes([tray_start(32), tray_start(16)]))
    write(os.path.join(target, 'Banner.bmp'), bitmap_bytes(banner()))

    lines = ['[Indicator.Icon]']
    for key, name, canvas in tray_set():
        write(os.path.join(target, 'tray', name + '.ico'), icon_bytes([canvas]))
        lines.append('%s=tray\\%s.ico' % (key, name))
    write(os.path.join(target, 'IndicatorIcon.dat'), ('\r\n'.join(lines) + '\r\n').encode('ascii'))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
