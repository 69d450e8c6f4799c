# Regenerate the icon with: python3 tools/draw_icon.py  (run from the repository root)
"""Draws app/res/corvel.ico: a 32x32, 16-colour icon of a black diamond split by a lightning bolt."""

import os
import struct
import sys
import zlib

SIZE = 32

# Standard VGA 16-colour order, as (r, g, b).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, BLUE, CYAN = 0, 12, 14

# Zig-zag bolt outline, upper right to lower left, in pixel coordinates.
BOLT = [(20, 1), (29, 1), (20, 12), (26, 12), (4, 31), (13, 17), (7, 17)]


def inside_polygon(px, py, poly):
    # Even-odd ray cast; sample at pixel centres so edges stay symmetric.
    hit = False
    n = len(poly)
    for i in range(n):
        x1, y1 = poly[i]
        x2, y2 = poly[(i + 1) % n]
        if (y1 > py) != (y2 > py):
            if px < x1 + (py - y1) * (x2 - x1) / (y2 - y1):
                hit = not hit
    return hit


def in_diamond(x, y):
    c = SIZE / 2.0
    return abs(x + 0.5 - c) + abs(y + 0.5 - c) <= c


def draw():
    """Returns (pixels, mask): colour indices and transparency flags, top row first."""
    bolt = [[inside_polygon(x + 0.5, y + 0.5, BOLT) for x in range(SIZE)] for y in range(SIZE)]
    pixels = [[BLACK] * SIZE for _ in range(SIZE)]
    mask = [[True] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            if bolt[y][x]:
                # Bolt pixels touching anything outside the bolt form the light rim.
                edge = False
                for dx, dy in ((-1, 0), (1, 0), (0, -1), (0, 1)):
                    nx, ny = x + dx, y + dy
                    if not (0 <= nx < SIZE and 0 <= ny < SIZE) or not bolt[ny][nx]:
                        edge = True
                pixels[y][x] = CYAN if edge else BLUE
                mask[y][x] = False
            elif in_diamond(x, y):
                mask[y][x] = False
    return pixels, mask


def ico_bytes(pixels, mask):
    xor_rows = []
    and_rows = []
    for y in reversed(range(SIZE)):  # DIBs are stored bottom-up
        row = bytearray()
        for x in range(0, SIZE, 2):
            row.append((pixels[y][x] << 4) | pixels[y][x + 1])
        xor_rows.append(bytes(row))  # 16 bytes: already 4-byte aligned
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if mask[y][x] else 0)
        and_rows.append(struct.pack(">I", bits))  # 4 bytes, MSB is leftmost pixel
    xor_data = b"".join(xor_rows)
    and_data = b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         len(xor_data) + len(and_data), 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    image = header + palette + xor_data + and_data
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return icondir + entry + image


def png_bytes(pixels, mask, scale):
    # Checkerboard behind transparent pixels makes the mask visible in the preview.
    raw = bytearray()
    for y in range(SIZE * scale):
        raw.append(0)
        for x in range(SIZE * scale):
            sx, sy = x // scale, y // scale
            if mask[sy][sx]:
                v = 0xE0 if ((x // 16) + (y // 16)) % 2 else 0xA0
                raw += bytes((v, v, v))
            else:
                raw += bytes(PALETTE[pixels[sy][sx]])

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    w = h = SIZE * scale
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + chunk(b"IEND", b""))


def main():
    pixels, mask = draw()
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(here, os.pardir, "app", "res", "corvel.ico")
    with open(out, "wb") as f:
        f.write(ico_bytes(pixels, mask))
    # Optional: a scaled PNG preview for eyeballing, e.g. --preview icon-preview.png
    if len(sys.argv) == 3 and sys.argv[1] == "--preview":
        with open(sys.argv[2], "wb") as f:
            f.write(png_bytes(pixels, mask, 8))


if __name__ == "__main__":
    main()
