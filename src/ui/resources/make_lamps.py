#!/usr/bin/env python3
"""Draws the two 11 x 11 lamps of the port indicator as 24-bit uncompressed BMP files.

Run it from this folder to write lamp_on.bmp and lamp_off.bmp; both are checked in.
"""
import struct

SIZE = 11
CENTRE = 5.0
RADIUS = 4.6

BACKGROUND = (240, 240, 240)
CORNER = (250, 250, 250)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREEN = (0, 255, 0)
SILVER = (192, 192, 192)
GREY_RIM = (128, 128, 128)


def pixel(x, y, disc, rim):
    distance = ((x - CENTRE) ** 2 + (y - CENTRE) ** 2) ** 0.5
    if (x, y) == (3, 3):
        return WHITE  # the highlight
    if distance <= RADIUS - 1.0:
        return disc
    if distance <= RADIUS:
        return rim
    if (x in (0, SIZE - 1)) and (y in (0, SIZE - 1)):
        return CORNER
    return BACKGROUND


def bmp(disc, rim):
    row_size = (SIZE * 3 + 3) // 4 * 4
    pixels = bytearray()
    for y in reversed(range(SIZE)):  # bottom-up rows
        row = bytearray()
        for x in range(SIZE):
            r, g, b = pixel(x, y, disc, rim)
            row += bytes((b, g, r))
        row += bytes(row_size - len(row))
        pixels += row
    header_size = 14 + 40
    file_size = header_size + len(pixels)
    header = struct.pack("<2sIHHI", b"BM", file_size, 0, 0, header_size)
    info = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    data = header + info + pixels
    assert len(data) == 450
    return data


if __name__ == "__main__":
    with open("lamp_on.bmp", "wb") as f:
        f.write(bmp(GREEN, BLACK))
    with open("lamp_off.bmp", "wb") as f:
        f.write(bmp(SILVER, GREY_RIM))
