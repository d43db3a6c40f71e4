#!/usr/bin/env python3
"""Draws the language module's pictures: the 16x16 image strip (bitmap 118, magenta background),
the working dialog's picture (124), the password box's picture (745) and the six animation icons
(143 to 148). Each bitmap is drawn for 100 %, 150 % and 200 % (the strip's images 16, 24 and 32
pixels, the pictures 48, 72 and 96), each icon holds 16, 24, 32, 48 and 64 pixel images. The shapes
are given on the 100 % grid and each pixel of a larger picture is taken at its centre on that grid,
so the 100 % pictures are exactly what they always were. Output: BMP and ICO files in the folder
given as the only argument."""
import math
import os
import struct
import sys

MAGENTA = (255, 0, 255)


def bmp_bytes(width, height, pixel):
    """A 24-bit bottom-up BMP; pixel(x, y) gives (r, g, b) with y = 0 at the top."""
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        line += b"\0" * (row - width * 3)
        data += line
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header, bytes(data)


def write_bmp(path, width, height, pixel):
    header, data = bmp_bytes(width, height, pixel)
    filehdr = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(data), 0, 0, 14 + len(header))
    with open(path, "wb") as f:
        f.write(filehdr + header + data)


def icon_image(size, pixel, opaque):
    """One 24-bit image of an icon: its DIB header, colour rows and mask rows. opaque(x, y) says which
    pixels are drawn (AND mask clear)."""
    header, data = bmp_bytes(size, size, pixel)
    # The icon's DIB header counts the colour and mask rows together.
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 24, 0, 0, 0, 0, 0, 0)
    mrow = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = bytearray(mrow)
        for x in range(size):
            if not opaque(x, y):
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + data + bytes(mask)


def write_ico(path, images):
    """An icon file of several images, given as (size, pixel, opaque) with pixel and opaque in the
    image's own pixels."""
    blobs = [(size, icon_image(size, pixel, opaque)) for size, pixel, opaque in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for size, blob in blobs:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 24, len(blob), offset)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blob for _, blob in blobs))


def on_grid(pixel, scale):
    """pixel(u, v), given on the 100 % grid, for a picture drawn at scale: each pixel is taken at its
    centre on that grid (at scale 1, exactly the pixel itself)."""
    if scale == 1:
        return pixel
    return lambda x, y: pixel((x + 0.5) / scale - 0.5, (y + 0.5) / scale - 0.5)


def cell(a, lo, hi):
    """a lies in the grid cells lo to hi (for whole numbers: lo <= a <= hi)."""
    return lo - 0.5 <= a <= hi + 0.5


# The three densities of the bitmaps, and the numbers added to a bitmap's id for the larger two
# (IDB_SCALED_150 and IDB_SCALED_200 of include/zrpcres_ids.h).
SCALES = ((1, ""), (1.5, "_150"), (2, "_200"))
ICON_SIZES = (32, 16, 24, 48, 64)


PALETTE = [(0, 90, 170), (200, 40, 40), (30, 140, 60), (220, 160, 0), (110, 60, 160), (0, 150, 150)]


def strip_pixel(x, y):
    """36 small glyphs: a key, a token or a folder shape in varying colours on magenta; x on the
    strip's 100 % grid (16 per glyph), y on the glyph's."""
    index = int(x // 16 if x >= 0 else 0)
    px = x - 16 * index
    colour = PALETTE[index % len(PALETTE)]
    shape = index % 3
    if shape == 0:  # key: a ring and a shaft
        d = math.hypot(px - 5, y - 8)
        if 2 <= d <= 4 or (cell(px, 8, 15) and cell(y, 7, 9)) or (
                (cell(px, 11, 11) or cell(px, 13, 13)) and cell(y, 9, 11)):
            return colour
    elif shape == 1:  # token: a rounded block with a contact
        corner = (cell(px, 3, 3) or cell(px, 12, 12)) and (cell(y, 2, 2) or cell(y, 13, 13))
        if cell(px, 3, 12) and cell(y, 2, 13) and not corner:
            return (255, 255, 255) if cell(px, 6, 9) and cell(y, 5, 7) else colour
    else:  # folder
        if (cell(px, 2, 7) and cell(y, 3, 4)) or (cell(px, 2, 13) and cell(y, 5, 12)):
            return colour
    return MAGENTA


def shield(colour, x, y, w=48, h=48):
    cx = w / 2
    inside = abs(x - cx) < (w * 0.4) * (1 - max(0, y - h * 0.55) / (h * 0.5)) and h * 0.1 < y < h * 0.95
    return colour if inside else (236, 233, 216)


def icon_frame(frame):
    """The animation's frame (0 to 5): a bar turned by frame * 30 degrees in a white disc, on the
    32-pixel grid, and the disc as its shape."""
    a = frame * math.pi / 6

    def pixel(x, y):
        dx, dy = x - 15.5, y - 15.5
        along = dx * math.cos(a) + dy * math.sin(a)
        across = -dx * math.sin(a) + dy * math.cos(a)
        if abs(across) <= 3 and abs(along) <= 13:
            return (0, 90, 170)
        return (255, 255, 255)

    def opaque(x, y):
        return math.hypot(x - 15.5, y - 15.5) <= 15

    return pixel, opaque


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for scale, suffix in SCALES:
        def size(n, s=scale):
            return int(n * s)

        write_bmp(os.path.join(out, "strip118%s.bmp" % suffix), size(16 * 36), size(16),
                  on_grid(strip_pixel, scale))
        write_bmp(os.path.join(out, "bitmap124%s.bmp" % suffix), size(48), size(48),
                  on_grid(lambda x, y: shield((0, 90, 170), x, y), scale))
        write_bmp(os.path.join(out, "bitmap745%s.bmp" % suffix), size(48), size(48),
                  on_grid(lambda x, y: shield((170, 30, 30), x, y), scale))

    # The 32-pixel image first: it is the one the 100 % dialog has always shown.
    for frame in range(6):
        pixel, opaque = icon_frame(frame)
        write_ico(os.path.join(out, "working%d.ico" % (frame + 1)),
                  [(n, on_grid(pixel, n / 32), on_grid(opaque, n / 32)) for n in ICON_SIZES])


if __name__ == "__main__":
    main()
