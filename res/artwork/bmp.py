"""Windows BMP files: BITMAPFILEHEADER + BITMAPINFOHEADER, bottom-up rows.

A picture is a list of rows (top row first) of (r, g, b) tuples.
"""

import os
import struct


def colours_in(pixels):
    """The colours of a picture in order of first appearance (top-down scan),
    so the top-left colour is always palette index 0."""
    seen = {}
    for row in pixels:
        for c in row:
            if c not in seen:
                seen[c] = len(seen)
    return list(seen)


def fit_palette(pixels, bits):
    """The picture reduced to at most 2**bits colours: the most frequent
    colours stay, every other one becomes its nearest kept colour.  Pictures
    meant for palettes are drawn with few colours, so normally this is a
    no-op; it only guarantees a valid file."""
    used = colours_in(pixels)
    limit = 1 << bits
    if len(used) <= limit:
        return pixels
    count = {c: 0 for c in used}
    for row in pixels:
        for c in row:
            count[c] += 1
    order = {c: i for i, c in enumerate(used)}
    kept = sorted(used, key=lambda c: (-count[c], order[c]))[:limit]

    def nearest(c):
        return min(kept, key=lambda k: (sum((a - b) ** 2 for a, b in zip(c, k)), kept.index(k)))

    table = {c: (c if c in kept else nearest(c)) for c in used}
    return [[table[c] for c in row] for row in pixels]


def encode(pixels, bits):
    """The bytes of a BMP file; 4- and 8-bit pictures get a palette of the
    colours they use and must already fit it (see fit_palette)."""
    height, width = len(pixels), len(pixels[0])
    stride = (width * bits + 31) // 32 * 4
    palette = colours_in(pixels) if bits <= 8 else []
    if bits <= 8 and len(palette) > 1 << bits:
        raise ValueError("too many colours for %d bits" % bits)
    index = {c: i for i, c in enumerate(palette)}

    rows = []
    for row in reversed(pixels):  # bottom-up
        if bits == 24:
            data = b"".join(bytes((b, g, r)) for r, g, b in row)
        elif bits == 8:
            data = bytes(index[c] for c in row)
        elif bits == 4:
            nibbles = [index[c] for c in row] + [0]
            data = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, width, 2))
        else:
            raise ValueError("unsupported depth %d" % bits)
        rows.append(data + b"\0" * (stride - len(data)))
    image = b"".join(rows)

    colour_table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + 40 + len(colour_table)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    info_header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(image),
                              2835, 2835, len(palette), 0)
    return file_header + info_header + colour_table + image


def write_atomic(path, data):
    """Writes NAME.tmp and renames it over NAME, so a reader never sees half a file."""
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)
