#!/usr/bin/env python3
"""Writes the bitmap resources of the skin bitmap tests: three small BMP
files of 8, 24 and 32 bits, the resource script that names them and the
empty export list of the resource-only module.

    make_bitmap_resources.py OUTDIR

The pixels follow one rule, so the tests compute what they expect:
pixel (x, y) of a W x H picture is red 40*x + 10, green 60*y + 20, blue 90;
the 32-bit picture has alpha 100 + 50*x.
"""
import os
import struct
import sys


def colour(x, y):
    return (40 * x + 10, 60 * y + 20, 90)


def bmp(width, height, bits):
    palette = b""
    rows = []
    if bits == 8:
        entries = []
        for y in range(height):
            for x in range(width):
                entries.append(colour(x, y))
        palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in entries)
    for y in reversed(range(height)):  # bottom-up
        row = bytearray()
        for x in range(width):
            r, g, b = colour(x, y)
            if bits == 8:
                row.append(y * width + x)
            elif bits == 24:
                row += bytes((b, g, r))
            else:
                row += bytes((b, g, r, 100 + 50 * x))
        while len(row) % 4:
            row.append(0)
        rows.append(bytes(row))
    pixels = b"".join(rows)
    colours = len(palette) // 4
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(pixels), 2835, 2835, colours, 0)
    offset = 14 + len(info) + len(palette)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset)
    return head + info + palette + pixels


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {"sp8.bmp": bmp(3, 2, 8), "sp24.bmp": bmp(3, 2, 24), "sp32.bmp": bmp(3, 2, 32)}
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    with open(os.path.join(out, "spbitmaps.rc"), "w") as f:
        f.write('SPEIGHT BITMAP "sp8.bmp"\n')
        f.write('SPTRUE BITMAP "sp24.bmp"\n')
        f.write('SPALPHA BITMAP "sp32.bmp"\n')
        f.write('7 BITMAP "sp24.bmp"\n')
    with open(os.path.join(out, "spbitmaps.exports"), "w") as f:
        f.write("")


if __name__ == "__main__":
    main()
