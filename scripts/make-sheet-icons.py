#!/usr/bin/env python3
"""Draws the settings sheet's icons and writes them as Windows icon files.

    python3 scripts/make-sheet-icons.py [OUTPUT-FOLDER]      (default: res/art/sheet)

Each icon holds a 32x32 and a 16x16 image in the standard 16-colour palette,
drawn the way the rest of Kestrel's artwork is (black edges, a white light
side and a dark shade side), with the canvas and the icon writer of
make-artwork.py:

    TabVersion.ico     the "Version Information" tab: a page with the info mark
    TabPower.ico       the "Power Control" tab: a sun, half of it dimmed
    TabIndicator.ico   the "Indicator" tab: the floating battery indicator
    TabOther.ico       the "Other" tab: a cog wheel
    Logo.ico           the maker's mark on the version page
    AcAdapter.ico      the AC plug above the power page's AC column
    Battery.ico        the battery above the power page's battery column

The output is byte-for-byte the same on every run.
"""

import importlib.util
import math
import os
import sys

_here = os.path.dirname(os.path.abspath(__file__))
_spec = importlib.util.spec_from_file_location('artwork', os.path.join(_here, 'make-artwork.py'))
art = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(art)

Canvas = art.Canvas
K, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GREY, RED, LIME, YELLOW, \
    BLUE, MAGENTA, CYAN, WHITE = range(16)


def cells_where(size, inside):
    """The pixels (x, y) of a size x size picture whose centres satisfy inside(x, y)."""
    return {(x, y) for y in range(size) for x in range(size) if inside(x + 0.5, y + 0.5)}


def fill(c, cells, ink):
    for x, y in cells:
        c.set(x, y, ink)


def lit_and_shaded(c, cells, face, light, shade):
    """Fills a shape with face; its top-left rim catches the light, its bottom-right rim the shade."""
    fill(c, cells, face)
    for x, y in cells:
        if (x - 1, y) not in cells or (x, y - 1) not in cells:
            c.set(x, y, light)
        elif (x + 1, y) not in cells or (x, y + 1) not in cells:
            c.set(x, y, shade)


# ---------------------------------------------------------------------------
# Tab icons

def tab_version(size):
    """A page with a fold and lines of text, the blue info disc on its lower right."""
    c = Canvas(size, size)
    s = size // 16
    left, top, right, bottom = 2 * s, 1 * s, 12 * s - 1 + (s - 1), 14 * s + (s - 1)
    fold = 3 * s
    page = {(x, y) for y in range(top, bottom + 1) for x in range(left, right + 1)
            if x - left + (top + fold) - y <= right - left}
    c.outline(page, K, diagonal=False)
    fill(c, page, WHITE)
    for d in range(fold):   # the folded corner
        for e in range(d + 1):
            c.set(right - fold + 1 + e, top + d, SILVER)
    for y in range(top + 3 * s, bottom - s, 2 * s):
        c.rect(left + 2 * s, y, right - 2 * s - (fold if y < top + fold + s else 0), y + s - 1, GREY)
    r = 3.4 * s
    cx = cy = size - 3.5 * s - (1 if s == 1 else 0)
    disc = cells_where(size, lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r)
    c.outline(disc, K, diagonal=False)
    lit_and_shaded(c, disc, BLUE, BLUE, NAVY)
    ix = int(cx) - s // 2
    c.rect(ix, int(cy) - 2 * s, ix + s - 1, int(cy) - 2 * s + s - 1, WHITE)
    c.rect(ix, int(cy) - s + (s // 2), ix + s - 1, int(cy) + 2 * s - 1, WHITE)
    return c


def tab_power(size):
    """A sun whose right half is dimmed: the backlight from dark to bright."""
    c = Canvas(size, size)
    centre = size / 2
    r = size * (0.27 if size > 16 else 0.25)
    rays = cells_where(size, lambda x, y: r + size * 0.1 <= math.hypot(x - centre, y - centre) <= size * 0.47
                       and abs(math.sin(4 * math.atan2(y - centre, x - centre))) < 0.3)
    disc = cells_where(size, lambda x, y: math.hypot(x - centre, y - centre) <= r)
    c.outline(rays | disc, K, diagonal=False)
    for x, y in rays:
        c.set(x, y, YELLOW if x + 0.5 < centre else GREY)
    bright = {(x, y) for x, y in disc if x + 0.5 < centre}
    dim = disc - bright
    lit_and_shaded(c, bright, YELLOW, WHITE, OLIVE)
    lit_and_shaded(c, dim, GREY, SILVER, K)
    return c


def tab_indicator(size):
    """The floating indicator: a horizontal battery with its gauge two-thirds lit."""
    c = Canvas(size, size)
    s = size // 16
    top, bottom = 4 * s, 11 * s + (s - 1)
    left, right = 0, 13 * s + (s - 1)
    body = {(x, y) for y in range(top + 1, bottom) for x in range(left + 1, right)}
    c.frame(left, top, right, bottom, K)
    lit_and_shaded(c, body, SILVER, WHITE, GREY)
    c.rect(right + 1, top + 2 * s, right + 2 * s - 1 + (1 if s == 1 else 0), bottom - 2 * s, K)
    gl, gt, gr, gb = left + 2 * s, top + 2 * s, right - 2 * s, bottom - 2 * s
    c.rect(gl, gt, gr, gb, NAVY)
    lit = gl + (gr - gl + 1) * 2 // 3
    c.rect(gl, gt, lit - 1, gb, LIME)
    c.rect(gl, gb - (s - 1), lit - 1, gb, GREEN)
    if s > 1:
        for x in range(gl + 4, lit, 5):
            c.rect(x, gt, x, gb, GREEN)
    return c


def tab_other(size):
    """A cog wheel: the settings that fit on no other page."""
    c = Canvas(size, size)
    centre = size / 2
    outer, inner, hole = size * 0.47, size * 0.34, size * 0.14

    def cog(x, y):
        d = math.hypot(x - centre, y - centre)
        a = math.atan2(y - centre, x - centre)
        tooth = math.cos(8 * a) > -0.1
        return hole < d <= (outer if tooth else inner)

    wheel = cells_where(size, cog)
    c.outline(wheel, K, diagonal=False)
    lit_and_shaded(c, wheel, SILVER, WHITE, GREY)
    ring = cells_where(size, lambda x, y: hole < math.hypot(x - centre, y - centre) <= hole + size / 16)
    fill(c, ring & wheel, GREY)
    return c


# ---------------------------------------------------------------------------
# The version page's logo and the power page's two column icons

def logo(size):
    """The maker's mark: a navy diamond with a white bird in flight and a red sun above it."""
    c = Canvas(size, size)
    centre = size / 2
    r = size * 0.48
    diamond = cells_where(size, lambda x, y: abs(x - centre) + abs(y - centre) <= r)
    c.outline(diamond, K, diagonal=False)
    lit_and_shaded(c, diamond, NAVY, BLUE, K)
    w = size * 0.09

    def wings(x, y):
        # two wings rising from the body below the centre, their tips bent down again
        dx, dy = abs(x - centre), y - (centre + size * 0.16)
        lift = dx * 0.8 if dx < size * 0.22 else size * 0.22 * 0.8 - (dx - size * 0.22) * 0.6
        return abs(dy + lift) <= w and dx <= size * 0.36
    fill(c, cells_where(size, wings) & diamond, WHITE)
    sun = cells_where(size, lambda x, y: abs(x - centre) + abs(y - (centre - size * 0.2)) <= size * 0.1)
    fill(c, sun, RED)
    return c


def ac_adapter(size):
    """A mains plug with its two pins up and the cord curling away below."""
    c = Canvas(size, size)
    s = size // 16
    # the pins
    for px in (4 * s, 10 * s):
        pin = {(x, y) for y in range(0, 4 * s) for x in range(px, px + 2 * s)}
        c.outline(pin, K, diagonal=False)
        lit_and_shaded(c, pin, SILVER, WHITE, GREY)
    body = {(x, y) for y in range(4 * s + 1, 10 * s) for x in range(2 * s + 1, 14 * s - 1)
            if not (y >= 8 * s and (x < 2 * s + 1 + (y - 8 * s) or x > 14 * s - 2 - (y - 8 * s)))}
    c.outline(body, K, diagonal=False)
    lit_and_shaded(c, body, GREY, SILVER, K)
    # the cord: down from the plug, then a bend to the left
    cord = set()
    for y in range(10 * s, 13 * s):
        for x in range(7 * s, 9 * s):
            cord.add((x, y))
    for x in range(2 * s, 9 * s):
        for y in range(13 * s, 15 * s):
            if not (x >= 7 * s and y >= 14 * s and s == 1):
                cord.add((x, y))
    c.outline(cord, K, diagonal=False)
    fill(c, cord, GREY)
    c.rect(7 * s, 10 * s, 7 * s + max(1, s // 2) - 1, 13 * s - 1, SILVER)
    return c


def battery(size):
    """The battery, upright, three-quarters charged, as in the tray pictures."""
    c = Canvas(size, size)
    s = size // 16
    c.rect(6 * s, 0, 9 * s + s - 1, 2 * s - 1, K)
    c.rect(6 * s + 1, 1, 9 * s + s - 2, 2 * s - 1, SILVER)
    left, right, top, bottom = 3 * s, 12 * s + s - 1, 2 * s, 15 * s + s - 1
    c.frame(left, top, right, bottom, K)
    level = top + (bottom - top) // 4
    for y in range(top + 1, bottom):
        lit = y > level
        face, shade = (LIME, GREEN) if lit else (WHITE, SILVER)
        c.rect(left + 1, y, right - 1, y, face)
        c.rect(right - s, y, right - 1, y, shade)
        c.set(left + 1, y, WHITE if not lit else face)
    if s > 1:
        for y in range(level + 5, bottom, 5):
            c.rect(left + 1, y, right - 1, y, GREEN)
    return c


ICONS = [
    ('TabVersion.ico', tab_version),
    ('TabPower.ico', tab_power),
    ('TabIndicator.ico', tab_indicator),
    ('TabOther.ico', tab_other),
    ('Logo.ico', logo),
    ('AcAdapter.ico', ac_adapter),
    ('Battery.ico', battery),
]


def main(argv):
    target = argv[1] if len(argv) > 1 else os.path.join(_here, '..', 'res', 'art', 'sheet')
    os.makedirs(target, exist_ok=True)
    for name, draw in ICONS:
        art.write(os.path.join(target, name), art.icon_bytes([draw(32), draw(16)]))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
