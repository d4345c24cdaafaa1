#!/usr/bin/env python3
"""Draws the about page's link cursor, res/link.cur: monochrome, hot spot at
the top-left corner, in the three sizes Windows asks for at 100, 150 and 200 %
(32, 48 and 64 pixels). An arrow, a small smiling face beside it and the word
GOTO under both, drawn at 32 and enlarged pixel by pixel.

    python3 res/draw_cursor.py [output path]
"""
import os
import struct
import sys

SIZE = 32
SIZES = (32, 48, 64)

# '#' black, 'o' white, '.' transparent.
ARROW = [
    "#",
    "##",
    "#o#",
    "#oo#",
    "#ooo#",
    "#oooo#",
    "#ooooo#",
    "#oooooo#",
    "#ooooooo#",
    "#oooooooo#",
    "#ooooo#####",
    "#oo#oo#",
    "#o#.#oo#",
    "##..#oo#",
    "#....#oo#",
    ".....#oo#",
    "......##",
]

FACE = [
    "...#####...",
    "..#ooooo#..",
    ".#ooooooo#.",
    "#oo#ooo#oo#",
    "#oo#ooo#oo#",
    "#ooooooooo#",
    "#o#ooooo#o#",
    "#oo#ooo#oo#",
    ".#oo###oo#.",
    "..#ooooo#..",
    "...#####...",
]

GLYPHS = {
    "G": [".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."],
    "O": [".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."],
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
}

FACE_AT = (15, 3)    # column, row of the face's top-left corner
WORD_AT = (4, 21)    # column, row of the word's top-left corner
WORD = "GOTO"


def blank():
    return [["."] * SIZE for _ in range(SIZE)]


def paste(canvas, picture, column, row):
    for dy, line in enumerate(picture):
        for dx, pixel in enumerate(line):
            if pixel != ".":
                canvas[row + dy][column + dx] = pixel


def word_picture(word):
    rows = len(GLYPHS[word[0]])
    lines = []
    for y in range(rows):
        lines.append(".".join(GLYPHS[letter][y] for letter in word))
    return lines


def with_halo(picture):
    """A white border around the black letters keeps them readable on dark ground."""
    height = len(picture) + 2
    width = max(len(line) for line in picture) + 2
    out = [["."] * width for _ in range(height)]
    for y, line in enumerate(picture):
        for x, pixel in enumerate(line):
            if pixel == "#":
                for dy in (0, 1, 2):
                    for dx in (0, 1, 2):
                        if out[y + dy][x + dx] == ".":
                            out[y + dy][x + dx] = "o"
    for y, line in enumerate(picture):
        for x, pixel in enumerate(line):
            if pixel == "#":
                out[y + 1][x + 1] = "#"
    return ["".join(line) for line in out]


def draw():
    canvas = blank()
    paste(canvas, ARROW, 0, 0)
    paste(canvas, FACE, *FACE_AT)
    word_column, word_row = WORD_AT
    paste(canvas, with_halo(word_picture(WORD)), word_column - 1, word_row - 1)
    return canvas


def enlarged(canvas, size):
    """The canvas at `size` pixels: each pixel takes the one it lies over at 32,
    so every stroke stays one colour and the outlines stay closed."""
    return [[canvas[y * SIZE // size][x * SIZE // size] for x in range(size)]
            for y in range(size)]


def mask_rows(canvas, bit_for):
    """Rows of 1-bit pixels, bottom row first, each padded to 4 bytes."""
    data = bytearray()
    stride = (len(canvas[0]) + 31) // 32 * 4
    for line in reversed(canvas):
        bits = bytearray(stride)
        for x, pixel in enumerate(line):
            if bit_for(pixel):
                bits[x // 8] |= 0x80 >> (x % 8)
        data += bits
    return bytes(data)


def cursor_image(canvas):
    # XOR mask: 1 paints white (colour 1); AND mask: 1 keeps the screen.
    size = len(canvas)
    xor_mask = mask_rows(canvas, lambda p: 1 if p == "o" else 0)
    and_mask = mask_rows(canvas, lambda p: 1 if p == "." else 0)
    palette = struct.pack("<4B4B", 0, 0, 0, 0, 255, 255, 255, 0)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0,
                         len(xor_mask) + len(and_mask), 0, 0, 2, 0)
    return header + palette + xor_mask + and_mask


def cursor_file(canvas):
    images = [cursor_image(enlarged(canvas, size)) for size in SIZES]
    hot_x, hot_y = 0, 0
    directory = struct.pack("<HHH", 0, 2, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, image in zip(SIZES, images):
        entries += struct.pack("<BBBBHHII", size, size, 2, 0, hot_x, hot_y, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "link.cur")
    canvas = draw()
    with open(target, "wb") as out:
        out.write(cursor_file(canvas))
    for line in canvas:
        print("".join(line))


if __name__ == "__main__":
    main()
