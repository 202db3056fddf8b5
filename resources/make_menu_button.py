#!/usr/bin/env python3
"""Draws the default menu-button picture of the title-bar component.

A menu button in a skinned title that has no section of its own is painted
from this bitmap: three frames side by side (normal, hot, pressed), each
24 x 20, stretched in nine parts around margins of 8 (left), 2 (top),
8 (right) and 4 (bottom) pixels. The button hangs from the top of the title:
square at the top, rounded at the bottom corners, where the key colour
0xFF00FF marks what the title shows through. A 24-bit BMP; the library turns
it into 32 bits at load (the empty alpha byte becomes opaque). Standard
library only; the output is deterministic and committed. Run again after
changing it:
    python3 resources/make_menu_button.py
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
FRAME_W, FRAME_H = 24, 20
RADIUS = 4
KEY = (0xFF, 0x00, 0xFF)
# (top colour, bottom colour, edge colour) per frame: normal, hot, pressed.
FRAMES = [
    ((0x3A, 0x6E, 0xA5), (0x1E, 0x46, 0x78), (0x12, 0x2E, 0x50)),
    ((0x5A, 0x92, 0xCC), (0x2E, 0x62, 0x9C), (0x1A, 0x3C, 0x66)),
    ((0x16, 0x38, 0x60), (0x24, 0x50, 0x84), (0x0C, 0x22, 0x3E)),
]


def inside(x, y):
    """Whether (x, y) of a frame belongs to the button (rounded bottom corners)."""
    if x < 0 or x >= FRAME_W or y < 0 or y >= FRAME_H:
        return False
    cy = FRAME_H - RADIUS
    if y + 0.5 <= cy:
        return True
    for cx in (RADIUS, FRAME_W - RADIUS):
        if (x + 0.5 < cx and cx == RADIUS) or (x + 0.5 > cx and cx == FRAME_W - RADIUS):
            return (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= RADIUS ** 2
    return True


def pixel(frame, x, y):
    if not inside(x, y):
        return KEY
    top, bottom, edge = FRAMES[frame]
    on_edge = x == 0 or x == FRAME_W - 1 or y == FRAME_H - 1 or not inside(x - 1, y) or not inside(x + 1, y) \
        or not inside(x, y + 1)
    if on_edge:
        return edge
    t = y / (FRAME_H - 1)
    return tuple(round(a + (b - a) * t) for a, b in zip(top, bottom))


def bmp(width, height, rows):
    """A bottom-up 24-bit BMP of rows (top first) of (r, g, b)."""
    stride = (width * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def main():
    width = FRAME_W * len(FRAMES)
    rows = [[pixel(x // FRAME_W, x % FRAME_W, y) for x in range(width)] for y in range(FRAME_H)]
    with open(os.path.join(HERE, "menu_button.bmp"), "wb") as f:
        f.write(bmp(width, FRAME_H, rows))


if __name__ == "__main__":
    main()
