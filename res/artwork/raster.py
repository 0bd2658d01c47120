"""A tiny RGBA canvas with supersampled shapes, gradients and crisp pixels.

Shapes answer contains(x, y) for points in pixel coordinates (pixel (i, j)
covers [i, i+1) x [j, j+1)); a Mask holds the coverage of a shape per
pixel, which paint() uses as alpha.
"""

import math

SUPERSAMPLE = 4


def mix(a, b, t):
    """Colour a moved towards b by t (0..1)."""
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def vgrad(y0, y1, top, bottom):
    """A paint going from `top` at row y0 to `bottom` at row y1."""
    span = max(y1 - y0, 1)

    def paint(x, y):
        return mix(top, bottom, min(max((y - y0) / span, 0.0), 1.0))
    return paint


# --- shapes ---------------------------------------------------------------

class Shape:
    convex = False

    def __or__(self, other):
        return Union(self, other)

    def __sub__(self, other):
        return Difference(self, other)

    def __and__(self, other):
        return Intersection(self, other)


class Rect(Shape):
    convex = True

    def __init__(self, x0, y0, x1, y1):
        self.bbox = (x0, y0, x1, y1)

    def contains(self, x, y):
        x0, y0, x1, y1 = self.bbox
        return x0 <= x < x1 and y0 <= y < y1


class RoundRect(Shape):
    convex = True

    def __init__(self, x0, y0, x1, y1, r):
        self.bbox = (x0, y0, x1, y1)
        self.r = r

    def contains(self, x, y):
        x0, y0, x1, y1 = self.bbox
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        r = self.r
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


class Circle(Shape):
    convex = True

    def __init__(self, cx, cy, r):
        self.c = (cx, cy, r)
        self.bbox = (cx - r, cy - r, cx + r, cy + r)

    def contains(self, x, y):
        cx, cy, r = self.c
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


class Polygon(Shape):
    """Even-odd filled polygon."""

    def __init__(self, points, convex=False):
        self.points = list(points)
        self.convex = convex
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        self.bbox = (min(xs), min(ys), max(xs), max(ys))

    def contains(self, x, y):
        inside = False
        pts = self.points
        for (ax, ay), (bx, by) in zip(pts, pts[1:] + pts[:1]):
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
        return inside


class Stroke(Shape):
    """A polyline of the given width with round caps and joins."""

    def __init__(self, points, width):
        self.points = list(points)
        self.h = width / 2.0
        xs = [p[0] for p in self.points]
        ys = [p[1] for p in self.points]
        self.bbox = (min(xs) - self.h, min(ys) - self.h, max(xs) + self.h, max(ys) + self.h)

    def contains(self, x, y):
        for (ax, ay), (bx, by) in zip(self.points, self.points[1:]):
            dx, dy = bx - ax, by - ay
            length = dx * dx + dy * dy
            t = 0.0 if length == 0 else min(max(((x - ax) * dx + (y - ay) * dy) / length, 0.0), 1.0)
            if (x - ax - t * dx) ** 2 + (y - ay - t * dy) ** 2 <= self.h * self.h:
                return True
        return False


class Union(Shape):
    def __init__(self, *shapes):
        self.shapes = shapes
        boxes = [s.bbox for s in shapes]
        self.bbox = (min(b[0] for b in boxes), min(b[1] for b in boxes),
                     max(b[2] for b in boxes), max(b[3] for b in boxes))

    def contains(self, x, y):
        return any(s.contains(x, y) for s in self.shapes)


class Difference(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.bbox = a.bbox

    def contains(self, x, y):
        return self.a.contains(x, y) and not self.b.contains(x, y)


class Intersection(Shape):
    def __init__(self, a, b):
        self.a, self.b = a, b
        self.bbox = (max(a.bbox[0], b.bbox[0]), max(a.bbox[1], b.bbox[1]),
                     min(a.bbox[2], b.bbox[2]), min(a.bbox[3], b.bbox[3]))
        self.convex = a.convex and b.convex

    def contains(self, x, y):
        return self.a.contains(x, y) and self.b.contains(x, y)


class Scaled(Shape):
    """`shape` grown s times about the origin, then moved by (dx, dy)."""

    def __init__(self, shape, s, dx=0.0, dy=0.0):
        self.shape, self.s, self.dx, self.dy = shape, s, dx, dy
        self.convex = shape.convex
        x0, y0, x1, y1 = shape.bbox
        self.bbox = (x0 * s + dx, y0 * s + dy, x1 * s + dx, y1 * s + dy)

    def contains(self, x, y):
        return self.shape.contains((x - self.dx) / self.s, (y - self.dy) / self.s)


def bezier(p0, p1, p2, steps=12):
    """Points along a quadratic curve (without p0), for polygons and strokes."""
    out = []
    for i in range(1, steps + 1):
        t = i / steps
        out.append(tuple((1 - t) ** 2 * a + 2 * (1 - t) * t * b + t * t * c
                         for a, b, c in zip(p0, p1, p2)))
    return out


def arc(cx, cy, r, start, end, steps=16):
    """Points on a circle from angle `start` to `end` (degrees, y down)."""
    return [(cx + r * math.cos(math.radians(start + (end - start) * i / steps)),
             cy + r * math.sin(math.radians(start + (end - start) * i / steps)))
            for i in range(steps + 1)]


# --- masks ----------------------------------------------------------------

class Mask:
    def __init__(self, w, h, cov):
        self.w, self.h, self.cov = w, h, cov  # cov: {(x, y): 0 < coverage <= 1}

    def levels(self, n):
        """Coverage rounded to n steps, for pictures with a small palette."""
        out = {}
        for p, c in self.cov.items():
            q = round(c * n) / n
            if q > 0:
                out[p] = q
        return Mask(self.w, self.h, out)


def mask(shape, w, h, ss=SUPERSAMPLE):
    """Anti-aliased coverage of `shape`, ss x ss samples per pixel."""
    x0, y0, x1, y1 = shape.bbox
    cov = {}
    offs = [(i + 0.5) / ss for i in range(ss)]
    for py in range(max(int(math.floor(y0)), 0), min(int(math.ceil(y1)) + 1, h)):
        for px in range(max(int(math.floor(x0)), 0), min(int(math.ceil(x1)) + 1, w)):
            if shape.convex and all(shape.contains(px + dx, py + dy)
                                    for dx in (0, 1) for dy in (0, 1)):
                cov[(px, py)] = 1.0
                continue
            n = sum(1 for dy in offs for dx in offs if shape.contains(px + dx, py + dy))
            if n:
                cov[(px, py)] = n / (ss * ss)
    return Mask(w, h, cov)


def outline(inside):
    """The pixels of a set that touch (4-neighbourhood) a pixel outside it."""
    return {(x, y) for x, y in inside
            if not {(x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)} <= inside}


# --- canvas ---------------------------------------------------------------

class Canvas:
    """RGBA pixels, colour channels 0..255 as floats, alpha 0..1."""

    def __init__(self, w, h, colour=(0, 0, 0), alpha=1.0):
        self.w, self.h = w, h
        self.px = [[*colour, alpha] for _ in range(w * h)]

    def blend(self, x, y, colour, a):
        if not (0 <= x < self.w and 0 <= y < self.h) or a <= 0:
            return
        d = self.px[y * self.w + x]
        if a >= 1:
            d[:] = [*colour[:3], 1.0]
            return
        out_a = a + d[3] * (1 - a)
        for i in range(3):
            d[i] = (colour[i] * a + d[i] * d[3] * (1 - a)) / out_a
        d[3] = out_a

    def paint(self, m, paint, opacity=1.0, dx=0, dy=0):
        """Paints a mask (moved by dx, dy) with a colour or a paint(x, y)."""
        for (x, y), c in m.cov.items():
            x, y = x + dx, y + dy
            colour = paint(x, y) if callable(paint) else paint
            self.blend(x, y, colour, c * opacity)

    def fill(self, shape, paint, opacity=1.0):
        self.paint(mask(shape, self.w, self.h), paint, opacity)

    def set(self, x, y, colour):
        self.blend(x, y, colour, 1.0)

    def fill_rect(self, x0, y0, x1, y1, paint):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, paint(x, y) if callable(paint) else paint)

    def get(self, x, y):
        return self.px[y * self.w + x]

    def draw(self, layer, dx=0, dy=0, recolour=None):
        """Composites another canvas at (dx, dy); `recolour` may map its colours."""
        for y in range(layer.h):
            for x in range(layer.w):
                *c, a = layer.px[y * layer.w + x]
                if a > 0:
                    self.blend(x + dx, y + dy, recolour(c) if recolour else c, a)

    def rows(self):
        """The picture as rows of integer (r, g, b); every pixel must be opaque."""
        out = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                assert a > 0.999, "transparent pixel at (%d, %d)" % (x, y)
                row.append(tuple(min(255, max(0, int(v + 0.5))) for v in (r, g, b)))
            out.append(row)
        return out
