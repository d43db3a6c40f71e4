#!/usr/bin/env python3
"""Converts 24-bit uncompressed BMP files (bottom-up or top-down) to PNG, next to them.
Usage: bmp2png.py FILE.bmp..."""
import struct
import sys
import zlib


def bmp_to_png(src, dst):
    data = open(src, "rb").read()
    if data[:2] != b"BM":
        raise ValueError(src + ": not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    if bits != 24 or compression != 0:
        raise ValueError(src + ": only 24-bit uncompressed BMP files are handled")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        row_index = abs(height) - 1 - y if height > 0 else y
        start = offset + row_index * stride
        bgr = data[start:start + width * 3]
        rgb = bytearray(width * 3)
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(b"\0" + bytes(rgb))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
    png += chunk(b"IEND", b"")
    with open(dst, "wb") as f:
        f.write(png)


for path in sys.argv[1:]:
    bmp_to_png(path, path[:-4] + ".png")
