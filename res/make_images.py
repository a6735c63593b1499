#!/usr/bin/env python3
"""Draws the program's pictures: the banner (banner.bmp, 200 x 50, 32 bits per pixel,
uncompressed) and the application icon (zel.ico: 16, 32 and 48 pixels, 32 bits per pixel).

Both are drawn here from nothing but arithmetic, so the script is their whole source. The
outputs are committed; run this again after changing it:  python3 res/make_images.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# The letters as strokes on a 5 x 7 grid: (x0, y0, x1, y1) in grid units.
LETTER_STROKES = {
    "Z": [(0, 0, 5, 0), (5, 0, 0, 7), (0, 7, 5, 7)],
    "E": [(0, 0, 0, 7), (0, 0, 5, 0), (0, 3.5, 4, 3.5), (0, 7, 5, 7)],
    "L": [(0, 0, 0, 7), (0, 7, 5, 7)],
}


def distance_to_segment(px, py, x0, y0, x1, y1):
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
    cx, cy = x0 + t * dx, y0 + t * dy
    return math.hypot(px - cx, py - cy)


def coverage(distance, half_width):
    """How much of a pixel a stroke of the given half width covers (simple 1-pixel ramp)."""
    return max(0.0, min(1.0, half_width + 0.5 - distance))


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def avoid_mapped_greys(colour):
    """The banner is loaded with LR_LOADMAP3DCOLORS, which may replace the three classic
    3-D greys by system colours; nudge any pixel that happens to be one of them."""
    if colour in ((128, 128, 128), (192, 192, 192), (223, 223, 223)):
        return (colour[0], colour[1], colour[2] + 1)
    return colour


def draw_banner(width=200, height=50):
    """A deep blue band fading to teal, a row of faint byte ticks, and the letters ZEL."""
    top, bottom = (18, 40, 96), (20, 118, 132)
    ink, shadow = (250, 246, 228), (8, 22, 52)
    cell, origin_x, origin_y = 4.6, 16.0, 8.5
    letter_advance = 7.2 * cell
    strokes = []
    for index, letter in enumerate("ZEL"):
        left = origin_x + index * letter_advance
        for x0, y0, x1, y1 in LETTER_STROKES[letter]:
            strokes.append((left + x0 * cell, origin_y + y0 * cell,
                            left + x1 * cell, origin_y + y1 * cell))
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            colour = mix(top, bottom, y / (height - 1))
            # Faint ticks along the bottom edge: one per "byte", every fourth taller.
            if x % 6 == 0 and y >= height - (9 if x % 24 == 0 else 5):
                colour = mix(colour, (150, 210, 220), 0.55)
            # A thin rule between the letters and the ticks, right of the word.
            if 140 <= x <= 190 and y in (22, 27):
                colour = mix(colour, ink, 0.35)
            near = min(distance_to_segment(x + 0.5, y + 0.5, *s) for s in strokes)
            near_shadow = min(distance_to_segment(x - 1.0, y - 1.0, *s) for s in strokes)
            colour = mix(colour, shadow, 0.7 * coverage(near_shadow, 2.6))
            colour = mix(colour, ink, coverage(near, 2.4))
            row.append(avoid_mapped_greys(colour))
        rows.append(row)
    return rows


def draw_icon(size):
    """A rounded blue square with a light Z across it."""
    radius = size * 0.22
    fill_top, fill_bottom, ink = (30, 70, 150), (20, 120, 135), (250, 246, 228)
    margin = size * 0.25
    z = [(margin, margin, size - margin, margin),
         (size - margin, margin, margin, size - margin),
         (margin, size - margin, size - margin, size - margin)]
    half_width = max(1.0, size * 0.07)
    pixels = []
    for y in range(size):
        row = []
        for x in range(size):
            cx, cy = x + 0.5, y + 0.5
            # Signed distance to the rounded square's edge (negative inside).
            qx = max(abs(cx - size / 2) - (size / 2 - radius), 0.0)
            qy = max(abs(cy - size / 2) - (size / 2 - radius), 0.0)
            outside = math.hypot(qx, qy) - radius
            alpha = max(0.0, min(1.0, 0.5 - outside))
            colour = mix(fill_top, fill_bottom, y / max(1, size - 1))
            near = min(distance_to_segment(cx, cy, *s) for s in z)
            colour = mix(colour, ink, coverage(near, half_width))
            row.append(colour + (round(alpha * 255),))
        pixels.append(row)
    return pixels


def bmp_bytes(rows):
    """A bottom-up, uncompressed 32-bit BMP file (BITMAPINFOHEADER), alpha set opaque."""
    height, width = len(rows), len(rows[0])
    body = bytearray()
    for row in reversed(rows):
        for r, g, b in row:
            body += bytes((b, g, r, 255))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, len(body), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(body), 0, 0, 14 + len(info))
    return header + info + body


def icon_image_bytes(pixels):
    """One icon image: BITMAPINFOHEADER with doubled height, 32-bit colour, then the AND mask."""
    size = len(pixels)
    colour = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(pixels):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask),
                       0, 0, 0, 0)
    return info + colour + mask


def ico_bytes(sizes):
    images = [icon_image_bytes(draw_icon(size)) for size in sizes]
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    return bytes(out)


def main():
    with open(os.path.join(HERE, "banner.bmp"), "wb") as f:
        f.write(bmp_bytes(draw_banner()))
    with open(os.path.join(HERE, "zel.ico"), "wb") as f:
        f.write(ico_bytes([16, 32, 48]))


if __name__ == "__main__":
    main()
