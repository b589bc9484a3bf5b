#!/usr/bin/env python3
"""Writes the setup's artwork: logo.bmp (204 x 66, 4 bits per pixel,
uncompressed, 16-entry palette) and mainicon.ico (32 x 32, 16 colours).

The logo is the word "Ferrovale" in raised relief on a light-grey panel, the
icon a blue badge with a raised yellow "F". Both are drawn from the small
pixel font below, with nothing but the standard library. Run it from
anywhere; it writes next to itself."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The standard 16-colour palette as (R, G, B); written B, G, R, 0 on disk.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, NAVY, LIGHT_GREY, DARK_GREY, YELLOW, WHITE = 0, 4, 7, 8, 11, 15

# A bold pixel font: ten rows per glyph, capitals from row 0, small letters
# from row 3, no descenders. '#' is ink.
GLYPHS = {
    'F': ["######",
          "######",
          "##....",
          "##....",
          "#####.",
          "#####.",
          "##....",
          "##....",
          "##....",
          "##...."],
    'e': ["......",
          "......",
          "......",
          ".####.",
          "##..##",
          "##..##",
          "######",
          "##....",
          "##..##",
          ".####."],
    'r': [".....",
          ".....",
          ".....",
          "##.##",
          "#####",
          "###..",
          "##...",
          "##...",
          "##...",
          "##..."],
    'o': ["......",
          "......",
          "......",
          ".####.",
          "##..##",
          "##..##",
          "##..##",
          "##..##",
          "##..##",
          ".####."],
    'v': ["......",
          "......",
          "......",
          "##..##",
          "##..##",
          "##..##",
          ".#..#.",
          ".####.",
          "..##..",
          "..##.."],
    'a': ["......",
          "......",
          "......",
          ".####.",
          "....##",
          ".#####",
          "##..##",
          "##..##",
          "##..##",
          ".#####"],
    'l': ["##",
          "##",
          "##",
          "##",
          "##",
          "##",
          "##",
          "##",
          "##",
          "##"],
}


def text_mask(text, scale, gap):
    """The ink of a word as a set of (x, y), each font cell scale x scale
    pixels, glyphs `gap` cells apart. Returns the set, its width and height."""
    ink = set()
    x0 = 0
    for ch in text:
        glyph = GLYPHS[ch]
        for row, line in enumerate(glyph):
            for col, cell in enumerate(line):
                if cell == '#':
                    for dy in range(scale):
                        for dx in range(scale):
                            ink.add((x0 + col * scale + dx, row * scale + dy))
        x0 += (len(glyph[0]) + gap) * scale
    return ink, x0 - gap * scale, len(GLYPHS['F']) * scale


def stamp_relief(px, ink, left, top, face, depth=1):
    """Draws ink raised off the surface: lit (white) toward the top left,
    shaded (dark grey) toward the bottom right, the face in `face`."""
    for d in range(depth, 0, -1):
        for (x, y) in ink:
            px[top + y - d][left + x - d] = WHITE
    for d in range(depth, 0, -1):
        for (x, y) in ink:
            px[top + y + d][left + x + d] = DARK_GREY
    for (x, y) in ink:
        px[top + y][left + x] = face


def bevel(px, left, top, right, bottom, raised):
    """A one-pixel frame: lit top and left edges for a raised panel, the
    other way round for a sunken groove."""
    light, dark = (WHITE, DARK_GREY) if raised else (DARK_GREY, WHITE)
    for x in range(left, right + 1):
        px[top][x] = light
        px[bottom][x] = dark
    for y in range(top, bottom + 1):
        px[y][left] = light
        px[y][right] = dark


def logo_pixels(width=204, height=66):
    px = [[LIGHT_GREY] * width for _ in range(height)]
    bevel(px, 0, 0, width - 1, height - 1, raised=True)
    bevel(px, 3, 3, width - 4, height - 4, raised=False)
    ink, text_width, text_height = text_mask("Ferrovale", scale=3, gap=1)
    left = (width - text_width) // 2
    stamp_relief(px, ink, left, 10, LIGHT_GREY, depth=2)
    # A pair of engraved rails under the word, with raised sleepers.
    rail_left, rail_right = left - 4, left + text_width + 3
    for x in range(rail_left, rail_right - 2, 8):
        bevel(px, x, 46, x + 3, 56, raised=True)
    for y in (48, 53):
        for x in range(rail_left, rail_right + 1):
            px[y][x] = DARK_GREY
            px[y + 1][x] = WHITE
    return px


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


def pack_mask(opaque, width, height):
    """1-bit AND mask, bottom row first, rows padded to 4 bytes: 1 where the
    icon is transparent."""
    stride = ((width + 31) // 32) * 4
    out = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray(stride)
        for x in range(width):
            if not opaque[y][x]:
                row[x // 8] |= 0x80 >> (x % 8)
        out += row
    return bytes(out)


def info_header(width, height, image_size, height_field=None):
    return struct.pack('<IiiHHIIiiII', 40, width, height if height_field is None else height_field,
                       1, 4, 0, image_size, 0, 0, 16, 0)


def palette_bytes():
    return b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)


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
    """A navy disc with a white rim and a raised yellow "F"; outside the
    disc the icon is transparent."""
    px = [[BLACK] * size for _ in range(size)]
    opaque = [[False] * size for _ in range(size)]
    centre = (size - 1) / 2
    for y in range(size):
        for x in range(size):
            r2 = (x - centre) ** 2 + (y - centre) ** 2
            if r2 <= (size / 2) ** 2:
                opaque[y][x] = True
                px[y][x] = WHITE if r2 > (size / 2 - 2) ** 2 else NAVY
    ink, w, h = text_mask("F", scale=2, gap=0)
    left, top = (size - w) // 2 + 1, (size - h) // 2
    for (x, y) in ink:
        px[top + y + 1][left + x + 1] = BLACK
    for (x, y) in ink:
        px[top + y][left + x] = YELLOW
    return px, opaque


def write_icon(path):
    size = 32
    pixels, opaque = icon_pixels(size)
    xor = pack_rows(pixels, size, size)
    and_mask = pack_mask(opaque, size, size)
    image = info_header(size, size, len(xor) + len(and_mask), height_field=2 * size) + palette_bytes() + xor + and_mask
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), 22)
    with open(path, 'wb') as f:
        f.write(directory + image)


if __name__ == '__main__':
    write_logo(os.path.join(HERE, 'logo.bmp'))
    write_icon(os.path.join(HERE, 'mainicon.ico'))
