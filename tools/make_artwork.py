#!/usr/bin/python3
"""Makes the game's pictures under assets/: the board, the about window's logo,
the window icon, the link's hand cursor and the 28 piece sprites.

    tools/make_artwork.py [--out DIR] [board] [logo] [icon] [cursor] [sprites]

With no names it makes all of them.  The output is the same on every run.
Needs Python 3 with Pillow and NumPy (Debian: python3-pil python3-numpy) and
the AR PL UKai font (fonts-arphic-ukai).
"""

import argparse
import io
import os
import sys

import numpy as np
from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import artlib  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

BOARD_W, BOARD_H = 436, 484
BOARD_SEED = 9
# The river runs between the lines of rows 5 and 6.
RIVER_TOP, RIVER_BOTTOM = 216, 264

NORMAL_CHARS = "将车馬炮士象卒帥車馬砲仕相兵"
INSCRIPTION_INK = np.array([92.0, 52.0, 22.0])


def carve(rgb, mask, depth=0.62, ink=INSCRIPTION_INK, factor=1.0):
    """Cuts the shape of mask into the wood: a darkened, stained hollow whose
    upper-left wall lies in shadow and lower-right wall catches the light."""
    soft = artlib.blur(mask, 0.8 * factor)
    gy, gx = np.gradient(soft)
    wall = (gx * artlib.CARVE_LIGHT[0] + gy * artlib.CARVE_LIGHT[1]) * 1.6 * factor
    out = rgb * (1.0 + 0.45 * np.clip(wall, -1, 1))[..., None]
    # The bottom of the cut is stained darker; it keeps some of the grain.
    stained = out * (1.0 - depth) + ink * depth
    m = mask[..., None]
    return out * (1.0 - m) + stained * m


def board_rgb():
    rgb = artlib.wood(BOARD_W, BOARD_H, seed=BOARD_SEED, depth=120.0)
    # The inscriptions, drawn at twice the size so their edges stay smooth.
    f = 2
    mask = np.zeros((BOARD_H * f, BOARD_W * f))
    middle = (RIVER_TOP + RIVER_BOTTOM) / 2.0
    for ch, x in zip("楚河漢界", (96, 168, 264, 336)):
        mask = np.maximum(mask, artlib.glyph_mask(ch, (BOARD_W * f, BOARD_H * f), 40 * f,
                                                  (x * f, middle * f), stroke=f))
    mask = artlib.downsample(mask, f)
    rgb = carve(rgb, mask)
    # The board's edge is rounded off: a lit top and left rim, a darker
    # bottom and right one, and a slight darkening toward every edge.
    y, x = np.mgrid[0:BOARD_H, 0:BOARD_W].astype(np.float64)
    edge = np.minimum.reduce([x, y, BOARD_W - 1 - x, BOARD_H - 1 - y])
    rgb *= (1.0 - 0.10 * np.exp(-edge / 6.0))[..., None]
    lit = np.zeros((BOARD_H, BOARD_W))
    lit[np.minimum(x, y) < 2] = 0.10
    lit[(BOARD_W - 1 - x < 2) | (BOARD_H - 1 - y < 2)] = -0.16
    rgb *= (1.0 + lit)[..., None]
    return rgb


def save_jpeg(img, path, quality=90):
    # Baseline (not progressive), 4:2:0, standard JFIF: what every reader takes.
    img.save(path, "JPEG", quality=quality, progressive=False, optimize=True, subsampling=2)


def make_board(out):
    save_jpeg(artlib.to_image(board_rgb()), os.path.join(out, "board.jpg"))


def draw_lines(img, origin=(0, 0), cell=48):
    """The board's lines as the game draws them, for previews and the logo."""
    from PIL import ImageDraw
    d = ImageDraw.Draw(img)
    ox, oy = origin

    def line(x1, y1, x2, y2, w):
        d.line((ox + x1, oy + y1, ox + x2, oy + y2), fill=(0, 0, 0), width=w)

    for i in range(10):
        v = 24 + cell * i
        if i < 9:
            line(v, 24, v, 216, 2)
            line(v, 264, v, 456, 2)
        line(24, v, 408, v, 2)
    line(24, 216, 24, 264, 2)
    line(408, 216, 408, 264, 2)
    for a, b in (((19, 19), (19, 461)), ((413, 19), (413, 461)), ((19, 19), (413, 19)),
                 ((19, 461), (413, 461))):
        line(*a, *b, 3)
    line(168, 24, 264, 120, 1)
    line(168, 120, 264, 24, 1)
    line(168, 456, 264, 360, 1)
    line(264, 456, 168, 360, 1)


def make_logo(out):
    """A red General standing in the middle of its palace."""
    w, h = 136, 146
    board = artlib.to_image(board_rgb())
    draw_lines(board)
    # The Human's palace around its centre, where the diagonals cross.
    bg = np.asarray(board.crop((216 - w // 2, 408 - h // 2, 216 + w // 2, 408 + h // 2)),
                    dtype=np.float64)
    size = 128
    rgb, cov, shade = artlib.piece_rgba("帥", artlib.RED_INK, artlib.DISC_NORMAL, size=size,
                                        centre=size / 2 - 1, radius=size / 2 - 6, factor=4,
                                        seed=5, background=None)
    ox, oy = (w - size) // 2, (h - size) // 2
    region = bg[oy:oy + size, ox:ox + size]
    under = region * (1.0 - 0.5 * shade[..., None])
    region[:] = rgb * cov[..., None] + under * (1.0 - cov[..., None])
    save_jpeg(artlib.to_image(bg), os.path.join(out, "logo.jpg"), quality=92)


def icon_image(size, factor=8):
    """The red General as a window icon; the small one drops the ring and
    enlarges the character so it still reads at 16 pixels."""
    small = size < 24
    rgb, cov, _ = artlib.piece_rgba("帥", artlib.RED_INK, artlib.DISC_NORMAL, size=size,
                                    centre=size / 2, radius=size / 2 - 0.3, factor=factor, seed=5,
                                    shadow=False, background=None, ring=not small,
                                    font_scale=1.45 if small else 1.1,
                                    stroke_scale=2.2 if small else 1.6)
    rgba = np.dstack([np.clip(np.round(rgb), 0, 255), np.round(cov * 255)]).astype(np.uint8)
    return Image.fromarray(rgba, "RGBA")


def make_icon(out):
    data = artlib.icon_file_bytes([icon_image(16), icon_image(32)], kind=1)
    with open(os.path.join(out, "icon.ico"), "wb") as f:
        f.write(data)


# A pointing hand; X outline, o fill.  The tip of the finger is the hot spot.
HAND = [
    "......XX",
    ".....XooX",
    ".....XooX",
    ".....XooX",
    ".....XooX",
    ".....XooXXX",
    ".....XooXooXXX",
    ".....XooXooXooXX",
    ".....XooXooXooXoX",
    ".XX..XooXooXooXoX",
    "XooX.XooooooooooX",
    "XoooXXooooooooooX",
    ".XooooooooooooooX",
    "..XoooooooooooooX",
    "..XoooooooooooooX",
    "...XooooooooooooX",
    "...XoooooooooooX",
    "....XooooooooooX",
    "....XoooooooooX",
    ".....XooooooooX",
    ".....XooooooooX",
    ".....XXXXXXXXXX",
]
HAND_HOTSPOT = (6, 1)


def hand_image():
    px = np.zeros((32, 32, 4), dtype=np.uint8)
    for yy, row in enumerate(HAND):
        for xx, c in enumerate(row):
            if c == "X":
                px[yy, xx] = (0, 0, 0, 255)
            elif c == "o":
                px[yy, xx] = (255, 255, 255, 255)
    return Image.fromarray(px, "RGBA")


def make_cursor(out):
    data = artlib.icon_file_bytes([hand_image()], kind=2, hotspots=[HAND_HOTSPOT])
    with open(os.path.join(out, "hand.cur"), "wb") as f:
        f.write(data)


_board_tone = []


def board_tone():
    """The board's average colour, which the edges of the pieces fade into."""
    if not _board_tone:
        _board_tone.append(tuple(board_rgb().reshape(-1, 3).mean(axis=0)))
    return _board_tone[0]


def sprite_gif(code, selected):
    ch = NORMAL_CHARS[code - 1]
    ink = artlib.GREEN_INK if code <= 7 else artlib.RED_INK
    disc = artlib.DISC_SELECTED if selected else artlib.DISC_NORMAL
    rgb, cov, shade = artlib.piece_rgba(ch, ink, disc, seed=code, background=board_tone())
    idx, palette = artlib.sprite_indices(rgb, cov, shade)
    return artlib.gif_bytes(idx, palette)


def make_sprites(out):
    folder = os.path.join(out, "sprites")
    os.makedirs(folder, exist_ok=True)
    for selected, stem in ((False, "piece"), (True, "selected")):
        for code in range(1, 15):
            with open(os.path.join(folder, "%s%02d.gif" % (stem, code)), "wb") as f:
                f.write(sprite_gif(code, selected))


MAKERS = {"board": make_board, "logo": make_logo, "icon": make_icon, "cursor": make_cursor,
          "sprites": make_sprites}


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--out", default=os.path.join(ROOT, "assets"))
    ap.add_argument("what", nargs="*", help=" ".join(MAKERS))
    args = ap.parse_args()
    for name in args.what:
        if name not in MAKERS:
            ap.error("unknown picture %r (choose from %s)" % (name, ", ".join(MAKERS)))
    os.makedirs(args.out, exist_ok=True)
    for name in args.what or list(MAKERS):
        MAKERS[name](args.out)


if __name__ == "__main__":
    main()
