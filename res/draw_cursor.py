#!/usr/bin/env python3
"""Draws the about page's link cursor, res/link.cur: 32 x 32, monochrome,
hot spot at the top-left corner. An arrow, a small smiling face beside it and
the word GOTO under both.

    python3 res/draw_cursor.py [output path]
"""
import os
import struct
import sys

SIZE = 32

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


def mask_rows(canvas, bit_for):
    """Rows of 1-bit pixels, bottom row first, each padded to 4 bytes."""
    data = bytearray()
    for line in reversed(canvas):
        bits = 0
        for pixel in line:
            bits = (bits << 1) | bit_for(pixel)
        data += struct.pack(">I", bits)
    return bytes(data)


def cursor_file(canvas):
    # XOR mask: 1 paints white (colour 1); AND mask: 1 keeps the screen.
    xor_mask = mask_rows(canvas, lambda p: 1 if p == "o" else 0)
    and_mask = mask_rows(canvas, lambda p: 1 if p == "." else 0)
    palette = struct.pack("<4B4B", 0, 0, 0, 0, 255, 255, 255, 0)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 1, 0,
                         len(xor_mask) + len(and_mask), 0, 0, 2, 0)
    image = header + palette + xor_mask + and_mask
    hot_x, hot_y = 0, 0
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 2, 0, hot_x, hot_y, len(image), 6 + 16)
    return directory + entry + image


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
