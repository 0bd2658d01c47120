"""Toolbar icons and message badges, drawn with shapes on transparent layers."""

import math

from raster import (Canvas, Circle, Polygon, Rect, RoundRect, Stroke, arc, bezier,
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


def layer(size=ICON):
    return Canvas(size, size, (0, 0, 0), alpha=0.0)


def _shield_points(scale=1.0, cx=14.0, cy=13.0):
    top = [(14, 1.5), (24, 5)]
    side = [(24, 12.5)] + bezier((24, 12.5), (23.5, 21.5), (14, 26.5))
    right = top + side
    left = [(28 - x, y) for x, y in reversed(right[1:-1])]
    pts = right + left
    return [(cx + (x - cx) * scale, cy + (y - cy) * scale) for x, y in pts]


def _shield(mark):
    c = layer()
    c.fill(Polygon(_shield_points()), vgrad(2, 26, BRAND_LIGHT, BRAND))
    c.fill(Polygon(_shield_points(0.74)), vgrad(4, 23, PAPER, (222, 232, 248)))
    mark(c)
    return c


def start_guard():
    return _shield(lambda c: c.fill(Stroke([(9.5, 13.5), (12.8, 17), (18.8, 9.8)], 3.2), GREEN))


def stop_guard():
    return _shield(lambda c: c.fill(RoundRect(9.5, 8.5, 18.5, 17.5, 1.5), RED))


def guards():
    c = layer()
    c.fill(RoundRect(3, 2, 22, 26, 2.5), PAPER_EDGE)
    c.fill(RoundRect(4.2, 3.2, 20.8, 24.8, 1.5), PAPER)
    for y in (8, 13.5, 19):
        c.fill(Stroke([(6.6, y), (8.3, y + 1.8), (11.4, y - 1.6)], 1.8), GREEN)
        c.fill(Rect(13, round(y), 19, round(y) + 2), LINE)
    # a padlock over the corner: the list is guarded
    c.fill(Stroke(arc(22, 18.5, 3.2, 180, 360), 2.0), (92, 100, 118))
    c.fill(RoundRect(16.5, 18, 27.5, 27, 1.8), WHITE)
    c.fill(RoundRect(17.5, 19, 26.5, 26, 1.2), vgrad(19, 26, (240, 184, 60), (214, 146, 30)))
    c.fill(Rect(21, 21, 23, 24), (120, 74, 10))
    return c


def events():
    c = layer()
    outer = [(5, 2), (17.5, 2), (23, 7.5), (23, 26), (5, 26)]
    inner = [(6.2, 3.2), (17, 3.2), (21.8, 8), (21.8, 24.8), (6.2, 24.8)]
    c.fill(Polygon(outer, convex=True), PAPER_EDGE)
    c.fill(Polygon(inner, convex=True), PAPER)
    c.fill(Polygon([(17, 2.5), (17, 8), (22.5, 8)], convex=True), (196, 210, 234))
    for y in (11, 15, 19):
        c.fill(Rect(8, y, 20, y + 2), LINE)
    c.fill(Rect(8, 22, 15, 23), LINE)
    return c


def scan():
    c = layer()
    c.fill(Stroke([(17, 17), (24.5, 24.5)], 4.4), BRAND)
    c.fill(Circle(11.5, 11.5, 6.6), vgrad(5, 18, (236, 244, 255), (196, 216, 244)))
    c.fill(Stroke(arc(11.5, 11.5, 4.2, 200, 260, 6), 1.4), WHITE)
    c.fill(Circle(11.5, 11.5, 9.2) - Circle(11.5, 11.5, 6.8), vgrad(2, 21, BRAND_LIGHT, BRAND))
    return c


def settings():
    c = layer()
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


def help_icon():
    c = layer()
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


def registry():
    c = layer()
    _cube(c, 8, 12.5, 6.5, (38, 70, 130))
    _cube(c, 20, 12.5, 6.5, (38, 70, 130))
    _cube(c, 14, 1.5, 6.5, (40, 150, 90))
    return c


# --- 32 x 32 badges ---------------------------------------------------------

def info_badge():
    c = layer(32)
    c.fill(Circle(16, 16, 15), vgrad(1, 31, BRAND_LIGHT, BRAND))
    c.fill(Circle(16, 9.2, 2.3), WHITE)
    c.fill(RoundRect(14.2, 13, 17.8, 25, 0.6), WHITE)
    return c


def question_badge():
    c = layer(32)
    c.fill(Circle(16, 16, 15), vgrad(1, 31, BRAND_LIGHT, BRAND))
    for s in question_mark(16, 6.2, 4.6, 3.4):
        c.fill(s, WHITE)
    return c


def alert_badge():
    c = layer(32)
    tri = [(16, 3.5), (29, 27), (3, 27)]
    c.fill(Polygon(tri, convex=True) | Stroke(tri + tri[:1], 4.0), (190, 120, 16))
    inner = [(16, 5.8), (27, 25.8), (5, 25.8)]
    c.fill(Polygon(inner, convex=True) | Stroke(inner + inner[:1], 2.0),
           vgrad(4, 27, (255, 214, 92), (246, 170, 34)))
    c.fill(Polygon([(14.5, 11), (17.5, 11), (16.8, 20), (15.2, 20)], convex=True), (44, 36, 24))
    c.fill(Circle(16, 23.2, 1.7), (44, 36, 24))
    return c
