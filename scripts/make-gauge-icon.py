#!/usr/bin/env python3
"""Draws the brightness gauge's title icon, a sun, and writes it as a Windows icon file.

    python3 scripts/make-gauge-icon.py [OUTPUT-FOLDER]      (default: res/art)

Writes Gauge.ico with pictures of 32 and 16 pixels. The gauge loads the 32-pixel one
and stretches it to the height of its title row, and shows it only as a silhouette in
its own colour, so the shape carries it: a round disc inside a ring of eight tapering
rays, with a clear gap between disc and rays that survives the stretching and the
gauge's outline. In colour it is a yellow sun edged in black, lit from the upper left.

The pictures are computed from the geometry below, 4 x 4 samples per pixel, in the
standard 16-colour palette of scripts/make-artwork.py, whose icon writer is reused; the
output is byte-for-byte the same on every run.
"""

import importlib.util
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
_spec = importlib.util.spec_from_file_location('artwork', os.path.join(HERE, 'make-artwork.py'))
art = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(art)

SIZES = (32, 16)
RAYS = 8
SAMPLES = 4

# Radii as fractions of half the picture, measured from the centre.
DISC = 0.46         # the disc
RAY_INNER = 0.64    # where the rays start: the gap keeps them apart from the disc
RAY_OUTER = 0.94    # the rays' tips, leaving room for the black edge
RAY_BASE = 0.15     # half the width of a ray at its foot, in the same unit
RAY_TIP = 0.03      # ... and at its tip

NOTHING, DISC_PART, RAY_PART = 0, 1, 2


def part_at(px, py, half):
    """Which part of the sun the point (in units of half the picture, centre 0) lies in."""
    x, y = px / half, py / half
    r = math.hypot(x, y)
    if r <= DISC:
        return DISC_PART
    if r < RAY_INNER or r > RAY_OUTER:
        return NOTHING
    # Distance from the nearest ray's axis; the rays point up, down, sideways and diagonally.
    angle = math.atan2(y, x)
    nearest = round(angle / (2 * math.pi / RAYS)) * (2 * math.pi / RAYS)
    across = abs(r * math.sin(angle - nearest))
    along = (r - RAY_INNER) / (RAY_OUTER - RAY_INNER)
    return RAY_PART if across <= RAY_BASE + (RAY_TIP - RAY_BASE) * along else NOTHING


def sun(size):
    c = art.Canvas(size, size)
    half = size / 2.0
    parts = {}
    for y in range(size):
        for x in range(size):
            votes = [0, 0, 0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    px = x + (sx + 0.5) / SAMPLES - half
                    py = y + (sy + 0.5) / SAMPLES - half
                    votes[part_at(px, py, half)] += 1
            if votes[DISC_PART] + votes[RAY_PART] * 1.0 >= SAMPLES * SAMPLES / 2:
                parts[(x, y)] = DISC_PART if votes[DISC_PART] >= votes[RAY_PART] else RAY_PART

    # A black rim on the outermost pixels of each part, so the picture keeps its size.
    def edge(cell):
        x, y = cell
        return any(parts.get((x + dx, y + dy)) != parts[cell]
                   for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)))

    for (x, y), part in parts.items():
        nx, ny = (x + 0.5 - half) / half, (y + 0.5 - half) / half
        light = -(nx + ny) / math.sqrt(2)   # towards the upper left
        if part == DISC_PART:
            ink = art.WHITE if light > 0.22 and math.hypot(nx + 0.17, ny + 0.17) < 0.14 else \
                art.YELLOW if light > -0.25 else art.OLIVE
        else:
            ink = art.YELLOW if light > -0.35 else art.OLIVE
        c.set(x, y, ink)
    for cell, part in parts.items():
        if edge(cell):
            # The smallest rays are too thin for a rim: they stay solid, a shade darker.
            c.set(cell[0], cell[1], art.OLIVE if part == RAY_PART and size <= 16 else art.K)
    return c


def main(argv):
    target = argv[1] if len(argv) > 1 else os.path.join(HERE, '..', 'res', 'art')
    os.makedirs(target, exist_ok=True)
    art.write(os.path.join(target, 'Gauge.ico'), art.icon_bytes([sun(s) for s in SIZES]))
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
