#!/usr/bin/python3
"""Makes the interface font: a subset of Noto Sans CJK SC (SIL Open Font
License 1.1) that holds every character the program shows.

    tools/make_font_subset.py [--texts FILE] [--out DIR] [--no-common]

The characters are those of tools/ui_texts.txt, all of printable ASCII, the
GB2312 punctuation and full-width forms, and (unless --no-common) the 3755
common hanzi of GB2312 level 1, so that the about text and most file names a
player picks are drawn in the same face.  The subset is renamed "Xiangqi Sans
SC", since a modified font must not pass for the original.

Writes DIR/ui-subset.otf, DIR/ui-subset-chars.txt (the characters, in code
point order) and DIR/OFL.txt (the copyright and licence).  Needs fontTools
(Debian: python3-fonttools) and fonts-noto-cjk.
"""

import argparse
import io
import os

from fontTools import subset
from fontTools.ttLib import TTCollection

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCE = "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"
SOURCE_FACE = "Noto Sans CJK SC"
LICENCE_SOURCE = "/usr/share/doc/fonts-noto-cjk/copyright"
FAMILY = "Xiangqi Sans SC"


def gb2312_row(first):
    """The characters of one GB2312 row (94 cells), skipping unassigned cells."""
    out = []
    for second in range(0xA1, 0xFF):
        try:
            out.append(bytes((first, second)).decode("gb2312"))
        except UnicodeDecodeError:
            pass
    return out


def read_texts(path):
    texts = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line and not line.startswith("#"):
                texts.append(line)
    return texts


def character_set(texts, common=True):
    chars = set(chr(c) for c in range(0x20, 0x7F))
    for t in texts:
        chars.update(t)
    chars.update(gb2312_row(0xA1))  # punctuation: 、。·ˉˇ¨〃々—～‖…‘’“”〔〕〈〉《》...
    chars.update(gb2312_row(0xA3))  # full-width ASCII: ！＂＃...（）...：；...
    if common:
        for row in range(0xB0, 0xD8):  # level 1, ordered by pronunciation
            chars.update(gb2312_row(row))
    chars.discard("\n")
    return sorted(chars)


def source_font():
    for font in TTCollection(SOURCE).fonts:
        if font["name"].getDebugName(4) == SOURCE_FACE:
            return font
    raise SystemExit("%s has no face named %s" % (SOURCE, SOURCE_FACE))


def rename(font):
    name = font["name"]
    ps = FAMILY.replace(" ", "") + "-Regular"
    for rec in list(name.names):
        if rec.nameID in (1, 4, 16):
            name.setName(FAMILY, rec.nameID, rec.platformID, rec.platEncID, rec.langID)
        elif rec.nameID == 3:
            name.setName("%s;subset" % ps, 3, rec.platformID, rec.platEncID, rec.langID)
        elif rec.nameID == 6:
            name.setName(ps, 6, rec.platformID, rec.platEncID, rec.langID)
        elif rec.nameID in (7, 17, 18, 19, 20, 21, 22):
            name.removeNames(nameID=rec.nameID)
    cff = font["CFF "].cff
    cff.fontNames = [ps]
    top = cff.topDictIndex[0]
    top.FullName = FAMILY
    top.FamilyName = FAMILY


def licence_text(font):
    """The font's copyright notice followed by the licence as Debian ships it."""
    with open(LICENCE_SOURCE, encoding="utf-8") as f:
        lines = f.read().splitlines()
    # The first "License: SIL-1.1" names the licence of a stanza; the last
    # one is followed by its text.
    start = len(lines) - lines[::-1].index("License: SIL-1.1")
    body = []
    for line in lines[start:]:
        if line and not line.startswith(" "):
            break
        line = line[1:] if line.startswith(" ") else line
        body.append("" if line == "." else line)
    head = [
        "%s is a subset of %s (version %s), renamed as the licence asks of" %
        (FAMILY, SOURCE_FACE, font["head"].fontRevision.__round__(3)),
        "a modified version. Made by tools/make_font_subset.py.",
        "",
        font["name"].getDebugName(0),
        "Noto is a trademark of Google Inc.",
        "",
    ]
    return "\n".join(head + body).rstrip() + "\n"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--texts", default=os.path.join(ROOT, "tools", "ui_texts.txt"))
    ap.add_argument("--out", default=os.path.join(ROOT, "assets", "fonts"))
    ap.add_argument("--no-common", action="store_true")
    args = ap.parse_args()

    chars = character_set(read_texts(args.texts), common=not args.no_common)
    font = source_font()
    licence = licence_text(font)

    options = subset.Options()
    # Horizontal interface text needs composition and kerning only; the
    # other languages' forms and the vertical ones would double the size.
    options.layout_features = ["ccmp", "kern"]
    options.name_IDs = ["*"]
    options.name_languages = ["*"]
    options.notdef_outline = True
    options.glyph_names = False
    options.hinting = True
    sub = subset.Subsetter(options)
    sub.populate(unicodes=[ord(c) for c in chars])
    sub.subset(font)
    rename(font)

    missing = [c for c in chars if ord(c) not in font.getBestCmap()]
    if missing:
        raise SystemExit("the font lacks: %s" % "".join(missing))

    os.makedirs(args.out, exist_ok=True)
    # Keep the source's modification time so a remake gives the same bytes.
    font.recalcTimestamp = False
    buf = io.BytesIO()
    font.save(buf)
    with open(os.path.join(args.out, "ui-subset.otf"), "wb") as f:
        f.write(buf.getvalue())
    with open(os.path.join(args.out, "ui-subset-chars.txt"), "w", encoding="utf-8") as f:
        line = []
        for c in chars:
            line.append(c)
            if len(line) == 64:
                f.write("".join(line) + "\n")
                line = []
        if line:
            f.write("".join(line) + "\n")
    with open(os.path.join(args.out, "OFL.txt"), "w", encoding="utf-8") as f:
        f.write(licence)
    print("%d characters, %d glyphs, %d bytes" %
          (len(chars), len(font.getGlyphOrder()), len(buf.getvalue())))


if __name__ == "__main__":
    main()
