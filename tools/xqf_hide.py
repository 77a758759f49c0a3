#!/usr/bin/env python3
"""Turns a plain XQF file (version 10, as xiangqi-cli convert writes it) into one of version 12,
whose places, moves and comment lengths are hidden by keys as the public description of the
format gives them: the way most XQF files in collections come. It makes the files the
screenshots and the checks on a real display open; the reader's own tests lay their files out
by hand (tests/record_formats_test.cpp).

    tools/xqf_hide.py plain.xqf hidden.xqf
"""
import struct
import sys

HEADER = 0x400
# Any key bytes will do; these are the ones the screenshots' file was made with.
MASK, OR_A, OR_B, OR_C, OR_D = 0xA5, 0x12, 0x34, 0x56, 0x78
XY, XYF, XYT = 0x37, 0x9C, 0x5B
SUM = (-(XY + XYF + XYT)) & 0xFF
COPYRIGHT = b"[(C) Copyright Mr. Dong Shiwei.]"


def key(b, c):
    return (((((b * b) * 3 + 9) * 3 + 8) * 2 + 1) * 3 + 8) * c & 0xFF


def hide(plain):
    if plain[:2] != b"XQ" or plain[2] > 10:
        raise SystemExit("not a plain XQF file (version 10 or before)")
    xy = key(XY, XY)
    xyf = key(XYF, xy)
    xyt = key(XYT, xyf)
    comment_key = (SUM * 256 + XY) % 32000 + 767
    out = bytearray(plain[:HEADER])
    out[2] = 12
    out[3], out[8:12], out[12:16] = MASK, bytes((OR_A, OR_B, OR_C, OR_D)), bytes((SUM, XY, XYF, XYT))
    places = plain[0x10:0x30]
    for i in range(32):  # turned round and shifted by the key from version 12
        out[0x10 + i] = (places[(xy + i + 1) & 31] + xy) & 0xFF
    at = HEADER
    while at < len(plain):
        frm, to, flags = plain[at], plain[at + 1], plain[at + 2]
        (size,) = struct.unpack_from("<I", plain, at + 4)
        comment = plain[at + 8:at + 8 + size]
        at += 8 + size
        later = (0x80 if flags & 0xF0 else 0) | (0x40 if flags & 0x0F else 0)
        later |= 0x20 if comment else 0
        out += bytes(((frm + xyf) & 0xFF, (to + xyt) & 0xFF, later, 0))
        if comment:
            out += struct.pack("<I", len(comment) + comment_key) + comment
    mixed = ((SUM & MASK) | OR_A, (XY & MASK) | OR_B, (XYF & MASK) | OR_C, (XYT & MASK) | OR_D)
    for i in range(HEADER, len(out)):
        out[i] = (out[i] + (COPYRIGHT[i % 32] & mixed[i % 4])) & 0xFF
    return bytes(out)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    with open(sys.argv[1], "rb") as source:
        hidden = hide(source.read())
    with open(sys.argv[2], "wb") as target:
        target.write(hidden)
