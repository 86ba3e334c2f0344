#!/usr/bin/env python3
"""Draws the options dialog's banner: resources/banner.bmp, 730 x 130 pixels, 32 bits per
pixel (bitmap resource 203).  A halftone dot field whose dots grow towards the product name,
which is itself set in dots.  Standard library only; the output is the same on every run.

    python3 scripts/make_banner.py [output path]
"""
import math
import os
import struct
import sys

WIDTH, HEIGHT = 730, 130

# 5 x 7 letter shapes for the product name.
GLYPHS = {
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "_": [".....", ".....", ".....", ".....", ".....", ".....", "#####"],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "n": [".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#"],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "d": ["....#", "....#", ".####", "#...#", "#...#", "#...#", ".####"],
    "t": [".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##."],
}
NAME = "T_Tonedot"


def lerp(a, b, t):
    return a + (b - a) * t


def background(x, y):
    """A deep blue-violet gradient."""
    t = x / (WIDTH - 1)
    v = y / (HEIGHT - 1)
    r = lerp(18, 42, t) * (1.0 - 0.25 * v)
    g = lerp(20, 16, t) * (1.0 - 0.25 * v)
    b = lerp(48, 70, t) * (1.0 - 0.25 * v)
    return [r, g, b]


def coverage(px, py, cx, cy, radius):
    """Fraction of pixel (px, py) inside the circle, from 4 x 4 samples."""
    inside = 0
    for sy in range(4):
        for sx in range(4):
            dx = px + (sx + 0.5) / 4 - cx
            dy = py + (sy + 0.5) / 4 - cy
            if dx * dx + dy * dy <= radius * radius:
                inside += 1
    return inside / 16.0


def paint_dot(image, cx, cy, radius, colour):
    x0, x1 = max(0, int(cx - radius - 1)), min(WIDTH - 1, int(cx + radius + 1))
    y0, y1 = max(0, int(cy - radius - 1)), min(HEIGHT - 1, int(cy + radius + 1))
    for py in range(y0, y1 + 1):
        row = image[py]
        for px in range(x0, x1 + 1):
            a = coverage(px, py, cx, cy, radius)
            if a > 0:
                pixel = row[px]
                for c in range(3):
                    pixel[c] = pixel[c] * (1 - a) + colour[c] * a


def name_layout():
    """Dot centres of the product name, centred in the banner."""
    cell = 8.0
    advance = 6
    columns = advance * len(NAME) - 1
    left = (WIDTH - columns * cell) / 2 + cell / 2
    top = (HEIGHT - 7 * cell) / 2 + cell / 2 - 4
    dots = []
    for i, ch in enumerate(NAME):
        for row, line in enumerate(GLYPHS[ch]):
            for col, mark in enumerate(line):
                if mark == "#":
                    dots.append((left + (i * advance + col) * cell, top + row * cell))
    return dots, cell


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources", "banner.bmp")
    image = [[background(x, y) for x in range(WIDTH)] for y in range(HEIGHT)]

    # Background field: orange dots on a 10-pixel grid, growing towards the middle line.
    step = 10.0
    for gy in range(-1, int(HEIGHT / step) + 2):
        for gx in range(-1, int(WIDTH / step) + 2):
            cx = gx * step + (step / 2 if gy % 2 else 0)
            cy = gy * step + 5
            wave = 0.5 + 0.5 * math.sin(cx / 70.0)
            near = 1.0 - min(1.0, abs(cy - HEIGHT / 2) / (HEIGHT / 2))
            radius = 0.6 + 2.6 * near * (0.35 + 0.65 * wave)
            shade = 0.35 + 0.35 * near
            paint_dot(image, cx, cy, radius, [255 * shade, 125 * shade, 20 * shade])

    # The product name, in bright dots with a soft shadow.
    dots, cell = name_layout()
    for cx, cy in dots:
        paint_dot(image, cx + 1.5, cy + 1.5, cell * 0.48, [8, 8, 20])
    for cx, cy in dots:
        paint_dot(image, cx, cy, cell * 0.46, [255, 125, 20])
        paint_dot(image, cx - 1.0, cy - 1.0, cell * 0.16, [255, 214, 170])

    # 32-bit BMP: BITMAPFILEHEADER + BITMAPINFOHEADER, bottom-up rows of B, G, R, A.
    pixels = bytearray()
    for y in range(HEIGHT - 1, -1, -1):
        for r, g, b in image[y]:
            pixels += bytes((int(round(b)), int(round(g)), int(round(r)), 255))
    header_size = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", header_size + len(pixels), 0, 0, header_size)
    info_header = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 32, 0, len(pixels),
                              3780, 3780, 0, 0)
    with open(out, "wb") as f:
        f.write(file_header + info_header + pixels)


if __name__ == "__main__":
    main()
