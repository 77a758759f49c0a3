#!/usr/bin/python3
"""Makes the desktop's icons under dist/icons/: the red General at 16, 24, 32,
48, 64, 128 and 256 pixels, and a scalable SVG of the same drawing.

    tools/make_icons.py [--out DIR]

Each PNG is rendered at its own size from the drawing that makes the window
icon (tools/make_artwork.py), never scaled from another size, so the grain,
the ring and the brush strokes keep their width in pixels where they should.
The SVG draws the disc, its side, the ring and the character's outline (taken
from AR PL UKai with fontTools) as vectors.  The output is the same on every
run.  Needs Pillow, NumPy and fontTools (python3-pil python3-numpy
python3-fonttools) and the AR PL UKai font (fonts-arphic-ukai).
"""

import argparse
import io
import os
import sys

from fontTools.pens.boundsPen import BoundsPen
from fontTools.pens.svgPathPen import SVGPathPen
from fontTools.pens.transformPen import TransformPen
from fontTools.ttLib import TTFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import artlib  # noqa: E402
import make_artwork  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SIZES = (16, 24, 32, 48, 64, 128, 256)
GENERAL = "帥"


def png_bytes(image):
    # No time stamps or other chunks that change between runs.
    out = io.BytesIO()
    image.save(out, "PNG", optimize=True)
    return out.getvalue()


def rendered(size):
    # Eight samples a pixel each way, as the window icon; four above 64 pixels,
    # where a pixel is already small next to every detail of the drawing.
    return make_artwork.icon_image(size, factor=8 if size <= 64 else 4)


def colour(rgb):
    return "#%02x%02x%02x" % tuple(int(round(v)) for v in rgb)


def glyph_path(char, font_px, centre, stroke):
    """The character's outline as SVG path data, its inked box (stroke included)
    centred on centre, as artlib.glyph_mask places it."""
    font = TTFont(artlib.UKAI, fontNumber=artlib.UKAI_TW)
    glyphs = font.getGlyphSet()
    name = font.getBestCmap()[ord(char)]
    scale = font_px / font["head"].unitsPerEm
    bounds = BoundsPen(glyphs)
    glyphs[name].draw(bounds)
    x0, y0, x1, y1 = bounds.bounds
    # Font units grow upward; the picture's y grows downward.
    dx = centre[0] - (x0 + x1) / 2 * scale
    dy = centre[1] + (y0 + y1) / 2 * scale
    pen = SVGPathPen(glyphs, ntos=lambda v: ("%.2f" % v).rstrip("0").rstrip("."))
    glyphs[name].draw(TransformPen(pen, (scale, 0, 0, -scale, dx, dy)))
    return pen.getCommands(), stroke * 2


def svg_text(size=256):
    """The icon's drawing at `size` user units, with the proportions of
    artlib.piece_rgba: a disc whose top face sits up and to the left of its
    darker side, a bevel lit from the upper left, an inked ring and the
    character with a light stroke."""
    centre, radius = size / 2, size / 2 - 0.3 * size / 32
    k = radius / 20.5
    lift = 0.7 * k
    top_r = radius - k
    tx, ty = centre - lift, centre - lift
    ring_r = top_r - 3.6 * k
    light, dark = artlib.DISC_NORMAL
    ink = artlib.RED_INK
    path, stroke_width = glyph_path(GENERAL, 25 * k * 1.1, (tx, ty + 0.2 * k), 0.45 * k * 1.6)
    f = lambda v: ("%.2f" % v).rstrip("0").rstrip(".")  # noqa: E731
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" viewBox="0 0 {size} {size}">
  <title>Xiangqi: the red General</title>
  <defs>
    <radialGradient id="wood" cx="0.38" cy="0.36" r="0.7">
      <stop offset="0" stop-color="{colour(light)}"/>
      <stop offset="0.75" stop-color="{colour(light * 0.6 + dark * 0.4)}"/>
      <stop offset="1" stop-color="{colour(dark)}"/>
    </radialGradient>
    <linearGradient id="side" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="{colour(dark * 0.82)}"/>
      <stop offset="1" stop-color="{colour(dark * 0.70)}"/>
    </linearGradient>
    <linearGradient id="bevel" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#ffffff" stop-opacity="0.35"/>
      <stop offset="0.5" stop-color="#ffffff" stop-opacity="0"/>
      <stop offset="1" stop-color="#000000" stop-opacity="0.22"/>
    </linearGradient>
  </defs>
  <circle cx="{f(centre)}" cy="{f(centre)}" r="{f(radius)}" fill="url(#side)"/>
  <circle cx="{f(tx)}" cy="{f(ty)}" r="{f(top_r)}" fill="url(#wood)"/>
  <circle cx="{f(tx)}" cy="{f(ty)}" r="{f(top_r - 1.3 * k)}" fill="none" stroke="url(#bevel)" stroke-width="{f(2.6 * k)}"/>
  <circle cx="{f(tx)}" cy="{f(ty)}" r="{f(ring_r)}" fill="none" stroke="{colour(ink)}" stroke-width="{f(2 * k)}"/>
  <path d="{path}" fill="{colour(ink)}" stroke="{colour(ink)}" stroke-width="{f(stroke_width)}" stroke-linejoin="round"/>
</svg>
"""


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=os.path.join(ROOT, "dist", "icons"))
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for size in SIZES:
        with open(os.path.join(args.out, "xiangqi-%d.png" % size), "wb") as f:
            f.write(png_bytes(rendered(size)))
    with open(os.path.join(args.out, "xiangqi.svg"), "w", encoding="utf-8") as f:
        f.write(svg_text())


if __name__ == "__main__":
    main()
