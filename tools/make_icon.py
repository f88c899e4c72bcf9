#!/usr/bin/python3
"""Draw the Dayglass application icon: a desk-calendar page.

Writes dayglass.ico with 48x48, 32x32 and 16x16 images, each a 16-colour
DIB with an AND mask, which windres and every Windows version accept. The
art has four colours, so a palette holds it exactly in an eighth of the
bytes a 32-bit image takes.

    /usr/bin/python3 tools/make_icon.py [OUTPUT_DIR]

OUTPUT_DIR defaults to resources/ in the repository. Only the standard
library is used and the output is byte-for-byte reproducible.
"""

import os
import struct
import sys

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Palette keys used in the pixel maps below; '.' is transparent.
COLOURS = {
    "K": (0x00, 0x00, 0x00),
    "O": (0xFF, 0x8D, 0x1A),
    "W": (0xFF, 0xFF, 0xFF),
    "T": (0x00, 0xC8, 0xC8),
}

# Binder rings over an orange header, a white-framed black page and a grid
# of day dots with today's in teal. 16 px and 32 px use this one doubled.
PAGE_16 = """
................
....W......W....
..OOWOOOOOOWOO..
.OOOOOOOOOOOOOO.
.OOOOOOOOOOOOOO.
.WKKKKKKKKKKKKW.
.WKKKKKKKWKKWKW.
.WKKKKKKKKKKKKW.
.WKWKKTKKWKKWKW.
.WKKKKKKKKKKKKW.
.WKWKKWKKWKKWKW.
.WKKKKKKKKKKKKW.
.WKWKKWKKKKKKKW.
.WKKKKKKKKKKKKW.
.WWWWWWWWWWWWWW.
................
"""

# 48 px is this one doubled, with a finer grid of days.
PAGE_24 = """
........................
.....WW..........WW.....
.....WW..........WW.....
..OOOWWOOOOOOOOOOWWOOO..
.OOOOOOOOOOOOOOOOOOOOOO.
.OOOOOOOOOOOOOOOOOOOOOO.
.OOOOOOOOOOOOOOOOOOOOOO.
.OOOOOOOOOOOOOOOOOOOOOO.
.WKKKKKKKKKKKKKKKKKKKKW.
.WKKKKKKKKKKKKKKKKKKKKW.
.WKKKKKKKKKKKWKKWKKWKKW.
.WKKKKKKKKKKKKKKKKKKKKW.
.WKKKKKKKKKKKKKKKKKKKKW.
.WKKWKKWKKWKKWKKWKKWKKW.
.WKKKKKKKKKKKKKKKKKKKKW.
.WKKKKKKKKKKKKKKKKKKKKW.
.WKKWKKWKKTKKWKKWKKWKKW.
.WKKKKKKKKKKKKKKKKKKKKW.
.WKKKKKKKKKKKKKKKKKKKKW.
.WKKWKKWKKWKKWKKKKKKKKW.
.WKKKKKKKKKKKKKKKKKKKKW.
.WKKKKKKKKKKKKKKKKKKKKW.
.WWWWWWWWWWWWWWWWWWWWWW.
........................
"""


def parse(art):
    rows = art.strip().split("\n")
    assert all(len(r) == len(rows) for r in rows), "pixel map must be square"
    return rows


def scale(rows, factor):
    return ["".join(c * factor for c in row) for row in rows for _ in range(factor)]


# Palette order; a transparent pixel is index 0 under a set AND-mask bit.
PALETTE = ["K", "O", "W", "T"]


def dib(rows):
    """One icon image: BITMAPINFOHEADER, 16-colour palette, bottom-up 4-bit
    pixels, then the AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 0, 0)
    palette = bytearray(16 * 4)
    for index, key in enumerate(PALETTE):
        r, g, b = COLOURS[key]
        palette[index * 4:index * 4 + 3] = bytes((b, g, r))
    stride = (size * 4 + 31) // 32 * 4
    mask_stride = (size + 31) // 32 * 4
    colour = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        pixels = bytearray(stride)
        bits = bytearray(mask_stride)
        for x, key in enumerate(row):
            if key == ".":
                bits[x // 8] |= 0x80 >> (x % 8)
            else:
                pixels[x // 2] |= PALETTE.index(key) << (0 if x % 2 else 4)
        colour += pixels
        mask += bits
    return header + bytes(palette) + bytes(colour) + bytes(mask)


def build_icon():
    small, large = parse(PAGE_16), parse(PAGE_24)
    images = [scale(large, 2), scale(small, 2), small]
    blobs = [dib(rows) for rows in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for rows, blob in zip(images, blobs):
        size = len(rows)
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def main(argv):
    out_dir = argv[1] if len(argv) > 1 else os.path.join(REPO, "resources")
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "dayglass.ico"), "wb") as f:
        f.write(build_icon())


if __name__ == "__main__":
    main(sys.argv)
