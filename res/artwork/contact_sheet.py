"""A PNG contact sheet of all pictures, scaled 2x, for reviewing the artwork."""

import struct
import zlib

import bmp

SCALE = 2
GAP = 8
WIDTH = 1700
BACKGROUND = (180, 180, 184)


def _groups(pics):
    """Button families side by side in their four states, the rest alone."""
    groups, index = [], {}
    for p in pics:
        key = (p.folder, p.name.rsplit("_", 1)[0]) if p.shape else (p.folder, p.name)
        if key not in index:
            index[key] = len(groups)
            groups.append([])
        groups[index[key]].append(p)
    # tall pictures last in each folder, so they don't leave a hole in the sheet
    folders = list(dict.fromkeys(g[0].folder for g in groups))
    return sorted(groups, key=lambda g: (folders.index(g[0].folder), g[0].h > 100))


def _layout(pics):
    """Shelf packing: (picture, x, y) placements and the sheet's height."""
    placed, x, y, shelf, folder = [], GAP, GAP, 0, None
    for group in _groups(pics):
        w = sum(p.w * SCALE + GAP for p in group)
        h = max(p.h for p in group) * SCALE
        if x + w > WIDTH or (folder and group[0].folder != folder):
            x, y, shelf = GAP, y + shelf + GAP * (4 if group[0].folder != folder else 1), 0
        folder = group[0].folder
        for p in group:
            placed.append((p, x, y))
            x += p.w * SCALE + GAP
        x += GAP * 2
        shelf = max(shelf, h)
    return placed, y + shelf + GAP


def _png(width, height, rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + bytes(v for c in row for v in c) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write(path, pics):
    placed, height = _layout(pics)
    rows = [[BACKGROUND] * WIDTH for _ in range(height)]
    for p, x0, y0 in placed:
        for y in range(p.h * SCALE):
            src = p.rows[y // SCALE]
            rows[y0 + y][x0:x0 + p.w * SCALE] = [src[x // SCALE] for x in range(p.w * SCALE)]
    bmp.write_atomic(path, _png(WIDTH, height, rows))
