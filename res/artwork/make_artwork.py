#!/usr/bin/env python3
"""Draws the bitmaps of Talmoris and Quorvin.

    make_artwork.py OUTDIR [--sheet sheet.png]

writes OUTDIR/talmoris/NAME.bmp and OUTDIR/quorvin/NAME.bmp for every
picture listed in res/talmoris.rc and res/quorvin.rc; --sheet also writes a
PNG contact sheet of all pictures for review.  Every rule the programs rely
on (sizes, depths, key pixels, button shapes) is checked before anything is
written.
"""

import functools
import os
import sys

sys.dont_write_bytecode = True  # runs from the source tree: leave no __pycache__ there
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import bmp  # noqa: E402
import icons  # noqa: E402
from pixel_font import BOLD, SMALL  # noqa: E402
from raster import Canvas, Rect, RoundRect, Stroke, mask, mix, outline, vgrad  # noqa: E402

# --- colours ----------------------------------------------------------------

BLACK = (0, 0, 0)            # only where a window region is cut away
WHITE = (255, 255, 255)
CAPTION_WHITE = (250, 252, 255)  # not WHITE: it would drop out of buttons on white pages
KEY = (255, 0, 255)          # transparent colour of glyphs, tabs, badges
BRAND = (38, 70, 130)
TOOLBAR_BAND = (232, 236, 244)
MB_BODY = (246, 247, 250)    # message box and add-guard dialog body
MB_FRAME = (27, 50, 94)      # 1-px frame round those windows
CAPTION_BAND = (226, 234, 247)  # light: the windows write their captions on it in BRAND
CAPTION_ACCENT = BRAND
CAPTION_FADE = (212, 222, 240)
QUORVIN_BODY = (255, 253, 219)
QUORVIN_BAND_TOP = (255, 255, 255)
QUORVIN_BAND_BOTTOM = (255, 242, 178)

CUT_PICTURES = {"MB_CAPTION", "MB_BOTTOM", "MB_PATTERN", "MB_ADDFREEZE", "BM_MAIN"}


class Picture:
    def __init__(self, folder, name, bits, rows, shape=None):
        self.folder, self.name, self.bits, self.shape = folder, name, bits, shape
        self.rows = bmp.fit_palette(rows, bits) if bits <= 8 else rows
        self.w, self.h = len(rows[0]), len(rows)

    def __getitem__(self, xy):
        return self.rows[xy[1]][xy[0]]


# --- buttons ----------------------------------------------------------------

# shape map name -> (width, height, corner radius)
SHAPES = {
    "BM_COORD": (100, 27, 5),
    "BM_SMALLCOORD": (59, 22, 4),
    "BM_TBCOORD": (73, 57, 6),
    "BM_CLOSECOORD": (20, 20, 4),
}


class Style:
    def __init__(self, top, bottom, border, text, shine=None, grey=False):
        self.top, self.bottom, self.border, self.text = top, bottom, border, text
        self.shine, self.grey = shine, grey


STATES = "UODI"  # normal, hot, pressed, disabled

# page and dialog buttons: light captions on a blue gradient with a shine line
BLUE = {
    "U": Style((80, 120, 192), (46, 82, 148), (30, 56, 106), CAPTION_WHITE, shine=(126, 160, 216)),
    "O": Style((106, 148, 218), (64, 106, 178), (38, 70, 130), CAPTION_WHITE, shine=(160, 192, 240)),
    "D": Style((34, 62, 116), (50, 86, 152), (22, 42, 82), (232, 238, 248)),
    "I": Style((228, 230, 235), (208, 211, 218), (170, 174, 184), (150, 154, 164),
               shine=(242, 243, 246)),
}

# toolbar: flat tiles that light up when hot
TILE = {
    "U": Style((252, 253, 255), (240, 244, 250), (204, 212, 228), BRAND),
    "O": Style((240, 246, 255), (210, 226, 250), (112, 148, 210), BRAND, shine=WHITE),
    "D": Style((194, 210, 238), (214, 226, 246), (84, 118, 182), BRAND),
    "I": Style((242, 244, 248), (236, 238, 243), (214, 218, 226), (162, 166, 176), grey=True),
}

# close and to-tray: small light tiles on the caption band
CAPTION_BUTTON = {
    "U": Style((244, 247, 253), (214, 224, 242), (150, 170, 205), BRAND),
    "O": Style((255, 255, 255), (232, 240, 252), (90, 125, 190), BRAND, shine=WHITE),
    "D": Style((184, 202, 232), (204, 218, 240), (60, 92, 150), (22, 42, 82)),
    "I": Style((236, 238, 242), (224, 227, 233), (196, 200, 210), (160, 164, 174)),
}

PAGE_BUTTONS = [
    ("ABORT", "Abort"), ("BACK", "Back"), ("BACKUPLOG", "Backup log"),
    ("BYDOMAIN", "By domain"), ("BYFILE", "By file"), ("CLEARLOG", "Clear log"),
    ("COLLECT", "Collect"), ("DELETEGUARD", "Delete guard"), ("EDITGUARD", "Edit guard"),
    ("ERASE", "Erase"), ("FINISH", "Finish"), ("MARKALL", "Mark all"),
    ("NEWGUARD", "New guard"), ("NEXT", "Next"), ("REMOVE", "Remove"),
    ("RESTORE", "Restore"), ("SAVESETTINGS", "Save settings"), ("SHOWHELP", "Show help"),
    ("STARTSCAN", "Start scan"),
]
SMALL_BUTTONS = [("SCANCEL", "Cancel"), ("SNO", "No"), ("SOK", "OK"), ("SYES", "Yes")]
QUORVIN_BUTTONS = [("SYES", "Yes"), ("SNO", "No")]
TOOLBAR_BUTTONS = [
    ("TBSTARTGUARD", "Start guard", icons.start_guard),
    ("TBSTOPGUARD", "Stop guard", icons.stop_guard),
    ("TBSECLIST", "Guards", icons.guards),
    ("TBLOG", "Events", icons.events),
    ("TBSCAN", "Scan", icons.scan),
    ("TBSETT", "Settings", icons.settings),
    ("TBHELP", "Help", icons.help_icon),
    ("TBREG", "Registry", icons.registry),
]


@functools.lru_cache(maxsize=None)
def button_masks(shape):
    w, h, r = SHAPES[shape]
    outer = mask(RoundRect(0, 0, w, h, r), w, h)
    inner = mask(RoundRect(1, 1, w - 1, h - 1, r - 1), w, h)
    shine = mask(RoundRect(1, 1, w - 1, h - 1, r - 1) & Rect(0, 1, w, 2), w, h)
    return outer, inner, shine


def button(shape, outside, style, content, pressed):
    """A rounded button on `outside`; content(canvas, dx, dy, style) draws its
    caption or icon, moved 1 px down-right when pressed."""
    w, h, _ = SHAPES[shape]
    outer, inner, shine = button_masks(shape)
    c = Canvas(w, h, outside)
    c.paint(outer, style.border)
    c.paint(inner, vgrad(1, h - 2, style.top, style.bottom))
    if style.shine:
        c.paint(shine, style.shine)
    d = 1 if pressed else 0
    content(c, d, d, style)
    rows = c.rows()
    for y in range(h):
        for x in range(w):
            if (x, y) not in outer.cov:
                rows[y][x] = outside
    return rows


def caption(text, font=BOLD):
    def draw(c, dx, dy, style):
        font.draw(c, text, (c.w - font.width(text)) // 2 + dx, (c.h - font.cap) // 2 + dy, style.text)
    return draw


def greyed(colour):
    """Disabled icons: light grey of the same lightness order."""
    lum = 0.30 * colour[0] + 0.59 * colour[1] + 0.11 * colour[2]
    return (150 + lum * 0.38,) * 3


def toolbar_content(text, icon):
    layer = icon()

    def draw(c, dx, dy, style):  # icon in rows 7..34, caption's cap line at 40
        c.draw(layer, (c.w - icons.ICON) // 2 + dx, 7 + dy, greyed if style.grey else None)
        SMALL.draw(c, text, (c.w - SMALL.width(text)) // 2 + dx, 40 + dy, style.text)
    return draw


def mark(*strokes):
    def draw(c, dx, dy, style):
        for s in strokes:
            c.paint(mask(s, c.w, c.h), style.text, dx=dx, dy=dy)
    return draw


CLOSE_MARK = mark(Stroke([(6.5, 6.5), (13.5, 13.5)], 2.2), Stroke([(13.5, 6.5), (6.5, 13.5)], 2.2))
TOTRAY_MARK = mark(Stroke([(6.5, 6.5), (10, 10), (13.5, 6.5)], 2.2), Rect(5, 13, 15, 15))


def family(folder, skin, shape, outside, styles, content):
    return [Picture(folder, "BM_%s_%s" % (skin, s), 24,
                    button(shape, outside, styles[s], content, s == "D"), shape) for s in STATES]


def shape_map(folder, shape):
    w, h, _ = SHAPES[shape]
    outer = button_masks(shape)[0]
    return Picture(folder, shape, 4, [[BRAND if (x, y) in outer.cov else WHITE for x in range(w)]
                                      for y in range(h)])


# --- small glyphs -----------------------------------------------------------

def check_box(kind):
    c = Canvas(19, 14, KEY)
    box = {(x, y) for x in range(1, 14) for y in range(1, 14)} - {(1, 1), (13, 1), (1, 13), (13, 13)}
    for x, y in box:
        c.set(x, y, (124, 140, 170) if x in (1, 13) or y in (1, 13) else WHITE)
    if kind == "CHECKED":
        c.paint(mask(Stroke([(4.6, 7.6), (6.9, 9.9), (11.0, 4.6)], 3.0), 19, 14).levels(3), BRAND)
    elif kind == "GRAYED":
        c.fill_rect(4, 4, 11, 11, (146, 162, 194))
    return c.rows()


def frame(shape, w, h):
    """Inside and outline pixels of a crisp shape, judged past the picture's
    edges so a shape running on beyond them gets no outline there."""
    inside = {(x, y) for y in range(-1, h + 1) for x in range(-1, w + 1)
              if shape.contains(x + 0.5, y + 0.5)}
    edge = outline(inside)
    picture = {(x, y) for y in range(h) for x in range(w)}
    return inside & picture, edge & picture


def tab(selected):
    w, h = 47, 22
    inside, edge = frame(RoundRect(1, 0, w - 1, h + 6, 4), w, h)
    c = Canvas(w, h, KEY)
    if selected:
        fill = vgrad(2, h - 1, (200, 216, 240), WHITE)
        for x, y in inside:
            accent = y <= 1 or ((x, y) in edge and y <= 4)
            c.set(x, y, BRAND if accent else (126, 150, 196) if (x, y) in edge else fill(x, y))
    else:
        fill = vgrad(1, h - 2, WHITE, (240, 243, 248))
        for x, y in inside:
            c.set(x, y, (170, 180, 200) if (x, y) in edge or y == h - 1 else fill(x, y))
    return c.rows()


def scroll_strip():
    c = Canvas(80, 17, KEY)
    for i in range(5):
        x0 = i * 16
        pressed = i in (1, 3)
        if i == 4:
            border, fill = (150, 166, 198), vgrad(1, 15, (222, 230, 244), (200, 212, 232))
        elif pressed:
            border, fill = (142, 164, 208), vgrad(1, 15, (200, 214, 238), (216, 226, 244))
        else:
            border, fill = (196, 204, 220), vgrad(1, 15, (248, 249, 252), (232, 236, 244))
        for y in range(17):
            for x in range(16):
                if (x in (0, 15)) and (y in (0, 16)):
                    continue  # rounded corner: key colour
                c.set(x0 + x, y, border if x in (0, 15) or y in (0, 16) else fill(x, y))
        d = 1 if pressed else 0
        if i == 4:
            for y in (6, 8, 10):
                c.fill_rect(x0 + 5, y, x0 + 11, y + 1, (120, 140, 182))
        else:
            up = i < 2
            for row in range(4):
                half = row + 1
                y = 7 + (row if up else 3 - row) + d
                c.fill_rect(x0 + 8 - half + d, y, x0 + 8 + half + d, y + 1, BRAND)
    return c.rows()


def drop_button(pressed):
    """The combo box's drop button: drawn as it is, beside the field."""
    w, h = 15, 17
    c = Canvas(w, h, WHITE)
    top, bottom = ((196, 212, 238), (214, 226, 246)) if pressed else ((248, 250, 254), (224, 231, 244))
    c.fill_rect(0, 0, w, h, vgrad(0, h - 1, top, bottom))
    for x in range(w):
        c.set(x, 0, (150, 170, 205))
        c.set(x, h - 1, (150, 170, 205))
    for y in range(h):
        c.set(0, y, (150, 170, 205))
        c.set(w - 1, y, (150, 170, 205))
    d = 1 if pressed else 0
    for row in range(4):  # a chevron pointing down
        c.fill_rect(3 + row + d, 6 + row + d, w - 3 - row + d, 7 + row + d, BRAND)
    return c.rows()


def badge(layer, background):
    c = Canvas(layer.w, layer.h, background)
    c.draw(layer)
    rows = c.rows()
    for y in range(layer.h):
        for x in range(layer.w):
            if layer.get(x, y)[3] == 0:
                rows[y][x] = KEY
    return rows


def banner():
    w, h = 26, 110
    c = Canvas(w, h)
    c.fill_rect(0, 0, w, 46, vgrad(0, 45, (206, 225, 255), BRAND))
    c.fill_rect(0, 46, w, h, vgrad(46, h - 1, BRAND, (30, 56, 106)))
    text = "Talmoris"
    left, bottom = (w - BOLD.cap) // 2, h - 7
    for x, y in BOLD.pixels(text):  # turned a quarter left: reads bottom to top
        c.set(left + y, bottom - x, WHITE)
    return c.rows()


def keyed(layer, halo=None, cut=0.5):
    """A frame for an image list that leaves out each frame's bottom-left
    colour: pixels the subject hardly covers become KEY, the rest is laid on
    `halo`, the colour it will mostly be seen on; without one, edges stay
    hard (the tray's background is anyone's guess)."""
    rows = []
    for y in range(layer.h):
        row = []
        for x in range(layer.w):
            *c, a = layer.get(x, y)
            if a < cut:
                row.append(KEY)
            else:
                back = halo or c
                row.append(tuple(int(v * a + b * (1 - a) + 0.5) for v, b in zip(c, back)))
        rows.append(row)
    return rows


def side_by_side(frames):
    return [sum((f[y] for f in frames), []) for y in range(len(frames[0]))]


MENU_HALO = (242, 244, 248)  # the light menus and lists these are drawn on


def tray_icons():
    modern = [icons.idle_shield(), icons.alert_shield(False), icons.alert_shield(True),
              icons.off_shield(), icons.on_shield(), icons.small_registry(), icons.clock(), icons.page()]
    old = [icons.alert_shield(False, flat=True), icons.idle_shield(flat=True),
           icons.alert_shield(True, flat=True)]
    return side_by_side([keyed(f) for f in modern + old])


def popup_images():
    frames = [icons.start_protection(20), icons.help_icon(20), icons.events(20), icons.cookie(20),
              icons.scan(20), icons.security_list(20), icons.settings(20, WHITE), icons.stop_guard(20)]
    return side_by_side([keyed(f, MENU_HALO, 0.3) for f in frames])


def log_images():
    frames = [icons.info_badge(16), icons.ok_badge(16), icons.alert_badge(16)]
    return side_by_side([keyed(f, MENU_HALO, 0.3) for f in frames])


PROGRAM_PICTURE = 48


def program_picture():
    """The program's own picture on the about page: the tray's shield with
    its T, large and smooth."""
    n = PROGRAM_PICTURE
    c = icons.layer(n)
    c.fill(icons.small_shield(5, 1.5, 38, 45), icons.NAVY)
    c.fill(icons.small_shield(7.5, 4.5, 33, 39.5), vgrad(4, 44, icons.BRAND_LIGHT, icons.BRAND))
    c.fill(icons.small_shield(11, 8.5, 26, 31), vgrad(8, 40, (98, 140, 212), (52, 90, 160)), 0.6)
    c.fill(Rect(15, 13, 33, 19) | Rect(21, 19, 27, 36), WHITE)  # the T of the tray icon
    return keyed(c, PAGE_PANEL)  # the pages' colour, which it is seen on


def root_key():
    """A folder of the registry tree, before each root key of the add-guard
    dialog's list; on whole pixels, within rows 2-13 so it fits the list's
    15-pixel rows."""
    c = icons.layer(16)
    edge = (170, 122, 34)
    c.fill(Rect(1, 2, 7, 4) | Rect(1, 4, 15, 14), edge)
    c.fill(Rect(2, 3, 6, 5), (255, 236, 170))
    c.fill(Rect(2, 5, 14, 13), vgrad(5, 12, (255, 224, 132), (236, 182, 64)))
    c.fill(Rect(2, 5, 14, 6), (255, 244, 200))  # the opening's light edge
    return keyed(c, WHITE)


# --- window backgrounds -----------------------------------------------------

def window_piece(w, h, shape, fill, border=MB_FRAME):
    """A part of a window cut out by pure black: `shape` with a 1-px frame."""
    inside, edge = frame(shape, w, h)
    rows = [[BLACK] * w for _ in range(h)]
    for x, y in inside:
        rows[y][x] = border if (x, y) in edge else tuple(int(v + 0.5) for v in fill(y))
    return rows


def talmoris_rows(y):
    """Caption band, a light accent line, then a short fade into the body."""
    if y <= 25:
        return CAPTION_BAND
    if y == 26:
        return CAPTION_ACCENT
    if y <= 31:
        return mix(CAPTION_FADE, MB_BODY, (y - 27) / 5)
    return MB_BODY


def quorvin_rows(y):
    if y <= 28:
        return mix(QUORVIN_BAND_TOP, QUORVIN_BAND_BOTTOM, (y - 1) / 27)
    if y == 29:
        return BRAND
    return QUORVIN_BODY


# The main window: caption band, toolbar, a page the program covers with a
# panel, and a status line.  Only the bands the buttons and texts sit on are
# fixed; the lines between them are free.
MAIN_SIZE = (546, 436)
MAIN_CAPTION_BUTTONS = (503, 4, 543, 24)     # the two 20 x 20 caption buttons
MAIN_TOOLBAR = (6, 25, 460, 82)              # the 73 x 57 tiles, lefts 6 to 387
MAIN_PAGE = (10, 90, 533, 407)               # covered by a panel of PAGE_PANEL
MAIN_STATUS = (9, 412, 540, 431)             # status texts, dark on a plain light band
PAGE_PANEL = (222, 224, 230)
PAGE_FRAME = (178, 188, 208)
STATUS_BAND = (234, 238, 246)
BAND_LINE = (200, 212, 234)


def main_rows(y):
    if y <= 23:
        return CAPTION_BAND
    if y == 24:
        return BAND_LINE
    if y <= 81:
        return TOOLBAR_BAND
    if y == 82:
        return CAPTION_ACCENT
    if y <= 87:
        return mix(CAPTION_FADE, MB_BODY, (y - 83) / 5)
    if y <= 408:
        return MB_BODY
    if y == 409:
        return BAND_LINE
    return STATUS_BAND


def main_window():
    w, h = MAIN_SIZE
    rows = window_piece(w, h, RoundRect(0, 0, w, h, 6), main_rows)
    x0, y0, x1, y1 = MAIN_PAGE
    for y in range(y0 - 1, y1 + 1):
        for x in range(x0 - 1, x1 + 1):
            inside = x0 <= x < x1 and y0 <= y < y1
            rows[y][x] = PAGE_PANEL if inside else PAGE_FRAME
    # the free end of the toolbar: the shield of the tray icon, pressed into the band
    x0, y0, x1, y1 = MAIN_TOOLBAR[2] + 4, MAIN_TOOLBAR[1], w - 2, MAIN_TOOLBAR[3]
    c = Canvas(x1 - x0, y1 - y0, TOOLBAR_BAND)
    left = (c.w - 32) // 2
    c.fill(icons.small_shield(left, 9, 32, 40), (192, 206, 232))
    c.fill(icons.small_shield(left + 2, 11, 28, 35.2), vgrad(11, 46, (246, 249, 254), (218, 228, 246)))
    c.fill(Rect(left + 9, 18, left + 23, 22) | Rect(left + 14, 22, left + 18, 38), (192, 206, 232))
    for y, row in enumerate(c.rows()):
        rows[y0 + y][x0:x1] = row
    return rows


def body(colour):
    return lambda y: colour


# --- the pictures -----------------------------------------------------------

def talmoris():
    t = "talmoris"
    pics = [shape_map(t, s) for s in SHAPES]
    for skin, text in PAGE_BUTTONS:
        pics += family(t, skin, "BM_COORD", WHITE, BLUE, caption(text))
    for skin, text in SMALL_BUTTONS:
        pics += family(t, skin, "BM_SMALLCOORD", MB_BODY, BLUE, caption(text))
    for skin, text, icon in TOOLBAR_BUTTONS:
        pics += family(t, skin, "BM_TBCOORD", TOOLBAR_BAND, TILE, toolbar_content(text, icon))
    pics += family(t, "CLOSE", "BM_CLOSECOORD", CAPTION_BAND, CAPTION_BUTTON, CLOSE_MARK)
    pics += family(t, "TOTRAY", "BM_CLOSECOORD", CAPTION_BAND, CAPTION_BUTTON, TOTRAY_MARK)
    pics += [Picture(t, k, 4, check_box(k)) for k in ("CHECKED", "GRAYED", "UNCHECKED")]
    pics += [Picture(t, "BM_TH", 24, tab(False)), Picture(t, "BM_THS", 24, tab(True))]
    pics += [
        Picture(t, "MB_CAPTION", 8, window_piece(360, 34, RoundRect(0, 0, 360, 48, 6), talmoris_rows)),
        Picture(t, "MB_PATTERN", 4, window_piece(360, 1, Rect(0, -4, 360, 5), body(MB_BODY))),
        Picture(t, "MB_BOTTOM", 8, window_piece(360, 14, RoundRect(0, -14, 360, 14, 6), body(MB_BODY))),
        Picture(t, "MB_ADDFREEZE", 24, window_piece(463, 364, RoundRect(0, 0, 463, 364, 6), talmoris_rows)),
        Picture(t, "BANNER", 24, banner()),
        Picture(t, "BM_SCROLL", 24, scroll_strip()),
        Picture(t, "BM_DROPDOWN_U", 24, drop_button(False)),
        Picture(t, "BM_DROPDOWN_D", 24, drop_button(True)),
        Picture(t, "BM_INFORMATION", 24, badge(icons.info_badge(), MB_BODY)),
        Picture(t, "BM_QUESTION", 24, badge(icons.question_badge(), MB_BODY)),
        Picture(t, "BM_MAIN", 24, main_window()),
        Picture(t, "BM_TRAYICONS", 24, tray_icons()),
        Picture(t, "BM_POPUPIMAGES", 24, popup_images()),
        Picture(t, "BM_LOGIMAGES", 24, log_images()),
        Picture(t, "BM_ROOTKEY", 24, root_key()),
        Picture(t, "BM_PROGRAM", 24, program_picture()),
    ]
    return pics


def quorvin():
    q = "quorvin"
    pics = [shape_map(q, "BM_SMALLCOORD")]
    for skin, text in QUORVIN_BUTTONS:
        pics += family(q, skin, "BM_SMALLCOORD", QUORVIN_BODY, BLUE, caption(text))
    pics += [Picture(q, k, 4, check_box(k)) for k in ("CHECKED", "GRAYED", "UNCHECKED")]
    pics += [
        Picture(q, "MB_CAPTION", 8, window_piece(300, 42, RoundRect(0, 0, 300, 56, 6), quorvin_rows)),
        Picture(q, "MB_PATTERN", 4, window_piece(300, 2, Rect(0, -4, 300, 6), body(QUORVIN_BODY))),
        Picture(q, "MB_BOTTOM", 8, window_piece(300, 26, RoundRect(0, -14, 300, 26, 6), body(QUORVIN_BODY))),
        Picture(q, "BM_ALERT", 24, badge(icons.alert_badge(), QUORVIN_BODY)),
    ]
    return pics


# --- checks -----------------------------------------------------------------

class ArtworkError(Exception):
    pass


def require(ok, message, *args):
    if not ok:
        raise ArtworkError(message % args)


def near_end(v, n, reach=8):
    return v < reach or v >= n - reach


def from_edge(rows, colour):
    """Whether every pixel of `colour` joins the picture's edge through
    pixels of that colour (side by side, not corner to corner)."""
    h, w = len(rows), len(rows[0])
    todo = [(x, y) for y in range(h) for x in range(w)
            if (x in (0, w - 1) or y in (0, h - 1)) and rows[y][x] == colour]
    seen = set(todo)
    while todo:
        x, y = todo.pop()
        for n in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)):
            if n not in seen and 0 <= n[0] < w and 0 <= n[1] < h and rows[n[1]][n[0]] == colour:
                seen.add(n)
                todo.append(n)
    return len(seen) == sum(row.count(colour) for row in rows)


def differing(a, b):
    return sum(p != q for ra, rb in zip(a, b) for p, q in zip(ra, rb))


# image-list strips: name -> (frame size, frames)
STRIPS = {"BM_TRAYICONS": (16, 11), "BM_POPUPIMAGES": (20, 8), "BM_LOGIMAGES": (16, 3), "BM_ROOTKEY": (16, 1)}
# the tray icon's blink pairs, each against the idle icon it alternates with
TRAY_BLINKS = ((0, 1, 2), (9, 8, 10))


class Checker:
    """The rules the programs rely on; each failure names the picture."""

    def __init__(self, pics):
        self.pics = pics
        self.by = {(p.folder, p.name): p for p in pics}
        require(len(self.by) == len(pics), "a picture is made twice")

    def get(self, folder, name):
        require((folder, name) in self.by, "%s/%s is missing", folder, name)
        return self.by[(folder, name)]

    def size(self, folder, name, w, h, bits):
        p = self.get(folder, name)
        require((p.w, p.h, p.bits) == (w, h, bits), "%s/%s is %dx%d@%d, wants %dx%d@%d",
                folder, name, p.w, p.h, p.bits, w, h, bits)
        return p

    def run(self):
        self.colours()
        self.buttons()
        self.glyphs()
        self.strips()
        self.windows()
        self.main_picture()
        for folder in ("talmoris", "quorvin"):
            made = sorted(n for f, n in self.by if f == folder)
            listed = resource_names(folder)
            require(listed == made, "res/%s.rc and the pictures differ in %s",
                    folder, sorted(set(listed) ^ set(made)))

    def colours(self):
        for p in self.pics:
            colours = set(bmp.colours_in(p.rows))
            if p.bits <= 8:
                require(len(colours) <= 1 << p.bits, "%s/%s has too many colours", p.folder, p.name)
            if p.name not in CUT_PICTURES:
                require(BLACK not in colours, "%s/%s uses pure black", p.folder, p.name)
                continue
            require(all(near_end(x, p.w) and near_end(y, p.h) for y, row in enumerate(p.rows)
                        for x, c in enumerate(row) if c == BLACK),
                    "%s/%s: pure black away from the corners would cut a hole", p.folder, p.name)
            require(from_edge(p.rows, BLACK), "%s/%s: pure black not joined to the edge would cut a hole",
                    p.folder, p.name)

    def buttons(self):
        for (folder, name), p in self.by.items():
            if name in SHAPES:
                self.size(folder, name, *SHAPES[name][:2], 4)
                require(p[(0, 0)] == WHITE and set(bmp.colours_in(p.rows)) == {WHITE, BRAND},
                        "%s/%s must be white outside and brand blue inside", folder, name)
        # the surfaces the buttons sit on, as the other pictures paint them
        surfaces = {
            ("talmoris", "BM_COORD"): WHITE,
            ("talmoris", "BM_TBCOORD"): TOOLBAR_BAND,
            ("talmoris", "BM_CLOSECOORD"): self.get("talmoris", "MB_CAPTION")[(360 - 30, 12)],
            ("talmoris", "BM_SMALLCOORD"): self.get("talmoris", "MB_PATTERN")[(1, 0)],
            ("quorvin", "BM_SMALLCOORD"): self.get("quorvin", "MB_PATTERN")[(1, 0)],
        }
        families = {}
        for p in self.pics:
            if p.shape:
                families.setdefault((p.folder, p.name.rsplit("_", 1)[0]), []).append(p)
        for (folder, skin), states in families.items():
            require([p.name[-1] for p in states] == list(STATES), "%s/%s: states", folder, skin)
            coord, outside = self.get(folder, states[0].shape), surfaces[(folder, states[0].shape)]
            for p in states:
                self.size(folder, p.name, coord.w, coord.h, 24)
                require(p[(0, 0)] == outside, "%s/%s: outside colour %s, wants %s",
                        folder, p.name, p[(0, 0)], outside)
                for y in range(p.h):
                    for x in range(p.w):
                        inside = coord[(x, y)] != coord[(0, 0)]
                        require(inside == (p[(x, y)] != outside), "%s/%s: pixel (%d, %d) disagrees with %s",
                                folder, p.name, x, y, coord.name)

    def glyphs(self):
        for folder in ("talmoris", "quorvin"):
            for name in ("CHECKED", "GRAYED", "UNCHECKED"):
                p = self.size(folder, name, 19, 14, 4)
                require(p[(0, 13)] == KEY, "%s/%s: key pixel", folder, name)
                box = [p[(x, y)] for x in range(2, 13) for y in range(2, 13)]
                require(KEY not in box, "%s/%s: key colour inside the box", folder, name)
        for name in ("BM_TH", "BM_THS"):
            p = self.size("talmoris", name, 47, 22, 24)
            require(p[(0, 21)] == KEY and p[(46, 21)] == KEY, "%s: bottom corners must be key", name)
            require([r[23] for r in p.rows] == [r[24] for r in p.rows], "%s: middle columns differ", name)
        for folder, name in (("talmoris", "BM_INFORMATION"), ("talmoris", "BM_QUESTION"),
                             ("quorvin", "BM_ALERT")):
            p = self.size(folder, name, 32, 32, 24)
            require(p[(0, 31)] == KEY, "%s/%s: key pixel", folder, name)
        p = self.size("talmoris", "BM_SCROLL", 80, 17, 24)
        require(all(x % 16 in (0, 15) and y in (0, 16) for y, row in enumerate(p.rows)
                    for x, c in enumerate(row) if c == p[(0, 16)]),
                "BM_SCROLL: the transparent colour is used inside a frame")
        p = self.size("talmoris", "BM_PROGRAM", PROGRAM_PICTURE, PROGRAM_PICTURE, 24)
        require(p[(0, PROGRAM_PICTURE - 1)] == KEY and from_edge(p.rows, KEY),
                "BM_PROGRAM: the key colour must be its bottom-left pixel and only around the subject")
        p = self.size("talmoris", "BANNER", 26, 110, 24)
        require(max(abs(a - b) for a, b in zip(p[(13, 0)], (206, 225, 255))) <= 6,
                "BANNER: the top row must continue the menu's gradient")

    def strips(self):
        for name, (size, count) in STRIPS.items():
            p = self.size("talmoris", name, size * count, size, 24)
            frames = [[row[i * size:(i + 1) * size] for row in p.rows] for i in range(count)]
            for i, f in enumerate(frames):
                require(f[-1][0] == KEY, "%s: frame %d: the bottom-left pixel must be the key", name, i)
                # key pixels inside the subject would show the list's background through it
                require(from_edge(f, KEY), "%s: frame %d: key colour inside the picture", name, i)
                ink = sum(c != KEY for row in f for c in row)
                require(ink >= size * size // 3, "%s: frame %d is nearly empty", name, i)
            require(all(differing(a, b) for i, a in enumerate(frames) for b in frames[i + 1:]),
                    "%s: two frames are the same", name)
        tray = self.get("talmoris", "BM_TRAYICONS")
        frames = [[row[i * 16:(i + 1) * 16] for row in tray.rows] for i in range(11)]
        for trio in TRAY_BLINKS:
            for i, a in enumerate(trio):
                for b in trio[i + 1:]:
                    require(differing(frames[a], frames[b]) >= 64,
                            "BM_TRAYICONS: frames %d and %d are too alike to blink", a, b)

    def main_picture(self):
        w, h = MAIN_SIZE
        p = self.size("talmoris", "BM_MAIN", w, h, 24)

        def colours(x0, y0, x1, y1):
            return {p[(x, y)] for y in range(y0, y1) for x in range(x0, x1)}

        require(all(p[xy] == BLACK for xy in ((0, 0), (w - 1, 0), (0, h - 1), (w - 1, h - 1))),
                "BM_MAIN: corners")
        close = self.get("talmoris", "BM_CLOSE_U")[(0, 0)]  # the buttons' outside colours
        tile = self.get("talmoris", "BM_TBSTARTGUARD_U")[(0, 0)]
        require(colours(*MAIN_CAPTION_BUTTONS) == {close},
                "BM_MAIN: the band behind the caption buttons must be their outside colour")
        require(colours(*MAIN_TOOLBAR) == {tile},
                "BM_MAIN: the toolbar band must be the tiles' outside colour")
        require(colours(8, 2, MAIN_CAPTION_BUTTONS[0], 23) == {close},
                "BM_MAIN: the caption band under the title must be plain")
        status = colours(*MAIN_STATUS)
        require(len(status) == 1 and min(status.pop()) >= 200,
                "BM_MAIN: the status line needs a plain light band")
        x0, y0, x1, y1 = MAIN_PAGE
        ring = colours(x0 - 1, y0 - 1, x1 + 1, y0) | colours(x0 - 1, y1, x1 + 1, y1 + 1) | \
            colours(x0 - 1, y0, x0, y1) | colours(x1, y0, x1 + 1, y1)
        require(len(ring) == 1 and ring != {p[(x0 - 2, y0 + 10)]} and ring != {PAGE_PANEL},
                "BM_MAIN: the page wants a plain frame that stands out")

    def windows(self):
        for folder, (w, ch, ph, bh) in (("talmoris", (360, 34, 1, 14)), ("quorvin", (300, 42, 2, 26))):
            cap = self.size(folder, "MB_CAPTION", w, ch, 8)
            pat = self.size(folder, "MB_PATTERN", w, ph, 4)
            bot = self.size(folder, "MB_BOTTOM", w, bh, 8)
            require(cap[(0, 0)] == BLACK and cap[(w - 1, 0)] == BLACK, "%s/MB_CAPTION: corners", folder)
            require(bot[(0, bh - 1)] == BLACK and bot[(w - 1, bh - 1)] == BLACK,
                    "%s/MB_BOTTOM: corners", folder)
            for row in pat.rows:
                require(row[0] == row[-1] == MB_FRAME and set(row[1:-1]) == {row[1]},
                        "%s/MB_PATTERN: border and body", folder)
            for piece, side, joint in ((cap, ch // 2, ch - 1), (bot, 0, 0)):
                require(piece[(0, side)] == piece[(w - 1, side)] == MB_FRAME,
                        "%s/%s: side borders", folder, piece.name)
                require(piece.rows[joint] == pat.rows[0], "%s/%s: does not meet the body row",
                        folder, piece.name)
        band = self.get("talmoris", "MB_CAPTION")
        require({band[(x, y)] for x in range(360 - 64, 360 - 6) for y in range(2, 25)} == {CAPTION_BAND},
                "MB_CAPTION: the band behind the close buttons is not uniform")
        p = self.size("talmoris", "MB_ADDFREEZE", 463, 364, 24)
        require(all(p[xy] == BLACK for xy in ((0, 0), (462, 0), (0, 363), (462, 363))),
                "MB_ADDFREEZE: corners")


def resource_names(folder):
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", folder + ".rc")
    names = []
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 3 and parts[1] == "BITMAP":
                name = parts[0].upper()  # rc stores names in capitals
                require(parts[2] == '"%s/%s.bmp"' % (folder, name), "%s.rc: %s", folder, line.strip())
                names.append(name)
    return sorted(names)


# --- main -------------------------------------------------------------------

def main(argv):
    args = list(argv[1:])
    sheet = None
    if "--sheet" in args:
        i = args.index("--sheet")
        sheet = args[i + 1]
        del args[i:i + 2]
    if len(args) != 1:
        sys.stderr.write(__doc__)
        return 2
    out = args[0]
    pics = talmoris() + quorvin()
    try:
        Checker(pics).run()
    except ArtworkError as e:
        sys.stderr.write("make_artwork: %s\n" % e)
        return 1
    for p in pics:
        os.makedirs(os.path.join(out, p.folder), exist_ok=True)
        bmp.write_atomic(os.path.join(out, p.folder, p.name + ".bmp"), bmp.encode(p.rows, p.bits))
    if sheet:
        import contact_sheet
        contact_sheet.write(sheet, pics)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
