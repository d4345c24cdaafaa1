#!/usr/bin/env python3
"""Draws the program's banner (banner.bmp, 700 x 60, 8 bits per pixel) and its
icon (kavonix.ico, 32 x 32, 16 colours) with a small pixel font of its own.
Standard library only; run it from anywhere: the images land beside it."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# 5 x 7 glyphs, one string per row, '#' set.
GLYPHS = {
    "K": ["#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "v": [".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "n": [".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "i": ["..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."],
    "x": [".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
}


def text_cells(text, scale, gap):
    """Set pixels of `text` as (x, y) offsets from its top-left corner, and its width."""
    cells = []
    x = 0
    for ch in text:
        rows = GLYPHS[ch]
        for gy, row in enumerate(rows):
            for gx, bit in enumerate(row):
                if bit == "#":
                    for dy in range(scale):
                        for dx in range(scale):
                            cells.append((x + gx * scale + dx, gy * scale + dy))
        x += 5 * scale + gap
    return cells, x - gap


# ---- Banner ----

BANNER_W, BANNER_H = 700, 60
WHITE, SHADOW, DISC_EDGE, DISC_BODY, DISC_SHEEN, DISC_HOLE, LINE = range(200, 207)


def banner_palette():
    pal = [(0, 0, 0)] * 256
    for i in range(128):  # background ramp: deep blue to sea green
        t = i / 127.0
        pal[i] = (int(18 + 10 * t), int(28 + 92 * t), int(70 + 70 * t))
    pal[WHITE] = (250, 250, 250)
    pal[SHADOW] = (8, 12, 30)
    pal[DISC_EDGE] = (110, 118, 130)
    pal[DISC_BODY] = (196, 202, 210)
    pal[DISC_SHEEN] = (150, 230, 240)
    pal[DISC_HOLE] = (40, 50, 80)
    pal[LINE] = (255, 200, 60)
    return pal


def draw_banner():
    px = [[0] * BANNER_W for _ in range(BANNER_H)]
    for y in range(BANNER_H):
        for x in range(BANNER_W):
            # Lighter in the middle, where the dialog shows the picture.
            t = 1.0 - abs(x - BANNER_W / 2) / (BANNER_W / 2)
            px[y][x] = min(127, int(127 * t * (1.0 - 0.3 * y / BANNER_H)))

    cells, width = text_cells("Kavonix", 6, 6)
    x0 = (BANNER_W - width) // 2 + 24
    y0 = 8
    for (x, y) in cells:
        px[y0 + y + 2][x0 + x + 2] = SHADOW
    for (x, y) in cells:
        px[y0 + y][x0 + x] = WHITE

    # A disc left of the name.
    cx, cy, r = x0 - 40, 29, 23
    for y in range(BANNER_H):
        for x in range(cx - r - 1, cx + r + 2):
            d = math.hypot(x - cx, y - cy)
            if d > r + 0.5:
                continue
            if d > r - 1.2:
                px[y][x] = DISC_EDGE
            elif d < 4:
                px[y][x] = DISC_HOLE
            elif d < 8:
                px[y][x] = DISC_EDGE if d > 6.8 else DISC_BODY
            else:
                angle = math.atan2(y - cy, x - cx)
                px[y][x] = DISC_SHEEN if abs(math.sin(2 * angle)) > 0.92 else DISC_BODY

    # An accent line under the name.
    for x in range(x0, x0 + width):
        px[y0 + 46][x] = LINE
        px[y0 + 47][x] = LINE

    pal = banner_palette()
    pixels = b"".join(bytes(px[y]) for y in range(BANNER_H - 1, -1, -1))  # bottom-up
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in pal)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, BANNER_W, BANNER_H, 1, 8, 0, len(pixels),
                       2835, 2835, 256, 0)
    with open(os.path.join(HERE, "banner.bmp"), "wb") as f:
        f.write(header + info + palette + pixels)


# ---- Icon ----

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, TEAL, SILVER, GRAY, BLUE, AQUA, WHITE16 = 0, 4, 6, 7, 8, 12, 14, 15


def draw_icon():
    size = 32
    colour = [[0] * size for _ in range(size)]
    clear = [[1] * size for _ in range(size)]  # AND mask: 1 lets the background through

    def put(x, y, c):
        colour[y][x] = c
        clear[y][x] = 0

    cx = cy = 15.5
    for y in range(size):
        for x in range(size):
            d = math.hypot(x - cx, y - cy)
            if d > 15.6 or d < 2.6:
                continue
            if d > 14.6 or d < 3.6:
                put(x, y, GRAY)
            elif d < 6:
                put(x, y, WHITE16)
            else:
                angle = math.atan2(y - cy, x - cx)
                s = math.sin(2 * angle)
                put(x, y, AQUA if s > 0.85 else (WHITE16 if s < -0.9 else SILVER))

    # A bold "K" in the lower right, with a dark outline so it reads on the disc.
    cells, _ = text_cells("K", 2, 0)
    kx, ky = 19, 16
    for (x, y) in cells:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                if 0 <= kx + x + dx < size and 0 <= ky + y + dy < size:
                    put(kx + x + dx, ky + y + dy, BLACK)
    for (x, y) in cells:
        put(kx + x, ky + y, BLUE)

    xor = b""
    for y in range(size - 1, -1, -1):
        row = colour[y]
        xor += bytes((row[x] << 4) | row[x + 1] for x in range(0, size, 2))
    mask = b""
    for y in range(size - 1, -1, -1):
        bits = 0
        for x in range(size):
            bits = (bits << 1) | clear[y][x]
        mask += struct.pack(">I", bits)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in VGA)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask),
                       0, 0, 16, 0)
    image = info + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    with open(os.path.join(HERE, "kavonix.ico"), "wb") as f:
        f.write(directory + entry + image)


if __name__ == "__main__":
    draw_banner()
    draw_icon()
