#!/usr/bin/python3
"""Makes PNG views of the committed artwork under docs/artwork/, read back from
the files in assets/, so what a reader sees is what the game carries.

    tools/make_artwork_views.py [--assets DIR] [--out DIR]

board.png, sprites.png (both sets on the board's wood, enlarged twice),
preview.png (the starting position drawn the way the game draws it), logo.png,
icon.png and cursor.png (enlarged, the hot spot marked).
"""

import argparse
import os
import sys

import numpy as np
from PIL import Image, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_artwork import ROOT, draw_lines  # noqa: E402

# The starting position, row 1 at the top; codes as the game numbers them.
START = [
    [2, 3, 6, 5, 1, 5, 6, 3, 2],
    [0] * 9,
    [0, 4, 0, 0, 0, 0, 0, 4, 0],
    [7, 0, 7, 0, 7, 0, 7, 0, 7],
    [0] * 9,
    [0] * 9,
    [14, 0, 14, 0, 14, 0, 14, 0, 14],
    [0, 11, 0, 0, 0, 0, 0, 11, 0],
    [0] * 9,
    [9, 10, 13, 12, 8, 12, 13, 10, 9],
]


def sprite(assets, code, selected=False):
    name = "%s%02d.gif" % ("selected" if selected else "piece", code)
    return Image.open(os.path.join(assets, "sprites", name)).convert("RGB")


def paste_keyed(target, img, at):
    """Draws img with pure white left out, as the game draws its sprites."""
    px = np.asarray(img)
    mask = Image.fromarray(np.where((px == 255).all(axis=2), 0, 255).astype(np.uint8), "L")
    target.paste(img, at, mask)


def preview(assets, selected_square=None):
    board = Image.open(os.path.join(assets, "board.jpg")).convert("RGB")
    draw_lines(board)
    for r, row in enumerate(START):
        for c, code in enumerate(row):
            if code:
                sel = selected_square == (r + 1, c + 1)
                # The game puts a sprite at the top-left corner of its cell.
                paste_keyed(board, sprite(assets, code, sel), (48 * c, 48 * r))
    return board


def sheet(assets):
    board = Image.open(os.path.join(assets, "board.jpg")).convert("RGB")
    out = Image.new("RGB", (14 * 48, 2 * 48))
    for row in range(2):
        for i in range(14):
            out.paste(board.crop((8, 8 + 48 * row, 56, 56 + 48 * row)), (i * 48, row * 48))
            paste_keyed(out, sprite(assets, i + 1, row == 1), (i * 48 + 2, row * 48 + 2))
    return out.resize((out.width * 2, out.height * 2), Image.NEAREST)


def icon_view(assets):
    ico = Image.open(os.path.join(assets, "icon.ico"))
    out = Image.new("RGB", (16 * 6 + 32 * 6 + 3 * 12, 32 * 6 + 24), (200, 200, 200))
    x = 12
    for size in (16, 32):
        ico.size = (size, size)
        im = ico.convert("RGBA")
        big = im.resize((size * 6, size * 6), Image.NEAREST)
        out.paste(big, (x, 12), big)
        x += size * 6 + 12
    return out


def cursor_view(assets):
    # Pillow reads a cursor like an icon; the hot spot is read from the
    # directory entry here and marked with a small red cross.
    path = os.path.join(assets, "hand.cur")
    with open(path, "rb") as f:
        head = f.read(22)
    hx = int.from_bytes(head[10:12], "little")
    hy = int.from_bytes(head[12:14], "little")
    im = Image.open(path).convert("RGBA")
    z = 8
    out = Image.new("RGB", (32 * z, 32 * z), (120, 160, 200))
    big = im.resize((32 * z, 32 * z), Image.NEAREST)
    out.paste(big, (0, 0), big)
    d = ImageDraw.Draw(out)
    cx, cy = hx * z + z // 2, hy * z + z // 2
    d.line((cx - z, cy, cx + z, cy), fill=(220, 0, 0))
    d.line((cx, cy - z, cx, cy + z), fill=(220, 0, 0))
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--assets", default=os.path.join(ROOT, "assets"))
    ap.add_argument("--out", default=os.path.join(ROOT, "docs", "artwork"))
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    a = args.assets
    Image.open(os.path.join(a, "board.jpg")).convert("RGB").save(os.path.join(args.out,
                                                                            "board.png"))
    sheet(a).save(os.path.join(args.out, "sprites.png"))
    preview(a, selected_square=(10, 2)).save(os.path.join(args.out, "preview.png"))
    logo = Image.open(os.path.join(a, "logo.jpg")).convert("RGB")
    logo.resize((logo.width * 2, logo.height * 2), Image.LANCZOS).save(
        os.path.join(args.out, "logo.png"))
    icon_view(a).save(os.path.join(args.out, "icon.png"))
    cursor_view(a).save(os.path.join(args.out, "cursor.png"))


if __name__ == "__main__":
    main()
