#!/usr/bin/env python3
"""Draws Vorrandale's icon (a camera lens in a dark housing on a teal tile)
at 16, 32 and 48 pixels and writes it as vorrandale.ico beside this script."""
import math
import os
import struct


def pixel(x, y, size):
    """Colour (b, g, r, a) of one pixel, the picture scaled to size."""
    u = (x + 0.5) / size
    v = (y + 0.5) / size
    # Rounded tile.
    corner = 0.18
    dx = max(corner - u, 0, u - (1 - corner))
    dy = max(corner - v, 0, v - (1 - corner))
    if math.hypot(dx, dy) > corner:
        return (0, 0, 0, 0)
    colour = (150, 130, 20, 255)  # teal
    # Camera body.
    if 0.14 <= u <= 0.86 and 0.30 <= v <= 0.78:
        colour = (50, 45, 40, 255)
    if 0.26 <= u <= 0.44 and 0.22 <= v <= 0.32:
        colour = (50, 45, 40, 255)
    # Lens rings.
    r = math.hypot(u - 0.5, v - 0.54)
    if r < 0.20:
        colour = (200, 200, 200, 255)
    if r < 0.15:
        colour = (120, 60, 20, 255)
    if r < 0.07:
        colour = (20, 10, 5, 255)
    if math.hypot(u - 0.45, v - 0.49) < 0.03:
        colour = (255, 255, 255, 255)
    # Recording light.
    if math.hypot(u - 0.76, v - 0.38) < 0.045:
        colour = (30, 30, 230, 255)
    return colour


def image(size):
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        rows.append(b"".join(struct.pack("<BBBB", *pixel(x, y, size)) for x in range(size)))
    mask_row = ((size + 31) // 32) * 4
    return header + b"".join(rows) + b"\0" * (mask_row * size)


def main():
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "vorrandale.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
