#!/usr/bin/env python3
"""Draws the pictures that Windows test programs carry in their resources. Output: BMP files in the
folder given as the only argument.

report_view_test.bmp      8 x 8, 24 bits: the left half green (40, 180, 40), the right half purple
                          (120, 40, 160); the report control tiles it behind its rows.
report_view_test_8bit.bmp the same picture with 8 bits a pixel and a colour table of four entries:
                          green, purple, (1, 2, 3) and (250, 128, 7); a picture that brings its own
                          colours into the control's palette."""
import os
import struct
import sys

GREEN = (40, 180, 40)
PURPLE = (120, 40, 160)


def half_and_half(x, y):
    return GREEN if x < 4 else PURPLE


def write_bmp(path, width, height, pixel, table=None):
    """A bottom-up BMP; pixel(x, y) gives (r, g, b) with y = 0 at the top. With a table (a list of
    (r, g, b)) the picture has 8 bits a pixel and each pixel is its colour's index in the table."""
    bits = 8 if table else 24
    row = (width * bits // 8 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            colour = pixel(x, y)
            if table:
                line.append(table.index(colour))
            else:
                r, g, b = colour
                line += bytes((b, g, r))
        line += b"\0" * (row - len(line))
        data += line
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in (table or []))
    count = len(table or [])
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 2835, 2835, count, count)
    offset = 14 + len(info) + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(header + info + colours + bytes(data))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "report_view_test.bmp"), 8, 8, half_and_half)
    write_bmp(os.path.join(out, "report_view_test_8bit.bmp"), 8, 8, half_and_half,
              [GREEN, PURPLE, (1, 2, 3), (250, 128, 7)])


if __name__ == "__main__":
    main()
