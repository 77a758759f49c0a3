"""Shared pieces of the artwork tools: procedural wood, glyph masks, and the
writers for the file formats the game carries (GIF89a sprites, ICO, CUR).

Everything is deterministic: every random field comes from a seeded generator,
so running the tools again gives byte-identical files.
"""

import struct

import numpy as np
from PIL import Image, ImageDraw, ImageFont

UKAI = "/usr/share/fonts/truetype/arphic/ukai.ttc"
UKAI_TW = 2  # the "TW" face of the collection draws the traditional forms best

# The tones every picture shares: the board's wood and the pieces' boxwood.
BOARD_LIGHT = np.array([238.0, 206.0, 152.0])
BOARD_DARK = np.array([196.0, 142.0, 80.0])
# What the board looks like on average; disc edges fade toward it, not white.
BOARD_MEAN = (233, 199, 144)


def smooth_noise(rng, width, height, cells_x, cells_y):
    """Value noise: a coarse random grid scaled up bicubically, in 0..1."""
    cells_x = max(2, int(round(cells_x)))
    cells_y = max(2, int(round(cells_y)))
    grid = rng.random((cells_y, cells_x)).astype(np.float32)
    img = Image.fromarray(grid, "F").resize((width, height), Image.BICUBIC)
    out = np.asarray(img, dtype=np.float64)
    lo, hi = out.min(), out.max()
    return (out - lo) / (hi - lo + 1e-9)


def smoothstep(e0, e1, v):
    t = np.clip((v - e0) / (e1 - e0), 0.0, 1.0)
    return t * t * (3.0 - 2.0 * t)


def wood(width, height, seed, light=BOARD_LIGHT, dark=BOARD_DARK, ring_period=11.0,
         pith_x=0.38, depth=70.0, contrast=1.0, scale=1.0):
    """A flat-sawn plank with its grain running down the picture.

    The plank is a slice through a log whose pith runs vertically behind it:
    the growth rings are the distance from the pith, which bends into arches
    where the slice's depth changes, plus some warping so no ring is a
    perfect curve.  Returns float RGB, shape (height, width, 3).
    """
    rng = np.random.default_rng(seed)
    y, x = np.mgrid[0:height, 0:width].astype(np.float64)
    s = scale
    warp = (smooth_noise(rng, width, height, 3, 4) - 0.5) * 40 * s
    warp += (smooth_noise(rng, width, height, 7, 9) - 0.5) * 6 * s
    dep = depth * s + (smooth_noise(rng, width, height, 2, 3) - 0.5) * 120 * s
    r = np.sqrt((x - width * pith_x + warp) ** 2 + dep**2)
    # Years were not all alike: the ring width wanders.
    t = r / (ring_period * s) + 2.2 * smooth_noise(rng, width, height, 4, 3)
    # and no ring's edge is smooth at close range.
    t += 0.12 * smooth_noise(rng, width, height, width / (5 * s), height / (16 * s))
    ring = t - np.floor(t)
    # Early wood is pale and wide, late wood a narrow darker band with a soft
    # leading edge and a sharper trailing one; some years left a stronger
    # band than others.
    late = smoothstep(0.55, 0.9, ring) * (1.0 - smoothstep(0.93, 1.0, ring))
    strength = 0.45 + 0.9 * rng.random(4096)
    late *= strength[np.floor(t).astype(np.int64) % 4096]
    fibre = smooth_noise(rng, width, height, width / (1.6 * s), height / (70 * s))
    fine = smooth_noise(rng, width, height, width / (0.9 * s), height / (22 * s))
    blotch = smooth_noise(rng, width, height, 4, 5)
    d = 0.40 * late + 0.22 * fibre + 0.10 * fine + 0.22 * blotch
    d = (d - 0.25) * contrast
    # Pores: short dark dashes along the grain, sparse.
    pores = smooth_noise(rng, width, height, width / (1.2 * s), height / (9 * s))
    d += 0.18 * smoothstep(0.86, 0.97, pores)
    d = np.clip(d, 0.0, 1.0)[..., None]
    rgb = light * (1.0 - d) + dark * d
    # Late wood is redder than the pale early wood around it.
    return rgb + (0.10 * contrast * late)[..., None] * np.array([6.0, -4.0, -14.0])


def glyph_mask(text, size, font_px, centre, font_index=UKAI_TW, font_path=UKAI, stroke=0):
    """Anti-aliased coverage (0..1) of text drawn centred on centre.

    The centre is that of the ink's bounding box, not of the em square, so
    every character sits visually in the middle of its piece.
    """
    font = ImageFont.truetype(font_path, font_px, index=font_index)
    img = Image.new("L", size, 0)
    draw = ImageDraw.Draw(img)
    left, top, right, bottom = draw.textbbox((0, 0), text, font=font, stroke_width=stroke)
    x = centre[0] - (left + right) / 2.0
    y = centre[1] - (top + bottom) / 2.0
    draw.text((x, y), text, fill=255, font=font, stroke_width=stroke, stroke_fill=255)
    return np.asarray(img, dtype=np.float64) / 255.0


def shift(a, dx, dy):
    """a moved by whole pixels, with zeros coming in."""
    out = np.zeros_like(a)
    h, w = a.shape[:2]
    xs, xd = (0, dx) if dx >= 0 else (-dx, 0)
    ys, yd = (0, dy) if dy >= 0 else (-dy, 0)
    out[yd:h - ys if ys else h, xd:w - xs if xs else w] = a[ys:h - yd if yd else h,
                                                          xs:w - xd if xd else w]
    return out


def blur(a, sigma):
    """Separable Gaussian blur of a float 2-D array, edges held."""
    r = max(1, int(np.ceil(3 * sigma)))
    k = np.exp(-0.5 * (np.arange(-r, r + 1) / sigma) ** 2)
    k /= k.sum()
    p = np.pad(a, r, mode="edge")
    p = np.apply_along_axis(lambda v: np.convolve(v, k, mode="valid"), 0, p)
    return np.apply_along_axis(lambda v: np.convolve(v, k, mode="valid"), 1, p)


def downsample(a, factor):
    """Box-filter a float (h, w[, c]) array by an integer factor."""
    h, w = a.shape[:2]
    shape = (h // factor, factor, w // factor, factor) + a.shape[2:]
    return a.reshape(shape).mean(axis=(1, 3))


def to_image(rgb):
    return Image.fromarray(np.clip(np.round(rgb), 0, 255).astype(np.uint8), "RGB")


# ---------------------------------------------------------------- GIF writer


def lzw_encode(indices, min_code_size=8):
    """GIF's variable-width LZW over a flat byte sequence; returns the packed bytes."""
    clear = 1 << min_code_size
    end = clear + 1
    out = bytearray()
    bitbuf = 0
    bitcount = 0

    def emit(code, width):
        nonlocal bitbuf, bitcount
        bitbuf |= code << bitcount
        bitcount += width
        while bitcount >= 8:
            out.append(bitbuf & 0xFF)
            bitbuf >>= 8
            bitcount -= 8

    width = min_code_size + 1
    table = {}
    next_code = end + 1
    emit(clear, width)
    prefix = None
    for b in indices:
        if prefix is None:
            prefix = b
            continue
        key = (prefix, b)
        if key in table:
            prefix = table[key]
            continue
        emit(prefix, width)
        if next_code < 4096:
            table[key] = next_code
            next_code += 1
            # The decoder widens one code later than the encoder adds it.
            if next_code > (1 << width) and width < 12:
                width += 1
        else:
            emit(clear, width)
            table.clear()
            next_code = end + 1
            width = min_code_size + 1
        prefix = b
    if prefix is not None:
        emit(prefix, width)
    emit(end, width)
    if bitcount:
        out.append(bitbuf & 0xFF)
    return bytes(out)


def gif_bytes(indices, palette, transparent=255):
    """A GIF89a with one image, a global 256-entry table and a transparent index.

    indices: uint8 array (h, w); palette: 256 (r, g, b) tuples.
    """
    h, w = indices.shape
    assert len(palette) == 256
    data = bytearray(b"GIF89a")
    # Global table present, 8 bits of colour resolution, 256 entries.
    data += struct.pack("<HHBBB", w, h, 0xF7, transparent, 0)
    for r, g, b in palette:
        data += bytes((r, g, b))
    # Graphic control extension: no disposal, transparency flag on.
    data += bytes((0x21, 0xF9, 4, 0x01, 0, 0, transparent, 0))
    data += b"\x2c" + struct.pack("<HHHHB", 0, 0, w, h, 0)
    data.append(8)
    packed = lzw_encode(indices.reshape(-1).tolist(), 8)
    for i in range(0, len(packed), 255):
        chunk = packed[i:i + 255]
        data.append(len(chunk))
        data += chunk
    data.append(0)
    data.append(0x3B)
    return bytes(data)


# ------------------------------------------------------------ ICO and CUR


def _dib_entry(rgba):
    """A 32-bit BGRA device-independent bitmap with its AND mask, as icons store it."""
    w, h = rgba.size
    px = np.asarray(rgba.convert("RGBA"), dtype=np.uint8)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = bytearray()
    for y in range(h - 1, -1, -1):
        for x in range(w):
            r, g, b, a = px[y, x]
            rows += bytes((b, g, r, a))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(mask_stride)
        for x in range(w):
            if px[y, x, 3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    return header + bytes(rows) + bytes(mask)


def icon_file_bytes(images, kind=1, hotspots=None):
    """An ICO (kind 1) or CUR (kind 2) holding the given RGBA images.

    For a cursor the directory entry's planes and bit-count fields carry the
    hot spot's x and y.
    """
    entries = [_dib_entry(im) for im in images]
    data = bytearray(struct.pack("<HHH", 0, kind, len(images)))
    offset = 6 + 16 * len(images)
    for i, (im, blob) in enumerate(zip(images, entries)):
        w, h = im.size
        if kind == 2:
            f1, f2 = hotspots[i]
        else:
            f1, f2 = 1, 32
        data += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, f1, f2, len(blob), offset)
        offset += len(blob)
    for blob in entries:
        data += blob
    return bytes(data)


# ------------------------------------------------------------------ pieces

GREEN_INK = np.array([18.0, 112.0, 52.0])
RED_INK = np.array([196.0, 26.0, 22.0])
# Boxwood of a piece at rest, and the warmer, lighter disc of a selected one.
DISC_NORMAL = (np.array([240.0, 206.0, 150.0]), np.array([196.0, 144.0, 84.0]))
DISC_SELECTED = (np.array([255.0, 220.0, 132.0]), np.array([248.0, 156.0, 48.0]))

CARVE_LIGHT = np.array([-0.7071, -0.7071])  # light comes from the upper left


def piece_rgba(char, ink, disc, size=44, centre=23.0, radius=20.5, factor=8, seed=1,
               shadow=True, background=BOARD_MEAN, ring=True, font_scale=1.0, stroke_scale=1.0):
    """One piece, rendered at factor times the size and box-filtered down.

    Returns (rgb float (size, size, 3), disc coverage, shadow coverage).  With
    a background tone the colour is already composed over it where the disc
    or its shadow only partly covers a pixel, so a hard key-colour cut leaves
    no light fringe on the wooden board; without one the disc's own colour is
    returned for the caller to compose.  All lengths below are those of the
    44-pixel sprite and scale with the radius.
    """
    k = radius / 20.5
    n = size * factor
    y, x = (np.mgrid[0:n, 0:n].astype(np.float64) + 0.5) / factor
    cx = cy = centre
    dx, dy = x - cx, y - cy
    dist = np.sqrt(dx * dx + dy * dy)
    coverage = np.clip(radius - dist + 0.5 / factor, 0.0, 1.0 / factor) * factor
    # The piece has a thickness: its top face sits a little up and to the
    # left, and the side shows as a darker crescent at the lower right.
    lift = 0.7 * k
    side = np.clip(1.0 - (dx + dy + 2 * radius) / (4 * radius), 0.0, 1.0)
    cx, cy = cx - lift, cy - lift
    dx, dy = x - cx, y - cy
    dist = np.sqrt(dx * dx + dy * dy)
    radius_top = radius - 1.0 * k
    top = np.clip(radius_top - dist + 0.5 / factor, 0.0, 1.0 / factor) * factor
    radius = radius_top

    light, dark = disc
    grain = wood(n, n, seed, light=light, dark=dark, ring_period=7.0,
                 pith_x=0.2, depth=30.0, contrast=0.8, scale=factor * k / 8)

    # A rounded rim: inside the bevel the surface tilts outward, so its
    # brightness follows how much the tilt faces the light.
    bevel = 2.6 * k
    rim = np.clip((dist - (radius - bevel)) / bevel, 0.0, 1.0)
    tilt = np.sin(rim * np.pi / 2) ** 1.5
    nx = dx / np.maximum(dist, 1e-9)
    ny = dy / np.maximum(dist, 1e-9)
    facing = nx * CARVE_LIGHT[0] + ny * CARVE_LIGHT[1]
    lit = 1.0 + 0.22 * tilt * facing - 0.10 * tilt
    # The top face darkens a little toward the lower right as well.
    lit *= 1.0 - 0.10 * ((dx + dy) / (2 * radius))
    rgb = grain * lit[..., None]

    # The engraved ring and the character, inked, each sunk a little: the
    # wall facing away from the light is darker, the one facing it lighter.
    ring_r = radius - 3.6 * k
    ring_mask = np.clip(1.0 * k - np.abs(dist - ring_r), 0.0, 1.0) * ring
    glyph = glyph_mask(char, (n, n), int(round(25 * k * font_scale * factor)),
                       (cx * factor, (cy + 0.2 * k) * factor),
                       stroke=int(round(0.45 * k * stroke_scale * factor)))
    ink_mask = np.maximum(ring_mask, glyph)
    soft = blur(ink_mask, 0.5 * k * factor)
    gy, gx = np.gradient(soft)
    wall = (gx * CARVE_LIGHT[0] + gy * CARVE_LIGHT[1]) * factor * k
    rgb *= (1.0 + 0.35 * np.clip(wall, -1, 1))[..., None]
    ink_shade = ink * (0.92 + 0.16 * (1.0 - (dx + dy + 2 * radius) / (4 * radius)))[..., None]
    rgb = rgb * (1.0 - ink_mask[..., None]) + ink_shade * ink_mask[..., None]
    side_rgb = dark * (0.70 + 0.12 * side)[..., None]
    rgb = rgb * top[..., None] + side_rgb * (1.0 - top[..., None])
    rgb = np.clip(rgb, 0.0, 254.0)
    cx, cy = cx + lift, cy + lift
    radius = radius_top + 1.0 * k

    shade = np.zeros((n, n))
    if shadow:
        sd = np.sqrt((x - cx - 1.3 * k) ** 2 + (y - cy - 1.3 * k) ** 2)
        shade = np.clip(radius + 0.6 * k - sd, 0.0, 1.0)
        shade = blur(shade, 0.7 * k * factor) * (1.0 - coverage)
    if background is None:
        # Straight (not premultiplied) colour, averaged over the covered part
        # of each pixel only.
        cov = downsample(coverage, factor)
        out = downsample(rgb * coverage[..., None], factor) / np.maximum(cov, 1e-6)[..., None]
        return out, cov, downsample(shade, factor)
    bg = np.array(background, dtype=np.float64)
    under = bg * (1.0 - 0.45 * shade[..., None])
    rgb = rgb * coverage[..., None] + under * (1.0 - coverage[..., None])
    return (downsample(rgb, factor), downsample(coverage, factor),
            downsample(shade, factor))


def sprite_indices(rgb, coverage, shade, key=255):
    """Quantise one piece to a 255-colour table with index 255 as the white key.

    A pixel is part of the piece when the disc or its shadow covers enough of
    it; everything else is the key.  No colour of the table but the key is
    pure white.
    """
    solid = (coverage >= 0.35) | (shade >= 0.30)
    pixels = np.clip(np.round(rgb[solid]), 0, 254).astype(np.uint8)
    strip = Image.fromarray(pixels.reshape(1, -1, 3), "RGB")
    q = strip.quantize(colors=255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    pal = q.getpalette()[:255 * 3]
    pal += [0] * (255 * 3 - len(pal))
    palette = [tuple(pal[i * 3:i * 3 + 3]) for i in range(255)]
    palette = [(r, g, b) if (r, g, b) != (255, 255, 255) else (254, 254, 254)
               for r, g, b in palette]
    palette.append((255, 255, 255))
    idx = np.full(coverage.shape, key, dtype=np.uint8)
    idx[solid] = np.asarray(q, dtype=np.uint8).reshape(-1)
    return idx, palette
