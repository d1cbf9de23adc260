#!/usr/bin/env python3
"""Draws Pinweave's application icon (resource 131) and writes it as an .ico
with 16, 24, 32 and 48 px images (32 bits per pixel with alpha) and a 256 px
image stored as PNG, as the system expects for that size.

The motif: three wires in the usual harness colours running from a connector
block on the left to three test pins on the right, on a dark blue tile.
Every shape is described in unit coordinates (0..1) and sampled 4x4 per pixel,
so both sizes come from the same drawing.

Usage: make-icon.py OUTPUT.ico   (the result is checked in as res/Pinweave.ico)
"""
import math
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 256)

TILE = (32, 56, 104)
EDGE = (16, 28, 60)
CONNECTOR = (176, 180, 188)
PIN = (236, 200, 80)
WIRES = [((224, 56, 48), 0.30), ((250, 210, 40), 0.50), ((64, 190, 90), 0.70)]


def in_rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def wire_y(start, end, x):
    """A wire leaves the connector at height start and bends over to end."""
    t = min(max((x - 0.30) / 0.45, 0.0), 1.0)
    s = t * t * (3 - 2 * t)
    return start + (end - start) * s


def sample(x, y):
    """Colour (r, g, b, a) of the drawing at the unit point (x, y)."""
    if not in_rounded_rect(x, y, 0.02, 0.02, 0.98, 0.98, 0.16):
        return (0, 0, 0, 0)
    colour = TILE
    if not in_rounded_rect(x, y, 0.07, 0.07, 0.93, 0.93, 0.12):
        colour = EDGE
    if 0.14 <= x <= 0.32 and 0.18 <= y <= 0.82:
        return CONNECTOR + (255,)
    ends = [0.70, 0.30, 0.50]
    for (wire_colour, start), end in zip(WIRES, ends):
        if 0.30 <= x <= 0.80 and abs(y - wire_y(start, end, x)) <= 0.055:
            colour = wire_colour
    for end in ends:
        if math.hypot(x - 0.80, y - end) <= 0.085:
            colour = PIN
    return colour + (255,)


def render(size):
    """Rows from the top, each a list of (r, g, b, a)."""
    rows = []
    n = 4
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    r, g, b, a = sample((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            a = acc[3]
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(acc[0] / a), round(acc[1] / a), round(acc[2] / a), round(a / (n * n))))
        rows.append(row)
    return rows


def dib(size):
    """BITMAPINFOHEADER, bottom-up BGRA pixels and the 1-bit AND mask."""
    rows = render(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def png(size):
    """The image as a PNG file: RGBA, 8 bits per channel."""
    rows = render(size)
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-icon.py OUTPUT.ico")
    images = [png(size) if size == 256 else dib(size) for size in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        # A width or height of 256 is written as 0.
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(images))


if __name__ == "__main__":
    main()
