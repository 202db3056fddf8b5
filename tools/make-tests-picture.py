#!/usr/bin/env python3
"""Draws the tests window's picture (an open exercise book with answer marks
under a sky) and writes it as an 8-bit RGBA PNG: resources/tests_picture.png.
Plain Python with zlib, so the picture can be remade anywhere."""
import math
import struct
import sys
import zlib

W, H = 320, 272


def clamp(v):
    return max(0, min(255, int(round(v))))


def sky(x, y):
    t = y / H
    return (clamp(70 + 60 * t), clamp(130 + 70 * t), clamp(225 - 10 * t), 255)


def inside_round_rect(x, y, l, t, r, b, rad):
    if not (l <= x < r and t <= y < b):
        return False
    cx = min(max(x, l + rad), r - 1 - rad)
    cy = min(max(y, t + rad), b - 1 - rad)
    return (x - cx) ** 2 + (y - cy) ** 2 <= rad * rad


def near_segment(x, y, ax, ay, bx, by, width):
    dx, dy = bx - ax, by - ay
    L = dx * dx + dy * dy
    u = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / L))
    px, py = ax + u * dx, ay + u * dy
    return (x - px) ** 2 + (y - py) ** 2 <= width * width


def pixel(x, y):
    c = sky(x, y)
    # Sun in the upper right.
    if (x - 270) ** 2 + (y - 40) ** 2 <= 22 ** 2:
        c = (255, 214, 80, 255)
    # Grass along the bottom.
    if y > 230 + 6 * math.sin(x / 25.0):
        c = (90, 170, 80, 255)
    # Shadow under the book.
    if inside_round_rect(x, y, 46, 64, 282, 236, 10):
        c = (c[0] * 3 // 5, c[1] * 3 // 5, c[2] * 3 // 5, 255)
    # The book: two white pages with a grey spine.
    if inside_round_rect(x, y, 40, 58, 276, 230, 10):
        c = (255, 255, 255, 255)
        if 155 <= x <= 160:
            c = (180, 180, 190, 255)
        # Ruled lines on both pages.
        elif (y - 80) % 16 == 0 and 84 <= y <= 212 and (56 <= x <= 148 or 168 <= x <= 260):
            c = (190, 205, 235, 255)
        # Answer boxes on the left page: A ticked in green, B and C empty.
        for i, top in enumerate((92, 124, 156)):
            if 60 <= x <= 76 and top <= y <= top + 16:
                edge = x in (60, 76) or y in (top, top + 16)
                if edge:
                    c = (60, 60, 80, 255)
                if i == 0 and (near_segment(x, y, 62, top + 8, 67, top + 14, 1.6)
                               or near_segment(x, y, 67, top + 14, 80, top - 4, 1.6)):
                    c = (30, 150, 60, 255)
        # A red question mark on the right page.
        r = math.hypot(x - 212, y - 120)
        ang = math.atan2(y - 120, x - 212)
        if 18 <= r <= 25 and not (0.3 < ang < 2.2):
            c = (210, 40, 40, 255)
        if near_segment(x, y, 223, 137, 212, 150, 3.5) or near_segment(x, y, 212, 150, 212, 166, 3.5):
            c = (210, 40, 40, 255)
        if (x - 212) ** 2 + (y - 180) ** 2 <= 16:
            c = (210, 40, 40, 255)
    return c


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resources/tests_picture.png"
    raw = bytearray()
    for y in range(H):
        raw.append(0)
        for x in range(W):
            raw.extend(pixel(x, y))
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", W, H, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(out, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
