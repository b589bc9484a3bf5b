#!/usr/bin/env python3
"""Writes the setup's artwork: logo.bmp (204 x 66, 4 bits per pixel,
uncompressed, 16-entry palette) and mainicon.ico (32 x 32, 16 colours).
Run it from anywhere; it writes next to itself."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard 16-colour palette (B, G, R, 0 on disk).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
LIGHT_GREY, DARK_GREY, WHITE = 7, 8, 15


def pack_rows(pixels, width, height):
    """4-bit rows, bottom row first, each padded to 4 bytes."""
    stride = ((width * 4 + 31) // 32) * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            v = pixels[y][x]
            if x % 2 == 0:
                row[x // 2] |= v << 4
            else:
                row[x // 2] |= v
        out += row
    return bytes(out)


def info_header(width, height, image_size, height_field=None):
    return struct.pack('<IiiHHIIiiII', 40, width, height if height_field is None else height_field,
                       1, 4, 0, image_size, 0, 0, 16, 0)


def palette_bytes():
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)


def logo_pixels(width=204, height=66):
    px = [[LIGHT_GREY] * width for _ in range(height)]
    # A raised frame: white on the top and left edges, dark grey on the others.
    for x in range(2, width - 2):
        px[2][x] = WHITE
        px[height - 3][x] = DARK_GREY
    for y in range(2, height - 2):
        px[y][2] = WHITE
        px[y][width - 3] = DARK_GREY
    return px


def write_logo(path):
    width, height = 204, 66
    bits = pack_rows(logo_pixels(width, height), width, height)
    header = info_header(width, height, len(bits))
    offset = 14 + len(header) + 64
    data = struct.pack('<2sIHHI', b'BM', offset + len(bits), 0, 0, offset) + header + palette_bytes() + bits
    assert len(data) - 14 == 6968, len(data)
    with open(path, 'wb') as f:
        f.write(data)


def icon_pixels(size=32):
    px = [[LIGHT_GREY] * size for _ in range(size)]
    for i in range(size):
        px[0][i] = px[i][0] = WHITE
        px[size - 1][i] = px[i][size - 1] = DARK_GREY
    return px


def write_icon(path):
    size = 32
    xor = pack_rows(icon_pixels(size), size, size)
    and_mask = bytes(4 * size)  # 1 bit per pixel, rows padded to 4 bytes: all opaque
    image = info_header(size, size, len(xor) + len(and_mask), height_field=2 * size) + palette_bytes() + xor + and_mask
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), 22)
    with open(path, 'wb') as f:
        f.write(directory + image)


if __name__ == '__main__':
    write_logo(os.path.join(HERE, 'logo.bmp'))
    write_icon(os.path.join(HERE, 'mainicon.ico'))
