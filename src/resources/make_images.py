#!/usr/bin/env python3
"""Draws the wizard's pictures: the 32 x 32 window icon (setup.ico) and the
120 x 258 page picture (page.bmp), both with the 16-colour Windows palette.

The icon is drawn from the character grid below; the page picture is a dithered
navy-to-teal gradient with a rising price line and candlesticks.

usage: make_images.py OUTPUT_DIR
"""
import os
import struct
import sys

PALETTE = [  # the 16 standard colours, as (r, g, b)
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GRAY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)

# Icon: '.' transparent, other letters index the palette through ICON_COLOURS.
ICON_COLOURS = {'n': NAVY, 'b': BLUE, 'w': WHITE, 'y': YELLOW, 'r': RED,
                'g': LIME, 's': SILVER, 'k': BLACK}
ICON = [
    "................................",
    "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
    ".knnnnnnnnnnnnnnnnnnnnnnnnnnnnk.",
    ".knnnnnnnnnnnnnnnnnnnnnnnnyynnk.",
    ".knnnnnnnnnnnnnnnnnnnnnnnyynnnk.",
    ".knnnnnnnnnnnnnnnnnnnnnnyynnnnk.",
    ".knnnnnnnnnnnnnnnnnnnnnyynnnnnk.",
    ".knnnnnnnnnnnnnnnnnnnnyynnnnnnk.",
    ".knnnnnnnnnnnnnnnnnnnyynnnrnnnk.",
    ".knnnnnnnnnnnnnnnnnnyynnnnrnnnk.",
    ".knnnnnnnnnnnnnnnnnyynnnnrrrnnk.",
    ".knnnnnnnnnnnnnnnnyynnnnnrrrnnk.",
    ".knnnnnnnnnnnnnnnyynnnnnnrrrnnk.",
    ".knnnnnnnnnnnnnnyynnnnnnnrrrnnk.",
    ".knnnnnnnnnnnnnyynnnnrnnnrrrnnk.",
    ".knnnnnnnnnnnnyynnnnnrnnnnrnnnk.",
    ".knnnnnnnnnnnyynnnnnrrrnnnrnnnk.",
    ".knnnnnnnnnnyynnnnnnrrrnnnnnnnk.",
    ".knnnnnnggnyynnnnnnnrrrnnnnnnnk.",
    ".knnnnnnggyynnnnnnnnrrrnnnnnnnk.",
    ".knnnnnngggnnnnnnnnnnrnnnnnnnnk.",
    ".knnnnnnggyynnnnnnnnnrnnnnnnnnk.",
    ".knnnnnnyynnnnnnnnnnnnnnnnnnnnk.",
    ".knnnnnyynggnnnnnnnnnnnnnnnnnnk.",
    ".knnnnyynnggnnnnnnnnnnnnnnnnnnk.",
    ".knnnnnnnnggnnnnnnnnnnnnnnnnnnk.",
    ".knnnnnnnnnnnnnnnnnnnnnnnnnnnnk.",
    ".knsssssssssssssssssssssssssssk.",
    ".knnnnnnnnnnnnnnnnnnnnnnnnnnnnk.",
    ".kwwwwwwwwwwwwwwwwwwwwwwwwwwwwk.",
    "..kkkkkkkkkkkkkkkkkkkkkkkkkkkk..",
    "................................",
]


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def packed_rows(pixels, width):
    """4-bit rows, bottom-up, each padded to a multiple of 4 bytes."""
    out = bytearray()
    for row in reversed(pixels):
        data = bytearray()
        for x in range(0, width, 2):
            data.append((row[x] << 4) | (row[x + 1] if x + 1 < width else 0))
        data.extend(b"\0" * (-len(data) % 4))
        out.extend(data)
    return bytes(out)


def info_header(width, height, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, image_size, 0, 0, 16, 16)


def write_icon(path):
    pixels = [[ICON_COLOURS.get(c, BLACK) for c in line] for line in ICON]
    xor = packed_rows(pixels, 32)
    mask = bytearray()
    for line in reversed(ICON):
        bits = 0
        for c in line:
            bits = (bits << 1) | (1 if c == "." else 0)
        mask.extend(struct.pack(">I", bits))
    image = info_header(32, 64, len(xor) + len(mask)) + palette_bytes() + xor + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 32, 32, 16, 0, 1, 4, len(image), 22)
    with open(path, "wb") as f:
        f.write(directory + image)


BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def page_picture(width=120, height=258):
    pixels = []
    for y in range(height):
        row = []
        for x in range(width):
            # Navy at the top blending into teal at the bottom, ordered dither.
            t = y / (height - 1)
            row.append(TEAL if t * 16 > BAYER[y % 4][x % 4] + 0.5 else NAVY)
        pixels.append(row)
    # A faint grid.
    for gy in range(40, height - 20, 36):
        for x in range(8, width - 8, 2):
            pixels[gy][x] = BLUE
    # Candlesticks: (x, open, close, high, low) in pixels from the top.
    candles = [(16, 200, 186, 180, 206), (30, 188, 172, 166, 194), (44, 176, 182, 170, 190),
               (58, 178, 150, 144, 184), (72, 152, 138, 130, 158), (86, 140, 146, 134, 152),
               (100, 142, 112, 104, 148)]
    for x, o, c, hi, lo in candles:
        colour = RED if c < o else LIME
        for y in range(hi, lo + 1):
            pixels[y][x] = SILVER
        for y in range(min(o, c), max(o, c) + 1):
            for dx in range(-3, 4):
                pixels[y][x + dx] = colour
    # A rising average line.
    points = [(8, 214), (30, 190), (58, 170), (86, 146), (112, 108)]
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        for x in range(x0, x1 + 1):
            y = y0 + (y1 - y0) * (x - x0) // (x1 - x0)
            pixels[y][x] = YELLOW
            pixels[y + 1][x] = YELLOW
    # A white frame line on the right edge, where the page's controls begin.
    for y in range(height):
        pixels[y][width - 1] = WHITE
    return pixels


def write_bitmap(path):
    width, height = 120, 258
    rows = packed_rows(page_picture(width, height), width)
    header_size = 14 + 40 + 64
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(rows), 0, 0, header_size)
    with open(path, "wb") as f:
        f.write(file_header + info_header(width, height, len(rows)) + palette_bytes() + rows)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    write_icon(os.path.join(out, "setup.ico"))
    write_bitmap(os.path.join(out, "page.bmp"))


if __name__ == "__main__":
    main()
