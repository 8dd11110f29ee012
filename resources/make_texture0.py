#!/usr/bin/env python3
"""Draws the preview picture TEXTURE0.ppm: 128 x 128 RGB, binary PPM.

A colour ramp (red grows to the right, green towards the top) under a checker of 16-pixel cells,
every other cell darkened, with a pale ring around the centre, so that a preview shows which way
U and V run and how often the picture repeats.

    python3 resources/make_texture0.py resources/TEXTURE0.ppm
"""
import sys

SIZE = 128
CELL = 16


def pixel(x, y):
    r = round(40 + 200 * x / (SIZE - 1))
    g = round(40 + 200 * (SIZE - 1 - y) / (SIZE - 1))
    b = 150
    if (x // CELL + y // CELL) % 2 == 1:
        r, g, b = (round(c * 0.55) for c in (r, g, b))
    d2 = (x - 63.5) ** 2 + (y - 63.5) ** 2
    if 36 ** 2 <= d2 <= 42 ** 2:
        r, g, b = 240, 236, 224
    return r, g, b


def main(path):
    data = bytearray(b"P6\n%d %d\n255\n" % (SIZE, SIZE))
    for y in range(SIZE):
        for x in range(SIZE):
            data.extend(pixel(x, y))
    with open(path, "wb") as out:
        out.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "TEXTURE0.ppm")
