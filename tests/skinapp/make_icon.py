#!/usr/bin/env python3
"""Draws the skinned test program's icon (tests/skinapp/skinapp.ico).

A colour swatch: a dark frame round a blue field that darkens downwards,
a light card at the left and three colour bars at the right, the colours a
skin is made of. Two images, 16 x 16 and 32 x 32, each 32-bit with every
pixel opaque (an empty AND mask), so the title shows exactly these pixels
whatever stands behind them. Standard library only; the output is
deterministic and committed. Run again after changing it:
    python3 tests/skinapp/make_icon.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
FRAME = (0x1E, 0x2A, 0x38)
FIELD_TOP = (0x3A, 0x78, 0xC8)
FIELD_BOTTOM = (0x1E, 0x4A, 0x8A)
CARD = (0xF2, 0xF4, 0xF7)
BARS = [(0xF0, 0x8C, 0x28), (0x3C, 0xB4, 0x5A), (0xD2, 0x3C, 0x78)]


def pixel(x, y, size):
    """The colour (r, g, b) at x, y of an image size x size (y from the top)."""
    if x == 0 or y == 0 or x == size - 1 or y == size - 1:
        return FRAME
    unit = size // 16
    card = (3 * unit, 3 * unit, 8 * unit, size - 3 * unit)   # left, top, right, bottom
    if card[0] <= x < card[2] and card[1] <= y < card[3]:
        return CARD
    for i, colour in enumerate(BARS):
        top = 3 * unit + i * 4 * unit
        if 10 * unit <= x < 13 * unit and top <= y < top + 3 * unit:
            return colour
    t = (y - 1) / max(1, size - 3)
    return tuple(round(a + (b - a) * t) for a, b in zip(FIELD_TOP, FIELD_BOTTOM))


def image(size):
    """One icon image: a BITMAPINFOHEADER of twice the height, the BGRA rows
    from the bottom up, then the AND mask (all clear: every pixel opaque)."""
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = bytearray()
    for y in range(size - 1, -1, -1):
        for x in range(size):
            r, g, b = pixel(x, y, size)
            rows += bytes((b, g, r, 0xFF))
    mask_row = ((size + 31) // 32) * 4
    return header + bytes(rows) + bytes(mask_row * size)


def main():
    sizes = [16, 32]
    images = [image(s) for s in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    with open(os.path.join(HERE, "skinapp.ico"), "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
