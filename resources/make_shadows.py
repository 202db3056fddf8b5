#!/usr/bin/env python3
"""Draws the default window-shadow pictures of the skinning library.

A form with extended borders, in a skin without an EXBORDER mask, gets these
two pictures painted in nine parts around it with a margin of 9 pixels on every
side: "kvSHDA" while the form is active, "kvSHDI" while it is not. Each is a
32 x 32 PNG with alpha, black, whose centre (inside the 9-pixel margin) lies
under the form and is uniform, and whose margin fades outward with the
square of the distance from the form's edge (round at the corners). The active
shadow is darker. Standard library only; the output is deterministic and
committed. Run again after changing it:
    python3 resources/make_shadows.py
"""
import math
import os
import sys

sys.dont_write_bytecode = True
from make_image_list import png  # noqa: E402 (the same PNG writer)

HERE = os.path.dirname(os.path.abspath(__file__))

SIZE = 32
MARGIN = 9
PICTURES = {
    "shadow_active.png": 96,     # alpha under the form's edge
    "shadow_inactive.png": 56,
}


def shadow(darkest):
    rows = []
    for y in range(SIZE):
        row = bytearray()
        for x in range(SIZE):
            # Distance of the pixel's centre from the rectangle under the form.
            cx, cy = x + 0.5, y + 0.5
            dx = max(MARGIN - cx, 0.0, cx - (SIZE - MARGIN))
            dy = max(MARGIN - cy, 0.0, cy - (SIZE - MARGIN))
            t = min(math.hypot(dx, dy) / MARGIN, 1.0)
            alpha = round(darkest * (1.0 - t) ** 2)
            row += bytes((0, 0, 0, alpha))
        rows.append(bytes(row))
    return png(SIZE, SIZE, rows)


if __name__ == "__main__":
    for name, darkest in PICTURES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(shadow(darkest))
        print(name)
