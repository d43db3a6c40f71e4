#!/usr/bin/env python3
"""Draws the language module's pictures: the 16x16 image strip (bitmap 118, magenta background),
the working dialog's picture (124), the password box's picture (745) and the six 32x32 animation
icons (143 to 148). Output: BMP and ICO files in the folder given as the only argument."""
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


def write_ico(path, size, pixel, opaque):
    """A single-image 24-bit icon; opaque(x, y) says which pixels are drawn (AND mask clear)."""
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
    image = header + data + bytes(mask)
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 24, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(icondir + entry + image)


PALETTE = [(0, 90, 170), (200, 40, 40), (30, 140, 60), (220, 160, 0), (110, 60, 160), (0, 150, 150)]


def strip_pixel(x, y):
    """36 small glyphs: a key, a token or a folder shape in varying colours on magenta."""
    index, px = divmod(x, 16)
    colour = PALETTE[index % len(PALETTE)]
    shape = index % 3
    if shape == 0:  # key: a ring and a shaft
        d = math.hypot(px - 5, y - 8)
        if 2 <= d <= 4 or (px >= 8 and 7 <= y <= 9) or (px in (11, 13) and 9 <= y <= 11):
            return colour
    elif shape == 1:  # token: a rounded block with a contact
        if 3 <= px <= 12 and 2 <= y <= 13 and not ((px in (3, 12)) and (y in (2, 13))):
            return (255, 255, 255) if 6 <= px <= 9 and 5 <= y <= 7 else colour
    else:  # folder
        if (2 <= px <= 7 and 3 <= y <= 4) or (2 <= px <= 13 and 5 <= y <= 12):
            return colour
    return MAGENTA


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "strip118.bmp"), 16 * 36, 16, strip_pixel)

    def shield(x, y, w, h, colour):
        cx = w / 2
        inside = abs(x - cx) < (w * 0.4) * (1 - max(0, y - h * 0.55) / (h * 0.5)) and h * 0.1 < y < h * 0.95
        return colour if inside else (236, 233, 216)

    write_bmp(os.path.join(out, "bitmap124.bmp"), 48, 48, lambda x, y: shield(x, y, 48, 48, (0, 90, 170)))
    write_bmp(os.path.join(out, "bitmap745.bmp"), 48, 48, lambda x, y: shield(x, y, 48, 48, (170, 30, 30)))

    for frame in range(6):
        angle = frame * math.pi / 6

        def icon_pixel(x, y, a=angle):
            dx, dy = x - 15.5, y - 15.5
            along = dx * math.cos(a) + dy * math.sin(a)
            across = -dx * math.sin(a) + dy * math.cos(a)
            if abs(across) <= 3 and abs(along) <= 13:
                return (0, 90, 170)
            return (255, 255, 255)

        def icon_opaque(x, y):
            return math.hypot(x - 15.5, y - 15.5) <= 15

        write_ico(os.path.join(out, "working%d.ico" % (frame + 1)), 32, icon_pixel, icon_opaque)


if __name__ == "__main__":
    main()
