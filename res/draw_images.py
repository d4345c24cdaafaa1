#!/usr/bin/env python3
"""Draws the program's banner and icon with a small pixel font of its own:
banner.bmp (700 x 60, 8 bits per pixel), the one shown at 96 DPI;
banner2x.bmp (1400 x 120), the same picture drawn at twice the size, which the
program scales down to the screen's DPI elsewhere; kavonix.ico, the icon in
16, 20, 24, 32, 40, 48 and 64 pixels in 32-bit colour and 256 as PNG.
Standard library only; run it from anywhere: the images land beside it."""
import math
import os
import struct
import zlib

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


def draw_banner(k, name):
    """The banner at k times its size; every length of the picture is given at
    k = 1 and multiplied, so that k = 1 gives the original pixel for pixel."""
    width_px, height_px = BANNER_W * k, BANNER_H * k
    px = [[0] * width_px for _ in range(height_px)]
    for y in range(height_px):
        v = (y + 0.5) / k - 0.5 if k > 1 else y
        for x in range(width_px):
            u = (x + 0.5) / k - 0.5 if k > 1 else x
            # Lighter in the middle, where the dialog shows the picture.
            t = 1.0 - abs(u - BANNER_W / 2) / (BANNER_W / 2)
            px[y][x] = max(0, min(127, int(127 * t * (1.0 - 0.3 * v / BANNER_H))))

    cells, width = text_cells("Kavonix", 6 * k, 6 * k)
    x0 = (width_px - width) // 2 + 24 * k
    y0 = 8 * k
    for (x, y) in cells:
        px[y0 + y + 2 * k][x0 + x + 2 * k] = SHADOW
    for (x, y) in cells:
        px[y0 + y][x0 + x] = WHITE

    # A disc left of the name, measured in the 1x picture's pixels.
    cx, cy, r = (x0 // k) - 40, 29, 23
    for y in range(height_px):
        v = (y + 0.5) / k - 0.5
        for x in range((cx - r - 1) * k, (cx + r + 2) * k):
            u = (x + 0.5) / k - 0.5
            d = math.hypot(u - cx, v - cy)
            if d > r + 0.5:
                continue
            if d > r - 1.2:
                px[y][x] = DISC_EDGE
            elif d < 4:
                px[y][x] = DISC_HOLE
            elif d < 8:
                px[y][x] = DISC_EDGE if d > 6.8 else DISC_BODY
            else:
                angle = math.atan2(v - cy, u - cx)
                px[y][x] = DISC_SHEEN if abs(math.sin(2 * angle)) > 0.92 else DISC_BODY

    # An accent line under the name.
    for x in range(x0, x0 + width):
        for y in range(y0 + 46 * k, y0 + 48 * k):
            px[y][x] = LINE

    pal = banner_palette()
    pixels = b"".join(bytes(px[y]) for y in range(height_px - 1, -1, -1))  # bottom-up
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in pal)
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width_px, height_px, 1, 8, 0, len(pixels),
                       2835, 2835, 256, 0)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(header + info + palette + pixels)


# ---- Icon ----

# The sizes Windows asks for at 100 to 200 % (window, taskbar, Alt+Tab,
# Explorer), in 32-bit colour; 256 only as PNG, which Windows XP skips.
ICON_SIZES = (16, 20, 24, 32, 40, 48, 64)
ICON_PNG_SIZE = 256
SAMPLES = 4  # per pixel and axis: the edges are blended, not stepped

RING = (128, 128, 128)
BODY = (192, 192, 192)
SHEEN = (0, 255, 255)
GLARE = (255, 255, 255)
INNER = (255, 255, 255)
K_FILL = (0, 0, 255)
K_EDGE = (0, 0, 0)
K_CELLS = set((gx, gy) for gy, row in enumerate(GLYPHS["K"]) for gx, bit in enumerate(row)
              if bit == "#")


def icon_colour(u, v):
    """Colour at (u, v) of a 32-unit square, or None where the icon is clear:
    a disc with a bold "K" in the lower right, outlined so it reads on the disc."""
    # The "K": 2 units a glyph pixel, from (19, 16); its outline one unit wide.
    gx, gy = math.floor((u - 19) / 2), math.floor((v - 16) / 2)
    if (gx, gy) in K_CELLS:
        return K_FILL
    for (cx, cy) in K_CELLS:
        left, top = 19 + 2 * cx, 16 + 2 * cy
        if left - 1 <= u < left + 3 and top - 1 <= v < top + 3:
            return K_EDGE
    d = math.hypot(u - 16, v - 16)
    if d > 16 or d < 3.1:
        return None
    if d > 15 or d < 4.1:
        return RING
    if d < 6.5:
        return INNER
    s = math.sin(2 * math.atan2(v - 16, u - 16))
    return SHEEN if s > 0.85 else (GLARE if s < -0.9 else BODY)


def icon_pixels(size):
    """Rows of (r, g, b, a), top row first, each pixel the mean of its samples."""
    rows = []
    unit = 32.0 / size
    n = SAMPLES * SAMPLES
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = a = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = icon_colour((x + (sx + 0.5) / SAMPLES) * unit,
                                    (y + (sy + 0.5) / SAMPLES) * unit)
                    if c is not None:
                        r, g, b, a = r + c[0], g + c[1], b + c[2], a + 1
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((r // a, g // a, b // a, (255 * a + n // 2) // n))
        rows.append(row)
    return rows


def icon_dib(size):
    """A 32-bit icon image: header, BGRA rows bottom-up, AND mask (1 = clear)."""
    rows = icon_pixels(size)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask),
                       0, 0, 0, 0)
    return info + colour + mask


def png_file(rows):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    height, width = len(rows), len(rows[0])
    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def draw_icon():
    images = [(size, icon_dib(size)) for size in ICON_SIZES]
    images.append((ICON_PNG_SIZE, png_file(icon_pixels(ICON_PNG_SIZE))))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, image in images:
        side = size if size < 256 else 0  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(os.path.join(HERE, "kavonix.ico"), "wb") as f:
        f.write(directory + entries + b"".join(image for _, image in images))


if __name__ == "__main__":
    draw_banner(1, "banner.bmp")
    draw_banner(2, "banner2x.bmp")
    draw_icon()
