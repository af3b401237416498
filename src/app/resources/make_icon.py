#!/usr/bin/env python3
"""Draws Vistrel.ico: a handheld organiser showing a landscape photograph, at 16, 32
and 48 pixels, each a 256-colour bitmap with its transparency mask.

Run it again after changing the drawing: python3 make_icon.py Vistrel.ico
"""
import math
import struct
import sys

# The palette: entry 0 is what the mask makes transparent.
PALETTE = [
    (0, 0, 0),        # 0 transparent
    (40, 48, 64),     # 1 body
    (24, 28, 38),     # 2 body edge
    (250, 210, 60),   # 3 sun
    (70, 140, 60),    # 4 hill
    (45, 105, 45),    # 5 far hill
    (200, 205, 215),  # 6 buttons
    (230, 235, 240),  # 7 screen frame
]
SKY_FIRST = len(PALETTE)
SKY_STEPS = 16
for i in range(SKY_STEPS):
    t = i / (SKY_STEPS - 1)
    PALETTE.append((int(70 + 110 * t), int(130 + 90 * t), int(220 + 30 * t)))
PALETTE += [(0, 0, 0)] * (256 - len(PALETTE))


def inside_rounded(u, v, left, top, right, bottom, radius):
    if not (left <= u <= right and top <= v <= bottom):
        return False
    cx = min(max(u, left + radius), right - radius)
    cy = min(max(v, top + radius), bottom - radius)
    return (u - cx) ** 2 + (v - cy) ** 2 <= radius ** 2


def colour_at(u, v, pixel):
    """Palette index of the point (u, v), both from 0 to 1; pixel is one pixel's width."""
    if not inside_rounded(u, v, 0.16, 0.02, 0.84, 0.98, 0.1):
        return 0
    if not inside_rounded(u, v, 0.16 + pixel, 0.02 + pixel, 0.84 - pixel, 0.98 - pixel, 0.1):
        return 2
    left, top, right, bottom = 0.25, 0.10, 0.75, 0.64
    if left <= u <= right and top <= v <= bottom:
        if u < left + pixel or u > right - pixel or v < top + pixel or v > bottom - pixel:
            return 7
        if v > 0.50 + 0.05 * math.sin(u * 9.0):
            return 4
        if v > 0.44 + 0.07 * math.cos(u * 6.0 + 1.0):
            return 5
        if (u - 0.62) ** 2 + (v - 0.24) ** 2 <= max(0.07, 1.2 * pixel) ** 2:
            return 3
        t = (v - top) / (bottom - top)
        return SKY_FIRST + min(SKY_STEPS - 1, int(t * SKY_STEPS))
    for bx in (0.34, 0.5, 0.66):
        if (u - bx) ** 2 + (v - 0.81) ** 2 <= max(0.06, 0.9 * pixel) ** 2:
            return 6
    return 1


def image(size):
    rows = [[colour_at((x + 0.5) / size, (y + 0.5) / size, 1.0 / size) for x in range(size)]
            for y in range(size)]
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, 0, 0, 0, 256, 0)
    palette = b''.join(struct.pack('BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    pixels = bytearray()
    mask = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    for row in reversed(rows):  # bottom-up
        pixels += bytes(row) + b'\0' * ((4 - size % 4) % 4)
        bits = bytearray(mask_stride)
        for x, index in enumerate(row):
            if index == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + palette + bytes(pixels) + bytes(mask)


def main(path):
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'Vistrel.ico')
