#!/usr/bin/env python3
"""Draws the five glyph strips of the skinning library's shared image list.

Each file is a 48 x 16 PNG with alpha: three 16 x 16 frames of one glyph
(normal, hot, pressed). Shapes are drawn with 4 x 4 supersampling, so their
edges carry partial alpha. Standard library only; the output is deterministic
and committed. Run again after changing it:
    python3 resources/make_image_list.py
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

NORMAL = (52, 64, 84)
HOT = (61, 111, 182)
PRESSED = (40, 78, 132)
SUB = 4


def png(width, height, rows):
    """rows: list of bytes objects, RGBA, 8 bits a sample."""
    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    raw = b"".join(b"\x00" + r for r in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def folder(x, y):
    body = 2 <= x <= 14 and 5 <= y <= 13
    tab = 2 <= x <= 7 and 3 <= y <= 5
    inner = 3.2 <= x <= 12.8 and 7.2 <= y <= 11.8
    return (body or tab) and not inner


def ring(x, y):
    dx, dy = x - 8, y - 8
    r = math.hypot(dx, dy)
    angle = math.degrees(math.atan2(dy, dx)) % 360
    arc = 3.6 <= r <= 5.6 and not (300 <= angle <= 360)
    # The arrow head: a triangle at the open end of the ring.
    head = 1 <= y <= 6.5 and 9.5 <= x <= 15 and (x - 9.5) >= (y - 1)
    return arc or head


def down(x, y):
    return 4 <= y <= 11 and abs(x - 8) <= (11 - y) * 0.75


def dots(x, y):
    return any(math.hypot(x - cx, y - 8.5) <= 1.7 for cx in (3.5, 8, 12.5))


def cross(x, y):
    d1 = abs((x - 8) - (y - 8)) / math.sqrt(2)
    d2 = abs((x - 8) + (y - 8)) / math.sqrt(2)
    inside = 3 <= x <= 13 and 3 <= y <= 13
    return inside and (d1 <= 1.2 or d2 <= 1.2)


def strip(shape):
    rows = []
    for py in range(16):
        row = bytearray()
        for frame, colour in enumerate((NORMAL, HOT, PRESSED)):
            shift = 1 if frame == 2 else 0
            for px in range(16):
                hits = 0
                for sy in range(SUB):
                    for sx in range(SUB):
                        x = px - shift + (sx + 0.5) / SUB
                        y = py - shift + (sy + 0.5) / SUB
                        if shape(x, y):
                            hits += 1
                alpha = round(255 * hits / (SUB * SUB))
                row += bytes(colour) + bytes([alpha]) if alpha else b"\x00\x00\x00\x00"
        rows.append(bytes(row))
    return png(48, 16, rows)


GLYPHS = {
    "image_list_sf.png": folder,
    "image_list_sr.png": ring,
    "image_list_sd.png": down,
    "image_list_se.png": dots,
    "image_list_sc.png": cross,
}

if __name__ == "__main__":
    for name, shape in GLYPHS.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(strip(shape))
        print(name)
