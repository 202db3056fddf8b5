#!/usr/bin/env python3
"""Draws the library's sample skins: "Slate" into skins/Slate/ and, with
--palette dark, its dark twin "Graphite" into skins/Graphite/.

Standard library only (BMP and PNG are written here); the JPEG elements are
converted from PPM with ImageMagick's /usr/bin/convert. The output is
deterministic and committed; run this again after changing it:
    python3 skins/make_sample_skin.py
    python3 skins/make_sample_skin.py --palette dark
"""
import math
import os
import struct
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
KEY = (255, 0, 255)

# Palettes (r, g, b). "light" draws Slate; "dark" draws Graphite from the same
# shapes. Roles: FACE the surface, FACE_DARK a recessed surface, LINE frames,
# LINE_DARK strong lines and glyphs, ACCENT* titles and selections, TEXT the
# font, WHITE the raised surface (highlights, hot fills, pages), EDIT_BG edits,
# ON_ACCENT text and glyphs on the accent, MARK check marks and hot text, FORM_LIGHT/FORM_SHADE the form's
# background gradient.
PALETTES = {
    "light": {
        "NAME": "Slate",
        "DESCRIPTION": "Slate: a light, quiet sample skin",
        "FACE": (232, 236, 242),
        "FACE_DARK": (214, 220, 230),
        "LINE": (122, 138, 163),
        "LINE_DARK": (88, 102, 128),
        "ACCENT": (61, 111, 182),
        "ACCENT_HOT": (91, 142, 214),
        "ACCENT_DOWN": (47, 90, 150),
        "TEXT": (30, 38, 51),
        "WHITE": (255, 255, 255),
        "EDIT_BG": (252, 253, 255),
        "ON_ACCENT": (255, 255, 255),
        "MARK": (47, 90, 150),
        "FORM_LIGHT": (244, 246, 250),
        "FORM_SHADE": (222, 228, 238),
    },
    "dark": {
        "NAME": "Graphite",
        "DESCRIPTION": "Graphite: the dark twin of Slate",
        "FACE": (50, 54, 62),
        "FACE_DARK": (38, 41, 48),
        "LINE": (94, 102, 118),
        "LINE_DARK": (150, 160, 178),
        "ACCENT": (44, 98, 170),
        "ACCENT_HOT": (70, 128, 204),
        "ACCENT_DOWN": (34, 78, 138),
        "TEXT": (222, 226, 234),
        "WHITE": (74, 80, 92),
        "EDIT_BG": (30, 32, 37),
        "ON_ACCENT": (255, 255, 255),
        "MARK": (132, 180, 240),
        "FORM_LIGHT": (56, 60, 69),
        "FORM_SHADE": (40, 43, 50),
    },
}
NAME = DESCRIPTION = None
FACE = FACE_DARK = LINE = LINE_DARK = ACCENT = ACCENT_HOT = ACCENT_DOWN = None
TEXT = WHITE = EDIT_BG = ON_ACCENT = MARK = FORM_LIGHT = FORM_SHADE = None


def tcolor(rgb):
    """A colour value of the options file: red in the low byte."""
    r, g, b = rgb
    return r | (g << 8) | (b << 16)


def mix(a, b, t):
    return tuple(int(round(a[i] * (1 - t) + b[i] * t)) for i in range(3))


class Canvas:
    def __init__(self, w, h, fill=KEY, alpha=False):
        self.w, self.h, self.alpha = w, h, alpha
        px = fill if not alpha else fill + (0,) if len(fill) == 3 else fill
        self.px = [[px] * w for _ in range(h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.put(x, y, c)

    def vgrad(self, x0, y0, x1, y1, top, bottom):
        for y in range(y0, y1):
            t = (y - y0) / max(1, y1 - y0 - 1)
            c = mix(top, bottom, t)
            for x in range(x0, x1):
                self.put(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1):
            self.put(x, y0, c)
            self.put(x, y1 - 1, c)
        for y in range(y0, y1):
            self.put(x0, y, c)
            self.put(x1 - 1, y, c)

    def rounded(self, x0, y0, x1, y1, border, top, bottom, radius=2):
        """A rounded box: key colour outside the corners, a border line, a gradient inside."""
        self.vgrad(x0, y0, x1, y1, top, bottom)
        self.frame(x0, y0, x1, y1, border)
        for i in range(radius):
            for j in range(radius - i):
                for (x, y) in ((x0 + j, y0 + i), (x1 - 1 - j, y0 + i), (x0 + j, y1 - 1 - i), (x1 - 1 - j, y1 - 1 - i)):
                    self.put(x, y, KEY)
        for (x, y) in ((x0 + radius, y0 + 1), (x1 - 1 - radius, y0 + 1)):
            pass

    def bmp(self):
        row = (self.w * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.h - 1, -1, -1):
            line = bytearray()
            for x in range(self.w):
                r, g, b = self.px[y][x][:3]
                line += bytes((b, g, r))
            line += b"\0" * (row - len(line))
            data += line
        head = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        return head + info + bytes(data)

    def png(self):
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                p = self.px[y][x]
                raw += bytes(p if len(p) == 4 else p + (255,))

        def chunk(t, d):
            return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xFFFFFFFF)

        ihdr = struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0)
        return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) +
                chunk(b"IEND", b""))

    def ppm(self):
        data = bytearray()
        for y in range(self.h):
            for x in range(self.w):
                data += bytes(self.px[y][x][:3])
        return b"P6\n%d %d\n255\n" % (self.w, self.h) + bytes(data)


def hat(l, t, r, b, ml, mt, mr, mb, frames, layout, flags, bw):
    return "^%04d,%04d,%04d,%04d,%04d,%04d,%04d,%04d,%d,%d,%d,%d" % (l, t, r, b, ml, mt, mr, mb, frames, layout, flags, bw)


def at(l, t, r, b, frames, layout):
    return "@%04d,%04d,%04d,%04d,%d,%d" % (l, t, r, b, frames, layout)


def tilde(l, t, r, b, flags, layout):
    return "~%04d,%04d,%04d,%04d,%02d,%d" % (l, t, r, b, flags, layout)


def use_palette(name):
    """Makes the palette's colours the module's, and the fills made of them."""
    global STATE_FILLS, COLHEADER_FILLS, MENU_HOT
    globals().update(PALETTES[name])
    STATE_FILLS = [  # normal, hot, pressed: (border, top, bottom)
        (LINE, WHITE, FACE_DARK),
        (ACCENT_HOT, WHITE, mix(FACE, ACCENT_HOT, 0.25)),
        (ACCENT_DOWN, mix(FACE, ACCENT, 0.35), mix(FACE, ACCENT, 0.15)),
    ]
    # Column headers of list views: normal, hot and pressed fills inside a frame line.
    COLHEADER_FILLS = [
        (LINE, mix(FACE, WHITE, 0.5)),
        (ACCENT_HOT, WHITE),
        (ACCENT_DOWN, mix(FACE, ACCENT, 0.35)),
    ]
    MENU_HOT = mix(WHITE, ACCENT_HOT, 0.35)


def draw_master():
    m = Canvas(384, 512)   # rows 256-511: one band of 32-64 rows per later block (see below)
    opts = {}
    # Edit border: square corners (no key colour), 3 frames 16x16 at (0,24).
    for i, c in enumerate((LINE, ACCENT_HOT, mix(LINE, FACE, 0.5))):
        x = i * 16
        m.rect(x, 24, x + 16, 40, EDIT_BG)
        m.frame(x, 24, x + 16, 40, c)
    opts["EDIT.BORDERSMASK"] = hat(0, 24, 48, 40, 2, 2, 2, 2, 3, 0, 0, 0)
    # Panel bevel (1 frame) at (72,0).
    m.rect(72, 0, 96, 24, FACE)
    m.frame(72, 0, 96, 24, LINE)
    for x in range(73, 95):
        m.put(x, 1, WHITE)
    for y in range(1, 23):
        m.put(73, y, WHITE)
    opts["PANEL.BORDERSMASK"] = hat(72, 0, 96, 24, 2, 2, 2, 2, 1, 0, 0, 0)
    m.rect(0, 0, 24, 24, FACE_DARK)
    m.frame(0, 0, 24, 24, LINE)
    for x in range(1, 23):
        m.put(x, 22, WHITE)
    opts["PANEL_LOW.BORDERSMASK"] = hat(0, 0, 24, 24, 2, 2, 2, 2, 1, 0, 0, 0)
    # Combo button: 3 rounded frames 18x20 at (48,24).
    for i, (b, t, bt) in enumerate(STATE_FILLS):
        x = 48 + i * 18
        m.rounded(x, 24, x + 18, 44, b, t, bt)
    opts["COMBOBTN.BORDERSMASK"] = hat(48, 24, 102, 44, 3, 3, 3, 3, 3, 0, 0, 0)
    # Tabs: 3 frames 30x24 at (96,0), read through the "#" form.
    for i, (b, t, bt) in enumerate(((LINE, FACE_DARK, FACE), (ACCENT_HOT, WHITE, FACE), (LINE, WHITE, WHITE))):
        x = 96 + i * 30
        m.rounded(x, 0, x + 30, 24, b, t, bt, radius=3)
        m.rect(x + 1, 23, x + 29, 24, bt)
    opts["TABTOP.BORDERSMASK"] = "#(96,0,186,24)(3,0,4,1)"
    # Form border (1 frame 32x32) at (192,0) and the title band texture at (224,0).
    m.rect(192, 0, 224, 32, FACE)
    m.frame(192, 0, 224, 32, LINE_DARK)
    m.frame(193, 1, 223, 31, ACCENT)
    m.frame(194, 2, 222, 30, ACCENT)
    m.frame(195, 3, 221, 29, mix(ACCENT, FACE, 0.5))
    opts["FORM.BORDERSMASK"] = hat(192, 0, 224, 32, 4, 4, 4, 4, 1, 0, 0, 0)
    m.vgrad(224, 0, 232, 26, ACCENT_HOT, ACCENT)
    opts["FORMTITLE.PATTERN"] = tilde(224, 0, 232, 26, 0, 0)
    # Combo button textures (normal, hot) at (240,0) and (256,0).
    m.vgrad(240, 0, 256, 16, WHITE, FACE_DARK)
    m.vgrad(256, 0, 272, 16, WHITE, mix(FACE, ACCENT_HOT, 0.3))
    opts["COMBOBTN.PATTERN"] = tilde(240, 0, 256, 16, 0, 0)
    opts["COMBOBTN.HOTPATTERN"] = tilde(256, 0, 272, 16, 0, 0)
    # Grip (1 frame 12x12) at (300,0).
    for k in range(3):
        for j in range(k + 1):
            m.rect(300 + 9 - 3 * j, 1 + 3 * k, 302 + 9 - 3 * j, 3 + 3 * k, LINE)
    opts["GLOBALINFO.GRIPIMAGE"] = at(300, 0, 312, 12, 1, 0)
    # Scroll buttons: border 3 frames 16x16 at (0,44), arrow glyphs 3 frames each.
    for i, (b, t, bt) in enumerate(STATE_FILLS):
        m.rounded(i * 16, 44, i * 16 + 16, 60, b, t, bt)
    opts["SCROLLBTNTOP.BORDERSMASK"] = hat(0, 44, 48, 60, 3, 3, 3, 3, 3, 0, 0, 0)

    def arrow(x0, y0, direction, c):
        for k in range(4):
            for j in range(-k, k + 1):
                dx, dy = {"up": (j, k), "down": (j, 3 - k), "left": (k, j), "right": (3 - k, j)}[direction]
                m.put(x0 + 8 + dx - (0 if direction in ("up", "down") else 2), y0 + 6 + dy - (0 if direction in ("up", "down") else -2), c)

    for n, direction in enumerate(("up", "down", "left", "right")):
        for i, c in enumerate((LINE_DARK, ACCENT, WHITE)):
            arrow(48 + n * 48 + i * 16, 44, direction, c)
    for n, sec in enumerate(("SCROLLBTNTOP", "SCROLLBTNBOTTOM", "SCROLLBTNLEFT", "SCROLLBTNRIGHT")):
        opts[sec + ".GLYPHMASK"] = at(48 + n * 48, 44, 96 + n * 48, 60, 3, 0)
    # Scroll bar tracks: textures at (0,60) (vertical) and (16,60) (horizontal).
    m.vgrad(0, 60, 16, 76, FACE_DARK, FACE_DARK)
    m.frame(0, 60, 16, 76, FACE_DARK)
    for y in range(60, 76):
        m.put(0, y, mix(LINE, FACE, 0.6))
    m.vgrad(16, 60, 32, 76, mix(FACE_DARK, WHITE, 0.3), FACE_DARK)
    opts["SCROLLBAR1V.PATTERN"] = tilde(0, 60, 16, 76, 0, 0)
    opts["SCROLLBAR1H.PATTERN"] = tilde(16, 60, 32, 76, 0, 0)
    # Menus: main menu border (bw 1) at (0,76); menu item 2 frames 16x16 at (16,76).
    m.rect(0, 76, 16, 92, FACE)
    m.frame(0, 76, 16, 92, LINE)
    opts["MAINMENU.BORDERSMASK"] = hat(0, 76, 16, 92, 0, 0, 0, 0, 1, 0, 0, 1)
    m.rect(16, 76, 32, 92, KEY)
    m.rounded(32, 76, 48, 92, ACCENT, mix(WHITE, ACCENT_HOT, 0.3), mix(WHITE, ACCENT_HOT, 0.45))
    opts["MENUITEM.BORDERSMASK"] = hat(16, 76, 48, 92, 3, 3, 3, 3, 2, 0, 0, 0)
    m.rect(48, 76, 52, 92, LINE)
    m.rect(49, 76, 50, 92, WHITE)
    opts["DIVIDERV.BORDERSMASK"] = hat(48, 76, 52, 92, 0, 4, 0, 4, 1, 0, 0, 0)
    # Check boxes, radio buttons: 3 frames 13x13 each (normal, hot, pressed) at row 100.
    glyphs = ["BOXUNCHECKED", "BOXCHECKED", "BOXGRAYED", "RADIOUNCHECKED", "RADIOCHECKED", "RADIOGRAYED"]
    for g, name in enumerate(glyphs):
        for i, (b, t, bt) in enumerate(STATE_FILLS):
            x, y = g * 39 + i * 13, 100
            radio = name.startswith("RADIO")
            for yy in range(13):
                for xx in range(13):
                    d = math.hypot(xx - 6, yy - 6)
                    if radio and d > 6.3:
                        continue
                    edge = (d > 5.3) if radio else (xx in (0, 12) or yy in (0, 12))
                    m.put(x + xx, y + yy, b if edge else mix(t, bt, yy / 12))
            if name.endswith("CHECKED") and not name.endswith("UNCHECKED"):
                if radio:
                    m.rect(x + 4, y + 4, x + 9, y + 9, MARK)
                else:
                    for k in range(7):
                        yy = 6 + k if k < 3 else 8 - (k - 3) + 1
                        m.put(x + 3 + k, y + yy - 1, MARK)
                        m.put(x + 3 + k, y + yy, MARK)
            if name.endswith("GRAYED"):
                m.rect(x + 3, y + 3, x + 10, y + 10, mix(LINE, FACE, 0.5))
        opts["GLOBALINFO." + name] = at(g * 39, 100, g * 39 + 39, 113, 3, 0)
    # Small check boxes: 3 frames 10x10 at row 113.
    for g, name in enumerate(("SMALLUNCHECKED", "SMALLCHECKED", "SMALLGRAYED")):
        for i, (b, t, bt) in enumerate(STATE_FILLS):
            x, y = g * 30 + i * 10, 113
            m.rect(x, y, x + 10, y + 10, t)
            m.frame(x, y, x + 10, y + 10, b)
            if g == 1:
                m.rect(x + 3, y + 3, x + 7, y + 7, MARK)
            if g == 2:
                m.rect(x + 3, y + 3, x + 7, y + 7, mix(LINE, FACE, 0.5))
        opts["GLOBALINFO." + name] = at(g * 30, 113, g * 30 + 30, 123, 3, 0)
    # Title buttons: 3 frames 21x21 at row 128; small ones 15x15 at row 150.
    def title_glyph(x, y, size, kind, state):
        bg = [None, mix(ACCENT_HOT, WHITE, 0.25), ACCENT_DOWN][state]
        if kind.endswith("CLOSE") and state:
            bg = [(196, 43, 28), (232, 17, 35), (150, 20, 20)][state]
        for yy in range(size):
            for xx in range(size):
                m.put(x + xx, y + yy, bg if bg else KEY)
        c = WHITE if state else TEXT
        s, e = size // 4, size - size // 4
        if kind.endswith("CLOSE"):
            for k in range(s, e):
                m.put(x + k, y + k, c)
                m.put(x + k + 1, y + k, c)
                m.put(x + size - 1 - k, y + k, c)
                m.put(x + size - 2 - k, y + k, c)
        elif kind.endswith("MAX"):
            for k in range(s, e):
                m.put(x + k, y + s, c); m.put(x + k, y + s + 1, c); m.put(x + k, y + e - 1, c)
                m.put(x + s, y + k, c); m.put(x + e - 1, y + k, c)
        elif kind.endswith("NORM"):
            o = size // 8 + 1
            for k in range(s + o, e):
                m.put(x + k, y + s, c); m.put(x + e - 1, y + k - o, c)
            for k in range(s, e - o):
                m.put(x + k, y + s + o, c); m.put(x + k, y + e - 1, c)
                m.put(x + s, y + k + o, c); m.put(x + e - 1 - o, y + k + o, c)
        elif kind.endswith("MIN"):
            for k in range(s, e):
                m.put(x + k, y + e - 2, c); m.put(x + k, y + e - 1, c)
        else:  # help: a question mark
            for k in range(s + 1, e - 1):
                m.put(x + k, y + s, c)
            for k in range(s, s + size // 4):
                m.put(x + e - 2, y + k, c)
            m.put(x + size // 2, y + size // 2, c)
            m.put(x + size // 2, y + size // 2 + 1, c)
            m.put(x + size // 2, y + e - 1, c)
    for n, kind in enumerate(("BICONCLOSE", "BICONMAX", "BICONNORM", "BICONMIN", "BICONHELP")):
        for state in range(3):
            title_glyph(n * 63 + state * 21, 128, 21, kind, state)
        opts["GLOBALINFO." + kind] = at(n * 63, 128, n * 63 + 63, 149, 3, 0)
    opts["GLOBALINFO.BICLOSEALONE"] = opts["GLOBALINFO.BICONCLOSE"]
    for n, kind in enumerate(("SICONCLOSE", "SICONMAX", "SICONNORM", "SICONMIN", "SICONHELP")):
        for state in range(3):
            title_glyph(n * 45 + state * 15, 150, 15, kind, state)
        opts["GLOBALINFO." + kind] = at(n * 45, 150, n * 45 + 45, 165, 3, 0)
    # Tool and speed buttons: 3 rounded frames 20x20 at (0,170).
    for i, (b, t, bt) in enumerate(STATE_FILLS):
        if i == 0:
            m.rect(i * 20, 170, i * 20 + 20, 190, KEY)
        else:
            m.rounded(i * 20, 170, i * 20 + 20, 190, b, t, bt)
    # Flat in its normal state: frame 0 is all key colour and not painted (flag 2).
    opts["TOOLBUTTON.BORDERSMASK"] = hat(0, 170, 60, 190, 4, 4, 4, 4, 3, 0, 2, 0)
    # Group box caption band at (60,170).
    m.vgrad(60, 170, 76, 188, WHITE, FACE)
    opts["GROUPBOX.PATTERN"] = tilde(60, 170, 76, 188, 0, 0)
    draw_form_parts(m, opts)
    draw_small_controls(m, opts)
    draw_bars(m, opts)
    draw_button_glow(m, opts)
    draw_edit(m, opts)
    draw_combo(m, opts)
    draw_menus(m, opts)
    draw_frame(m, opts)
    draw_glow(m, opts)
    return m, opts


# Column headers of list views: COLHEADER_FILLS (see use_palette).


def draw_edit(m, opts):
    """Rows 256-287: the column header of list views (3 frames of 24x22 at
    (0,256): normal, hot, pressed; a frame line round a flat fill) and the
    even and odd row backgrounds of edits and grids."""
    for state, (border, fill) in enumerate(COLHEADER_FILLS):
        x = state * 24
        m.rect(x, 256, x + 24, 278, fill)
        m.frame(x, 256, x + 24, 278, border)
    opts["COLHEADER.BORDERSMASK"] = hat(0, 256, 72, 278, 3, 3, 3, 3, 3, 0, 0, 0)
    opts["GLOBALINFO.EDITBG_EVEN"] = str(tcolor(EDIT_BG))
    opts["GLOBALINFO.EDITBG_ODD"] = str(tcolor(mix(EDIT_BG, FACE, 0.6)))


def edit_sections(sec):
    """The column header of list views."""
    normal, hot = COLHEADER_FILLS[0][1], COLHEADER_FILLS[1][1]
    sec("COLHEADER", COLOR=tcolor(normal), FONTCOLOR=tcolor(TEXT), STATES=3, HOTCOLOR=tcolor(hot),
        HOTFONTCOLOR=tcolor(MARK))


def draw_menus(m, opts):
    """Rows 352-383: the menus' own pictures."""
    # Menu item: 2 frames 16x16 at (0,352). Frame 0 is all key colour and not
    # painted (a normal item shows the popup under it); frame 1, the selected
    # item, a rounded accent border around a flat fill of the hot colour.
    m.rect(0, 352, 16, 368, KEY)
    m.rounded(16, 352, 32, 368, ACCENT, MENU_HOT, MENU_HOT)
    opts["MENUITEM.BORDERSMASK"] = hat(0, 352, 32, 368, 3, 3, 3, 3, 2, 0, 2, 0)
    # Popup divider: a 2-pixel groove, 16 wide at (32,352), stretched along the item.
    m.rect(32, 352, 48, 353, LINE)
    m.rect(32, 353, 48, 354, WHITE)
    opts["DIVIDERV.BORDERSMASK"] = hat(32, 352, 48, 354, 0, 0, 0, 0, 1, 0, 0, 0)


def draw_form_parts(m, opts):
    """The skinned form's own parts: the user title-button glyph (3 frames of
    18x18 at (300,196): normal, hot, pressed)."""
    for state, (border, top, bottom) in enumerate(STATE_FILLS):
        x = 300 + state * 18
        if state == 0:
            m.rect(x, 196, x + 18, 214, KEY)
        else:
            m.rounded(x, 196, x + 18, 214, border, top, bottom, radius=2)
        for k in range(6, 12):   # a small bar, the glyph of a user button
            m.put(x + k, 204, TEXT)
            m.put(x + k, 205, TEXT)
    opts["GLOBALINFO.TITLEBUTTON"] = at(300, 196, 354, 214, 3, 0)

# ---------------------------------------------------------------- the form's frame
def frame_glyph(size, kind, state):
    """One caption-button picture (size x size) on the key colour, and its
    grey mask (0 where the picture shows, 255 where the title shows through)."""
    pic = Canvas(size, size)
    bg = [None, mix(ACCENT_HOT, WHITE, 0.25), ACCENT_DOWN][state]
    if kind.endswith("CLOSE") and state:
        bg = [None, (232, 17, 35), (150, 20, 20)][state]
    if bg:
        pic.rect(1, 1, size - 1, size - 1, bg)
        pic.frame(1, 1, size - 1, size - 1, mix(bg, WHITE, 0.3))
    c = ON_ACCENT
    s, e = size // 4 + 1, size - size // 4 - 1
    if kind.endswith("CLOSE"):
        for k in range(s, e):
            for (x, y) in ((k, k), (k + 1, k), (size - 1 - k, k), (size - 2 - k, k)):
                pic.put(x, y, c)
    elif kind.endswith("MAX"):
        for k in range(s, e):
            for (x, y) in ((k, s), (k, s + 1), (k, e - 1), (s, k), (e - 1, k)):
                pic.put(x, y, c)
    elif kind.endswith("NORM"):
        o = 2
        for k in range(s + o, e):
            pic.put(k, s, c)
            pic.put(e - 1, k - o, c)
        for k in range(s, e - o):
            for (x, y) in ((k, s + o), (k, e - 1), (s, k + o), (e - 1 - o, k + o)):
                pic.put(x, y, c)
    elif kind.endswith("MIN"):
        for k in range(s, e):
            pic.put(k, e - 2, c)
            pic.put(k, e - 1, c)
    elif kind.endswith("HELP"):
        for k in range(s + 1, e - 1):
            pic.put(k, s, c)
        for k in range(s, s + size // 4):
            pic.put(e - 2, k, c)
        for k in (size // 2, size // 2 + 1, e - 1):
            pic.put(size // 2, k, c)
    else:  # a user button: a short bar
        for k in range(s + 1, e - 1):
            pic.put(k, size // 2, TEXT if not state else WHITE)
            pic.put(k, size // 2 + 1, TEXT if not state else WHITE)
    mask = [[(0, 0, 0) if pic.px[y][x] != KEY else (255, 255, 255) for x in range(size)] for y in range(size)]
    return pic, mask


def draw_frame(m, opts):
    """The skinned form's frame, rows 384-447: the big caption buttons (3
    frames each: normal, hot, pressed; the key colour lets the title show
    through; an inactive form or a disabled button shows them half-blended),
    and the user title button the same way."""
    def place(kind, x0, y0, size):
        for state in range(3):
            pic, _ = frame_glyph(size, kind, state)
            for y in range(size):
                for x in range(size):
                    m.put(x0 + state * size + x, y0 + y, pic.px[y][x])
        return at(x0, y0, x0 + 3 * size, y0 + size, 3, 0)
    for n, kind in enumerate(("BICONCLOSE", "BICONMAX", "BICONNORM", "BICONMIN", "BICONHELP")):
        opts["GLOBALINFO." + kind] = place(kind, n * 63, 384, 21)
    opts["GLOBALINFO.BICLOSEALONE"] = opts["GLOBALINFO.BICONCLOSE"]
    opts["GLOBALINFO.TITLEBUTTON"] = place("TITLEBUTTON", 315, 384, 18)
    # The frame's values.
    for key, value in (("CENTEROFFSET", "0"), ("BORDERMODE", "0"), ("BILEFT", "2"), ("BIVALIGN", "0")):
        opts["GLOBALINFO." + key] = value


def frame_sections(sec):
    """The title's colours: white text when active, a paler one when not."""
    sec("FORMTITLE", FONTCOLOR=tcolor(mix(ON_ACCENT, ACCENT, 0.45)), HOTFONTCOLOR=tcolor(ON_ACCENT))


# ---------------------------------------------------------------- small controls
def draw_small_controls(m, opts):
    """Up-down buttons and the track bar, in the master bitmap from row 200.

    The up-down control's arrows are the glyphs of the scroll buttons
    (SCROLLBTNTOP/BOTTOM/LEFT/RIGHT GLYPHMASK); the size grip is GLOBALINFO's
    GRIPIMAGE. Nothing here has a mask of its own for them."""
    # Up-down button border: 3 rounded frames 14x14 at (0,200).
    for i, (b, t, bt) in enumerate(STATE_FILLS):
        m.rounded(i * 14, 200, i * 14 + 14, 214, b, t, bt)
    opts["UPDOWNBTN.BORDERSMASK"] = hat(0, 200, 42, 214, 3, 3, 3, 3, 3, 0, 0, 0)
    # Track-bar channel: 2 frames 12x6 (normal, hot) at (48,200), a sunken groove.
    for i, c in enumerate((LINE, ACCENT_HOT)):
        x = 48 + i * 12
        m.rect(x, 200, x + 12, 206, FACE_DARK)
        m.frame(x, 200, x + 12, 206, c)
        m.rect(x + 1, 204, x + 11, 205, WHITE)
    opts["TRACKBAR.SLIDERCHANNEL"] = hat(48, 200, 72, 206, 2, 2, 2, 2, 2, 0, 0, 0)
    # Thumbs: 3 frames (normal, pressed, hot) 11x21 pointing down at (80,200);
    # 21x11 pointing right at (120,200).
    for i, (b, t, bt) in enumerate(STATE_FILLS):
        x = 80 + i * 11
        m.rect(x, 200, x + 11, 221, KEY)
        for yy in range(21):
            half = 5 if yy < 16 else 5 - (yy - 15)
            for xx in range(5 - half, 6 + half):
                edge = xx in (5 - half, 5 + half) or yy == 0
                m.put(x + xx, 200 + yy, b if edge else mix(t, bt, yy / 20))
        y = 200
        x = 120 + i * 21
        m.rect(x, y, x + 21, y + 11, KEY)
        for xx in range(21):
            half = 5 if xx < 16 else 5 - (xx - 15)
            for yy in range(5 - half, 6 + half):
                edge = yy in (5 - half, 5 + half) or xx == 0
                m.put(x + xx, y + yy, b if edge else mix(t, bt, xx / 20))
    opts["TRACKBAR.SLIDERMASK"] = at(80, 200, 113, 221, 3, 0)
    opts["TRACKBAR.SLIDERVMASK"] = at(120, 200, 183, 211, 3, 0)
    # Ticks: 2 frames (normal, pressed) 1x4 at (190,200) and 4x1 at (196,200).
    m.rect(190, 200, 191, 204, LINE_DARK)
    m.rect(191, 200, 192, 204, ACCENT)
    m.rect(196, 200, 200, 201, LINE_DARK)
    m.rect(200, 200, 204, 201, ACCENT)
    opts["TRACKBAR.TICKHORZ"] = at(190, 200, 192, 204, 2, 0)
    opts["TRACKBAR.TICKVERT"] = at(196, 200, 204, 201, 2, 0)


def small_control_sections(sec, face, text, white):
    # Push buttons show a dotted focus frame around their caption.
    sec("BUTTON", SHOWFOCUS=1)
    sec("UPDOWNBTN", COLOR=face, FONTCOLOR=text, STATES=3, HOTCOLOR=white, HOTFONTCOLOR=text)
    sec("TRACKBAR", COLOR=face, FONTCOLOR=text, STATES=1, TRANSPARENCY=100)


# ---- Containers, bars and tabs: their frames, panel mask and divider (own block).
def draw_bars(m, opts):
    """Masks of the page frame, the bar divider and the status-bar panel, drawn
    into the free band of the master bitmap from row 226."""
    # Page frame (1 frame 24x24 at (0,226)): white page inside a line.
    m.rect(0, 226, 24, 250, WHITE)
    m.frame(0, 226, 24, 250, LINE)
    opts["PAGECONTROL.BORDERSMASK"] = hat(0, 226, 24, 250, 3, 3, 3, 3, 1, 0, 0, 0)
    # Divider (1 frame 4x16 at (30,226)): a dark line with a light one beside it.
    m.rect(30, 226, 34, 242, KEY)
    m.rect(31, 226, 32, 242, LINE)
    m.rect(32, 226, 33, 242, WHITE)
    opts["DIVIDER.BORDERSMASK"] = hat(30, 226, 34, 242, 0, 4, 0, 4, 1, 0, 0, 0)
    # Status panel (1 frame 12x12 at (40,226)): a line round a see-through middle.
    m.rect(40, 226, 52, 238, KEY)
    m.frame(40, 226, 52, 238, LINE)
    opts["STATUSBAR.STATUSPANELMASK"] = hat(40, 226, 52, 238, 1, 1, 1, 1, 1, 0, 0, 0)


# ---- The push button's glow (own block).
def draw_button_glow(m, opts):
    """The halo round a hot push button: 1 frame 24x24 at (220,216), rings that
    fade from the accent next to the button to the face colour outside, a
    see-through middle."""
    m.rect(220, 216, 244, 240, KEY)
    for d in range(6):
        colour = mix(FACE, ACCENT_HOT, (d + 1) / 6)
        m.frame(220 + d, 216 + d, 244 - d, 240 - d, colour)
    opts["BUTTON.GLOW0"] = hat(220, 216, 244, 240, 6, 6, 6, 6, 1, 0, 0, 0)


# ---- Combo boxes (own block, rows 320-351).
def draw_combo(m, opts):
    """The combo box's drop glyph: 3 frames 12x12 (normal, hot, pressed) at
    (0,320), a filled triangle pointing down, see-through round it."""
    m.rect(0, 320, 36, 332, KEY)
    for i, c in enumerate((LINE_DARK, ACCENT, ACCENT_DOWN)):
        x0 = i * 12
        for k in range(4):   # rows of 7, 5, 3 and 1 pixels
            m.rect(x0 + 2 + k, 320 + 4 + k, x0 + 9 - k, 320 + 5 + k, c)
    opts["COMBOBOX.GLYPHMASK"] = at(0, 320, 36, 332, 3, 0)


def bar_sections(sec):
    """Sections of containers, bars and tabs that the shared list above lacks."""
    face = tcolor(FACE)
    sec("DIVIDER", COLOR=face, STATES=1, TRANSPARENCY=100)
    for s in ("PAGECONTROLBOTTOM", "PAGECONTROLLEFT", "PAGECONTROLRIGHT"):
        sec(s, PARENTCLASS="PAGECONTROL")


def menus_sections(sec):
    # Normal items show the popup (background and icon column) through.
    sec("MENUITEM", TRANSPARENCY=100, HOTTRANSPARENCY=0, HOTCOLOR=tcolor(MENU_HOT))
    # The optional vertical line on the left of popups.
    sec("EXTRALINE", COLOR=tcolor(ACCENT), FONTCOLOR=tcolor(ON_ACCENT), STATES=1)


def draw_button_png():
    """Push button: 3 frames 30x26 with anti-aliased rounded corners (alpha)."""
    w, h, r = 30, 26, 4.0
    c = Canvas(90, 26, fill=(0, 0, 0, 0), alpha=True)
    for i, (b, t, bt) in enumerate(STATE_FILLS):
        for y in range(h):
            for x in range(w):
                # distance outside the rounded rectangle
                cx = min(max(x + 0.5, r), w - r)
                cy = min(max(y + 0.5, r), h - r)
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy) - r
                cover = max(0.0, min(1.0, 0.5 - d))
                if cover <= 0:
                    continue
                inner = d < -1.0
                col = mix(t, bt, y / (h - 1)) if inner else b
                if inner and y == 1:
                    col = mix(col, WHITE, 0.6)
                c.px[y][i * w + x] = col + (int(round(cover * 255)),)
    return c


def draw_shadow_png():
    """Window shadow: 2 frames (inactive, active) 40x40, soft ring 12 px wide."""
    s, ring = 40, 12
    c = Canvas(80, 40, fill=(0, 0, 0, 0), alpha=True)
    for f, strength in enumerate((70, 110)):
        for y in range(s):
            for x in range(s):
                dx = max(ring - x, 0, x - (s - 1 - ring))
                dy = max(ring - y, 0, y - (s - 1 - ring))
                d = math.hypot(dx, dy)
                if d == 0:
                    continue
                a = max(0.0, 1 - d / ring) ** 2 * strength
                c.px[y][f * s + x] = (0, 0, 0, int(round(a)))
    return c


# ---- The caption buttons' glow (own block: its PNG files with alpha; rows 448-511 of the master stay free).
GLOW_SIZE, GLOW_MARGIN = 21, 6
def glow_kinds():
    """The glowing caption buttons, their glow pictures and colours (the accent
    is the palette's, so this is asked after the palette is chosen)."""
    return (("BICONCLOSE", "GLOWCLOSE.PNG", (232, 17, 35)),
            ("BICONMAX", "GLOWMAX.PNG", ACCENT_HOT),
            ("BICONNORM", "GLOWMAX.PNG", ACCENT_HOT),
            ("BICONMIN", "GLOWMIN.PNG", ACCENT_HOT))


def glow_png(colour):
    """A halo round a hot caption button: the button's size plus the margin on
    every side, the colour fading out from the button's edge, clear inside."""
    s = GLOW_SIZE + 2 * GLOW_MARGIN
    c = Canvas(s, s, fill=(0, 0, 0, 0), alpha=True)
    lo, hi = GLOW_MARGIN, s - 1 - GLOW_MARGIN
    for y in range(s):
        for x in range(s):
            d = math.hypot(max(lo - x, 0, x - hi), max(lo - y, 0, y - hi))
            if d == 0 or d > GLOW_MARGIN:
                continue
            a = (1 - d / (GLOW_MARGIN + 1)) ** 1.5 * 200
            c.px[y][x] = tuple(colour) + (int(round(a)),)
    return c


def glow_pngs():
    return {name: glow_png(colour) for _, name, colour in glow_kinds()}


def draw_glow(m, opts):
    """The glow masks of the close, maximise, restore and minimise buttons
    (1 frame each, nine parts with the margin as corners) and their sizes."""
    for kind, name, _ in glow_kinds():
        opts["GLOBALINFO." + kind + "GLOW0"] = "!%s!1!0!0!%d!%d!%d!%d!1" % ((name,) + (GLOW_MARGIN,) * 4)
    for kind in ("BICONCLOSE", "BICONMAX", "BICONMIN"):
        opts["GLOBALINFO." + kind + "GLOW"] = str(GLOW_SIZE + 2 * GLOW_MARGIN)
        opts["GLOBALINFO." + kind + "GLOWMARGIN"] = str(GLOW_MARGIN)


def draw_oldgroup_bmp():
    """Group box frame in the old form: 3 frames 24x24 over a grey mask row."""
    c = Canvas(72, 48)
    for i, col in enumerate((LINE, ACCENT_HOT, mix(LINE, FACE, 0.5))):
        x = i * 24
        c.rect(x, 0, x + 24, 24, KEY)
        c.frame(x + 1, 1, x + 23, 23, col)
        c.frame(x + 2, 2, x + 22, 22, WHITE)
        # Grey mask: black where the frame lines show, white where what lies
        # under the frame stays.
        c.rect(x, 24, x + 24, 48, (255, 255, 255))
        c.frame(x + 1, 25, x + 23, 47, (0, 0, 0))
        c.frame(x + 2, 26, x + 22, 46, (0, 0, 0))
    return c


def draw_slider_bmp():
    """Scroll slider, a separate 24-bit file: 3 frames 16x16 with a grip."""
    c = Canvas(48, 16)
    for i, (b, t, bt) in enumerate(STATE_FILLS):
        c.rounded(i * 16, 0, i * 16 + 16, 16, b, t, bt)
        for k in (5, 8, 11):
            c.rect(i * 16 + 4, k - 1, i * 16 + 12, k, b)
    return c


def jpeg(canvas, path, quality=90):
    ppm = path + ".ppm"
    with open(ppm, "wb") as f:
        f.write(canvas.ppm())
    try:
        subprocess.run(["/usr/bin/convert", ppm, "-strip", "-quality", str(quality), path], check=True)
    finally:
        os.remove(ppm)


def draw_toolbar_jpg():
    c = Canvas(64, 32, fill=FACE)
    c.vgrad(0, 0, 64, 32, WHITE, FACE_DARK)
    return c


def draw_form_jpg():
    """A large, quiet form background: stays in the pattern table (>= 900,000 px)."""
    w, h = 1000, 900
    c = Canvas(w, h, fill=FACE)
    for y in range(h):
        row = c.px[y]
        for x in range(w):
            t = (x / w) * 0.35 + (y / h) * 0.65
            row[x] = mix(FORM_LIGHT, FORM_SHADE, t)
    return c


def options(opts):
    g = {
        "VERSION": "8.50",
        "AUTHOR": "Talvera team",
        "DESCRIPTION": DESCRIPTION,
        "MASTERBITMAP": "MASTER.BMP",
        "BORDERWIDTH": "4",
        "TITLEHEIGHT": "26",
        "MAXHEIGHT": "24",
        "FORMOFFSET": "4",
        "COLOR": str(tcolor(FACE)),
        "FONTCOLOR": str(tcolor(TEXT)),
        "TCTOP": "-1",
        "TCBOTTOM": "-1",
        "BORDERCOLOR": str(tcolor(LINE)),
        "SHADOW1COLOR": "0",
        "SHADOW1OFFSET": "0",
        "SHADOW1BLUR": "-1",
        "SHADOW1TRANSPARENCY": "0",
        "BISPACE": "1",
        "BITOP": "2",
        "BIRIGHT": "4",
        "BIKEEPHUE": "2",
        "EDITTEXT_ALERT": str(tcolor((200, 30, 30))),
        "EDITBG_ALERT": str(tcolor((255, 226, 226))),
        "EXBORDER": "!SHADOW.PNG!2!0!0!12!12!12!12!1",
    }
    sections = {}

    def sec(name, **kv):
        sections.setdefault(name, {}).update({k: str(v) for k, v in kv.items()})

    face, text = tcolor(FACE), tcolor(TEXT)
    white, accent = tcolor(WHITE), tcolor(ACCENT)
    btn_grad = "%d;%d;100;0;0" % (tcolor(WHITE), tcolor(FACE_DARK))
    hot_grad = "%d;%d;100;0;0" % (tcolor(WHITE), tcolor(mix(FACE, ACCENT_HOT, 0.25)))
    sec("FORM", COLOR=face, FONTCOLOR=text, IMAGEPERCENT=100, PATTERN="FORM.JPG", STATES=1)
    on_accent = tcolor(ON_ACCENT)
    sec("FORMTITLE", COLOR=accent, FONTCOLOR=on_accent, STATES=2, HOTCOLOR=tcolor(ACCENT_HOT), HOTFONTCOLOR=on_accent,
        IMAGEPERCENT=100, TCBOTTOM=tcolor(ACCENT_DOWN))
    sec("CAPTION", PARENTCLASS="FORMTITLE")
    sec("DIALOG", PARENTCLASS="FORM", IMAGEPERCENT=0)
    sec("BUTTON", COLOR=face, FONTCOLOR=text, STATES=3, HOTCOLOR=white, HOTFONTCOLOR=tcolor(MARK),
        GRADIENTPERCENT=100, GRADIENTDATA=btn_grad, HOTGRADIENTPERCENT=100, HOTGRADIENTDATA=hot_grad,
        GLOW=3, GLOWMARGIN=2, GCOL=tcolor(ACCENT_HOT), HGCOL=tcolor(ACCENT_HOT), GSIZE=3, HGSIZE=3,
        FADINGENABLED=1, FADINGITERATIONS=5, BORDERSMASK="!BUTTON.PNG!3!0!0!6!6!6!6!1")
    sec("BUTTON_HUGE", PARENTCLASS="BUTTON")
    sec("SPEEDBUTTON", PARENTCLASS="TOOLBUTTON")
    sec("SPEEDBUTTON_SMALL", PARENTCLASS="TOOLBUTTON")
    sec("TOOLBUTTON", COLOR=face, FONTCOLOR=text, STATES=3, HOTCOLOR=white, HOTFONTCOLOR=text, TRANSPARENCY=100,
        HOTTRANSPARENCY=0)
    # Check boxes, radio buttons and statics show their parent through and have no frame of their own.
    sec("CHECKBOX", FONTCOLOR=text, STATES=3, HOTCOLOR=white, HOTFONTCOLOR=tcolor(MARK), TRANSPARENCY=100,
        HOTTRANSPARENCY=100, COLOR=face, GLOW=0)
    sec("EDIT", COLOR=tcolor(EDIT_BG), FONTCOLOR=text, STATES=3, HOTCOLOR=white, HOTFONTCOLOR=text)
    sec("COMBOBOX", PARENTCLASS="EDIT", GLYPHMASK=opts["SCROLLBTNBOTTOM.GLYPHMASK"])
    sec("COMBOBTN", COLOR=face, STATES=3, HOTCOLOR=white)
    sec("SCROLLBAR1V", COLOR=tcolor(FACE_DARK), STATES=1)
    sec("SCROLLBAR1H", PARENTCLASS="SCROLLBAR1V")
    sec("SCROLLBAR2V", PARENTCLASS="SCROLLBAR1V", COLOR=tcolor(mix(FACE_DARK, LINE, 0.2)))
    sec("SCROLLBAR2H", PARENTCLASS="SCROLLBAR1H", COLOR=tcolor(mix(FACE_DARK, LINE, 0.2)))
    sec("SCROLLBTNTOP", COLOR=face, STATES=3, HOTCOLOR=white)
    for s in ("SCROLLBTNBOTTOM", "SCROLLBTNLEFT", "SCROLLBTNRIGHT"):
        sec(s, PARENTCLASS="SCROLLBTNTOP")
    sec("SCROLLSLIDERV", COLOR=face, STATES=3, HOTCOLOR=white, BORDERSMASK="!SLIDER.BMP!3!0!0!5!5!5!5!1")
    sec("SCROLLSLIDERH", PARENTCLASS="SCROLLSLIDERV")
    sec("PANEL", COLOR=face, FONTCOLOR=text, STATES=1)
    sec("PANEL_LOW", PARENTCLASS="PANEL", COLOR=tcolor(FACE_DARK))
    sec("GROUPBOX", PARENTCLASS="PANEL", TRANSPARENCY=100, BORDERSMASK="OLDGROUP.BMP")
    sec("TOOLBAR", PARENTCLASS="PANEL", IMAGEPERCENT=100, PATTERN="TOOLBAR.JPG")
    sec("STATUSBAR", PARENTCLASS="TOOLBAR")
    sec("PAGECONTROL", COLOR=white, FONTCOLOR=text, STATES=1)
    sec("TABSHEET", PARENTCLASS="PAGECONTROL")
    sec("TABTOP", COLOR=face, FONTCOLOR=text, STATES=3, HOTCOLOR=white, HOTFONTCOLOR=tcolor(MARK))
    for s in ("TABBOTTOM", "TABLEFT", "TABRIGHT"):
        sec(s, PARENTCLASS="TABTOP")
    sec("MAINMENU", COLOR=face, FONTCOLOR=text, STATES=1)
    sec("MENUITEM", COLOR=white, FONTCOLOR=text, STATES=2, HOTCOLOR=tcolor(mix(WHITE, ACCENT_HOT, 0.35)),
        HOTFONTCOLOR=tcolor(MARK))
    sec("MENULINE", PARENTCLASS="MAINMENU")
    sec("MENUCAPTION", COLOR=tcolor(FACE_DARK), FONTCOLOR=tcolor(LINE_DARK), STATES=1)
    sec("ICOLINE", COLOR=tcolor(FACE), STATES=1)
    sec("DIVIDERV", COLOR=face, STATES=1)
    sec("SELECTION", COLOR=accent, FONTCOLOR=on_accent, STATES=2, HOTCOLOR=tcolor(ACCENT_HOT),
        HOTFONTCOLOR=on_accent)
    sec("WEBBUTTON", PARENTCLASS="BUTTON", TRANSPARENCY=100)
    sec("BAR", PARENTCLASS="PANEL")
    sec("BARTITLE", PARENTCLASS="FORMTITLE")
    # The skinned form: the dialog's title follows the form's.
    sec("DIALOGTITLE", PARENTCLASS="FORMTITLE")
    small_control_sections(sec, face, text, white)
    bar_sections(sec)
    edit_sections(sec)
    menus_sections(sec)
    frame_sections(sec)
    for key, value in opts.items():
        s, k = key.split(".")
        if s == "GLOBALINFO":
            g[k] = value
        else:
            sec(s, **{k: value})
    # The title bar's items (after every other section, so the others keep their numbers):
    # buttons and tabs look as the tool buttons and tabs do, the menu button is a plate
    # of the dark accent that lightens under the mouse.
    sec("TB_BTN", PARENTCLASS="TOOLBUTTON")
    sec("TB_MENUBTN", COLOR=tcolor(ACCENT_DOWN), FONTCOLOR=on_accent, STATES=3,
        HOTCOLOR=tcolor(mix(ACCENT_DOWN, ON_ACCENT, 0.25)), HOTFONTCOLOR=on_accent)
    sec("TB_TAB", PARENTCLASS="TABTOP")
    lines = ["[GLOBALINFO]"] + ["%s=%s" % kv for kv in g.items()]
    for name, kv in sections.items():
        lines += ["", "[%s]" % name] + ["%s=%s" % item for item in kv.items()]
    return "\r\n".join(lines) + "\r\n"


def main():
    """make_sample_skin.py [--palette light|dark] [--out FOLDER]: the light
    palette draws skins/Slate, the dark one skins/Graphite by default."""
    import argparse
    ap = argparse.ArgumentParser(description="Draws a sample skin.")
    ap.add_argument("--palette", choices=sorted(PALETTES), default="light")
    ap.add_argument("--out", help="output folder (default: skins/<the palette's skin name>)")
    args = ap.parse_args()
    use_palette(args.palette)
    out = args.out or os.path.join(HERE, NAME)
    os.makedirs(out, exist_ok=True)
    master, opts = draw_master()
    files = {
        "MASTER.BMP": master.bmp(),
        "BUTTON.PNG": draw_button_png().png(),
        "SHADOW.PNG": draw_shadow_png().png(),
        **{name: c.png() for name, c in glow_pngs().items()},
        "OLDGROUP.BMP": draw_oldgroup_bmp().bmp(),
        "SLIDER.BMP": draw_slider_bmp().bmp(),
        "Options.dat": options(opts).encode("ascii"),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    jpeg(draw_toolbar_jpg(), os.path.join(out, "TOOLBAR.JPG"))
    jpeg(draw_form_jpg(), os.path.join(out, "FORM.JPG"), quality=85)
    print("wrote", out)


if __name__ == "__main__":
    sys.exit(main())
