"""Toolbar icons and message badges, drawn with shapes on transparent layers."""

import math

from raster import (Canvas, Circle, Polygon, Rect, RoundRect, Scaled, Stroke, arc, bezier,
                    mix, vgrad)

ICON = 28  # toolbar icons live in a 28 x 28 box

BRAND = (38, 70, 130)
BRAND_LIGHT = (78, 118, 190)
PAPER = (255, 255, 255)
PAPER_EDGE = (112, 130, 164)
LINE = (120, 146, 196)
GREEN = (38, 150, 72)
RED = (206, 48, 48)
WHITE = (255, 255, 255)
NAVY = (22, 42, 82)
ALERT_RED = ((255, 148, 64), (214, 44, 32))  # top and bottom of a fill
ALERT_EDGE = (128, 22, 16)
ALERT_PALE = ((255, 250, 214), (255, 212, 88))


class Layer(Canvas):
    """A transparent size x size layer that takes shapes drawn for a box of
    `box` pixels, so one drawing serves the toolbar and the smaller lists."""

    def __init__(self, size, box):
        super().__init__(size, size, (0, 0, 0), alpha=0.0)
        self.s = size / box

    def fill(self, shape, paint, opacity=1.0):
        s = self.s
        if s != 1:
            shape = Scaled(shape, s)
            if callable(paint):
                drawn = paint  # gradients are given in the box's pixels too

                def paint(x, y):
                    return drawn((x + 0.5) / s - 0.5, (y + 0.5) / s - 0.5)
        super().fill(shape, paint, opacity)


def layer(size=ICON, box=None):
    return Layer(size, box or size)


def _shield_points(scale=1.0, cx=14.0, cy=13.0):
    top = [(14, 1.5), (24, 5)]
    side = [(24, 12.5)] + bezier((24, 12.5), (23.5, 21.5), (14, 26.5))
    right = top + side
    left = [(28 - x, y) for x, y in reversed(right[1:-1])]
    pts = right + left
    return [(cx + (x - cx) * scale, cy + (y - cy) * scale) for x, y in pts]


def _shield(mark, size):
    c = layer(size, ICON)
    c.fill(Polygon(_shield_points()), vgrad(2, 26, BRAND_LIGHT, BRAND))
    c.fill(Polygon(_shield_points(0.74)), vgrad(4, 23, PAPER, (222, 232, 248)))
    mark(c)
    return c


def start_guard(size=ICON):
    return _shield(lambda c: c.fill(Stroke([(9.5, 13.5), (12.8, 17), (18.8, 9.8)], 3.2), GREEN), size)


def stop_guard(size=ICON):
    return _shield(lambda c: c.fill(RoundRect(9.5, 8.5, 18.5, 17.5, 1.5), RED), size)


def _checklist(c):
    c.fill(RoundRect(3, 2, 22, 26, 2.5), PAPER_EDGE)
    c.fill(RoundRect(4.2, 3.2, 20.8, 24.8, 1.5), PAPER)
    for y in (8, 13.5, 19):
        c.fill(Stroke([(6.6, y), (8.3, y + 1.8), (11.4, y - 1.6)], 1.8), GREEN)
        c.fill(Rect(13, round(y), 19, round(y) + 2), LINE)


def guards(size=ICON):
    c = layer(size, ICON)
    _checklist(c)
    # a padlock over the corner: the list is guarded
    c.fill(Stroke(arc(22, 18.5, 3.2, 180, 360), 2.0), (92, 100, 118))
    c.fill(RoundRect(16.5, 18, 27.5, 27, 1.8), WHITE)
    c.fill(RoundRect(17.5, 19, 26.5, 26, 1.2), vgrad(19, 26, (240, 184, 60), (214, 146, 30)))
    c.fill(Rect(21, 21, 23, 24), (120, 74, 10))
    return c


def security_list(size=ICON):
    """The guards' list with a shield over the corner: a padlock's shackle
    would leave a hole at menu size."""
    c = layer(size, ICON)
    _checklist(c)
    c.fill(small_shield(14.4, 11.4, 13.2, 16), WHITE)
    c.fill(small_shield(16, 13, 10, 12.6), vgrad(13, 25.6, BRAND_LIGHT, BRAND))
    c.fill(small_shield(17.9, 15, 6.2, 7.6), (222, 232, 248))
    return c


def events(size=ICON):
    c = layer(size, ICON)
    outer = [(5, 2), (17.5, 2), (23, 7.5), (23, 26), (5, 26)]
    inner = [(6.2, 3.2), (17, 3.2), (21.8, 8), (21.8, 24.8), (6.2, 24.8)]
    c.fill(Polygon(outer, convex=True), PAPER_EDGE)
    c.fill(Polygon(inner, convex=True), PAPER)
    c.fill(Polygon([(17, 2.5), (17, 8), (22.5, 8)], convex=True), (196, 210, 234))
    for y in (11, 15, 19):
        c.fill(Rect(8, y, 20, y + 2), LINE)
    c.fill(Rect(8, 22, 15, 23), LINE)
    return c


def scan(size=ICON):
    c = layer(size, ICON)
    c.fill(Stroke([(17, 17), (24.5, 24.5)], 4.4), BRAND)
    c.fill(Circle(11.5, 11.5, 6.6), vgrad(5, 18, (236, 244, 255), (196, 216, 244)))
    c.fill(Stroke(arc(11.5, 11.5, 4.2, 200, 260, 6), 1.4), WHITE)
    c.fill(Circle(11.5, 11.5, 9.2) - Circle(11.5, 11.5, 6.8), vgrad(2, 21, BRAND_LIGHT, BRAND))
    return c


def settings(size=ICON, hub=None):
    """A gear; `hub` fills its hole where the background must not show."""
    c = layer(size, ICON)
    if hub:
        c.fill(Circle(14, 14, 4.6), hub)
    pts = []
    for i in range(8):
        a = i * 45
        for r, d in ((9.0, -17), (12.8, -9), (12.8, 9), (9.0, 17)):
            pts.append((14 + r * math.cos(math.radians(a + d)), 14 + r * math.sin(math.radians(a + d))))
    c.fill(Polygon(pts) - Circle(14, 14, 4.2), vgrad(1, 27, (112, 132, 168), (64, 84, 124)))
    c.fill(Circle(14, 14, 7.4) - Circle(14, 14, 5.6), (144, 162, 194))
    return c


def question_mark(cx, top, size, width):
    """The strokes of a question mark and its dot, `size` is the hook's radius."""
    cy = top + size
    hook = arc(cx, cy, size, 195, 410, 20)
    end = hook[-1]
    stem = bezier(end, (cx, end[1] + size * 0.35), (cx, cy + size * 1.45), 6)
    return Stroke(hook + stem, width), Circle(cx, cy + size * 2.55, width * 0.62)


def help_icon(size=ICON):
    c = layer(size, ICON)
    c.fill(Circle(14, 14, 12.5), vgrad(1, 27, BRAND_LIGHT, BRAND))
    for s in question_mark(14, 6.4, 4.0, 2.9):
        c.fill(s, WHITE)
    return c


def _cube(c, cx, top, s, tint):
    top_face = [(cx, top), (cx + s, top + s / 2), (cx, top + s), (cx - s, top + s / 2)]
    left = [(cx - s, top + s / 2), (cx, top + s), (cx, top + 2 * s), (cx - s, top + 1.5 * s)]
    right = [(cx, top + s), (cx + s, top + s / 2), (cx + s, top + 1.5 * s), (cx, top + 2 * s)]
    c.fill(Polygon(left, convex=True), mix((70, 110, 180), tint, 0.25))
    c.fill(Polygon(right, convex=True), mix(BRAND, tint, 0.25))
    c.fill(Polygon(top_face, convex=True), mix((168, 198, 240), tint, 0.25))


def registry(size=ICON):
    c = layer(size, ICON)
    _cube(c, 8, 12.5, 6.5, (38, 70, 130))
    _cube(c, 20, 12.5, 6.5, (38, 70, 130))
    _cube(c, 14, 1.5, 6.5, (40, 150, 90))
    return c


# --- 32 x 32 badges ---------------------------------------------------------

def info_badge(size=32):
    c = layer(size, 32)
    c.fill(Circle(16, 16, 15), vgrad(1, 31, BRAND_LIGHT, BRAND))
    c.fill(Circle(16, 9.2, 2.3), WHITE)
    c.fill(RoundRect(14.2, 13, 17.8, 25, 0.6), WHITE)
    return c


def question_badge(size=32):
    c = layer(size, 32)
    c.fill(Circle(16, 16, 15), vgrad(1, 31, BRAND_LIGHT, BRAND))
    for s in question_mark(16, 6.2, 4.6, 3.4):
        c.fill(s, WHITE)
    return c


def alert_badge(size=32):
    c = layer(size, 32)
    tri = [(16, 3.5), (29, 27), (3, 27)]
    c.fill(Polygon(tri, convex=True) | Stroke(tri + tri[:1], 4.0), (190, 120, 16))
    inner = [(16, 5.8), (27, 25.8), (5, 25.8)]
    c.fill(Polygon(inner, convex=True) | Stroke(inner + inner[:1], 2.0),
           vgrad(4, 27, (255, 214, 92), (246, 170, 34)))
    c.fill(Polygon([(14.5, 11), (17.5, 11), (16.8, 20), (15.2, 20)], convex=True), (44, 36, 24))
    c.fill(Circle(16, 23.2, 1.7), (44, 36, 24))
    return c


# --- 16 and 20 px pictures --------------------------------------------------

def ok_badge(size=32):
    c = layer(size, 32)
    c.fill(Circle(16, 16, 15), vgrad(1, 31, (84, 184, 104), GREEN))
    c.fill(Stroke([(9, 16.5), (14, 21.5), (23.5, 11)], 4.2), WHITE)
    return c


def start_protection(size=ICON):
    """The tray menu's start: a play mark, where the toolbar has a tick."""
    return _shield(lambda c: c.fill(Polygon([(11, 8), (11, 19), (19.5, 13.5)], convex=True), GREEN), size)


def cookie(size=ICON):
    c = layer(size, ICON)
    bite = Circle(24, 5, 5.5)
    c.fill(Circle(14, 14, 12) - bite, (150, 96, 44))
    c.fill(Circle(14, 14, 10.8) - Circle(24, 5, 6.7), vgrad(3, 25, (236, 190, 118), (212, 152, 80)))
    for x, y, r in ((9, 9, 1.9), (16, 12, 1.7), (8.5, 17, 1.8), (14.5, 20, 1.9), (20, 17, 1.6),
                    (12.5, 4.8, 1.3)):
        c.fill(Circle(x, y, r), (104, 62, 30))
    return c


def small_shield(x0, y0, w, h):
    """The toolbar's shield outline fitted into a box of pixels."""
    sx, sy = w / 20.0, h / 25.0
    return Polygon([(x0 + (x - 4) * sx, y0 + (y - 1.5) * sy) for x, y in _shield_points()])


def tray_shield(fill, edge, mark=None, flat=False):
    """A 16 x 16 shield with a 1-px edge; `mark` draws on it.  Flat shields
    (for old systems) keep to plain colours."""
    c = layer(16)
    c.fill(small_shield(1, 0.3, 14, 15.6), edge)  # sides on whole pixels: crisp edges
    inner = small_shield(2, 1.5, 12, 13.1)
    c.fill(inner, fill[0] if flat else vgrad(1, 14, *fill))
    if mark:
        mark(c)
    return c


def pixel_mark(c, rows, x0, y0, colour):
    """Crisp pixels from a little picture of '#' and '.'."""
    for y, row in enumerate(rows):
        for x, ch in enumerate(row):
            if ch == "#":
                c.set(x0 + x, y0 + y, colour)


# marks for the 16-px shields, set pixel by pixel: antialiased they smear
T_MARK = ["######", "######", "..##..", "..##..", "..##..", "..##..", "..##.."]
BANG = ["##", "##", "##", "##", "##", "..", "##"]
CROSS = ["#....#", "##..##", ".####.", "..##..", ".####.", "##..##", "#....#"]


def idle_shield(flat=False):
    fill = (BRAND,) if flat else (BRAND_LIGHT, BRAND)
    return tray_shield(fill, NAVY, lambda c: pixel_mark(c, T_MARK, 5, 4, WHITE), flat)


def alert_shield(second, flat=False):
    """The two looks the tray icon blinks between: hot red with a white
    mark, then pale with a red one."""
    if second:
        fill, edge, ink = ALERT_PALE, (196, 36, 28), (196, 36, 28)
    else:
        fill, edge, ink = ALERT_RED, ALERT_EDGE, WHITE
    if flat:
        fill = (fill[1],)
    return tray_shield(fill, edge, lambda c: pixel_mark(c, BANG, 7, 3, ink), flat)


def off_shield():
    return tray_shield(((214, 217, 224), (164, 169, 180)), (96, 102, 116),
                       lambda c: pixel_mark(c, CROSS, 5, 4, (200, 36, 36)))


def on_shield():
    tick = Stroke([(4.8, 7.6), (7.2, 10), (11.4, 4.8)], 2.1)
    return tray_shield(((108, 204, 120), GREEN), (16, 92, 40), lambda c: c.fill(tick, WHITE))


def small_registry():
    """The registry's cubes on whole pixels: scaled down they blur."""
    c = layer(16)
    c.fill(Polygon([(3, 7.5), (8, 5), (13, 7.5), (8, 10)], convex=True), NAVY)  # no gaps between cubes
    _cube(c, 4, 7, 4, BRAND)
    _cube(c, 12, 7, 4, BRAND)
    _cube(c, 8, 0, 4, (40, 150, 90))
    return c


def clock():
    c = layer(16)
    c.fill(Circle(8, 8, 7.4), (52, 78, 128))
    c.fill(Circle(8, 8, 6.2), vgrad(2, 14, WHITE, (214, 226, 246)))
    for tick in (Rect(7, 2, 9, 3), Rect(13, 7, 14, 9), Rect(7, 13, 9, 14), Rect(2, 7, 3, 9)):
        c.fill(tick, (120, 140, 182))
    c.fill(Stroke([(8, 4.5), (8, 8), (10.8, 10)], 1.3), BRAND)
    c.fill(Circle(8, 8, 1.1), RED)
    return c


def page():
    c = layer(16)
    c.fill(Polygon([(2.5, 0.5), (9.5, 0.5), (13.5, 4.5), (13.5, 15.5), (2.5, 15.5)], convex=True),
           PAPER_EDGE)
    c.fill(Polygon([(3.5, 1.5), (9, 1.5), (12.5, 5), (12.5, 14.5), (3.5, 14.5)], convex=True), PAPER)
    c.fill(Polygon([(9, 1), (9, 5), (13, 5)], convex=True), (196, 210, 234))
    for y in (7, 9, 11):
        c.fill(Rect(5, y, 11, y + 1), LINE)
    c.fill(Rect(5, 13, 9, 14), LINE)
    return c
