#!/usr/bin/env python3
"""Draws the program icon and writes it as res/velkor.ico, or as PNG images.

The emblem is a sheet of paper with a folded corner and a blue tick across
it: a tidied page. Both images of the .ico (32 x 32 and 16 x 16) are drawn
from the same shapes, described in a 32-unit square and sampled at each
pixel's centre, and stored as 8-bit images with a 256-entry palette and a
1-bit transparency mask. The PNG images for desktop themes are the same
pixels up to 32 x 32; larger ones are drawn smooth, with outlines and rules
as thick as in the 32 x 32 image.

    python3 res/tools/make_icon.py [output.ico]
    python3 res/tools/make_icon.py --png FOLDER   # FOLDER/NxN/apps/velkor.png
"""
import math
import struct
import sys
import zlib
from pathlib import Path

# Palette entries (R, G, B); the rest of the 256 entries are black.
TRANSPARENT, OUTLINE, PAPER, FOLD, RULE, TICK, TICK_EDGE = range(7)
COLOURS = [
    (0, 0, 0),
    (40, 40, 48),
    (255, 255, 255),
    (200, 204, 212),
    (150, 160, 176),
    (40, 110, 220),
    (16, 56, 140),
]
PALETTE = COLOURS + [(0, 0, 0)] * (256 - len(COLOURS))

PAGE_LEFT, PAGE_RIGHT, PAGE_TOP, PAGE_BOTTOM = 4.0, 25.0, 1.5, 30.5
FOLD_SIZE = 7.0
TICK_POINTS = [(11.0, 18.0), (17.0, 25.0), (30.0, 9.0)]


def on_page(x, y):
    if not (PAGE_LEFT <= x <= PAGE_RIGHT and PAGE_TOP <= y <= PAGE_BOTTOM):
        return False
    # The top right corner is folded down: cut along its diagonal.
    return (PAGE_RIGHT - x) + (y - PAGE_TOP) >= FOLD_SIZE


def in_fold(x, y):
    # The flap lies on the sheet: the cut corner mirrored across the fold line.
    dx, dy = PAGE_RIGHT - x, y - PAGE_TOP
    return 0 <= dx <= FOLD_SIZE and 0 <= dy <= FOLD_SIZE and dx + dy >= FOLD_SIZE


def segment_distance(x, y, a, b):
    (ax, ay), (bx, by) = a, b
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(x - (ax + t * vx), y - (ay + t * vy))


def tick_distance(x, y):
    return min(segment_distance(x, y, TICK_POINTS[i], TICK_POINTS[i + 1])
               for i in range(len(TICK_POINTS) - 1))


def shape_at(x, y, size):
    """The palette entry of the unit-square point (x, y) for an image of `size` pixels."""
    distance = tick_distance(x, y)
    if distance <= 2.4:
        return TICK
    if distance <= 3.6:
        return TICK_EDGE
    if in_fold(x, y):
        return FOLD
    if on_page(x, y):
        # Lines of text on the sheet; the small image has room for fewer.
        rows = (8, 12, 16, 20, 24) if size >= 32 else (9, 15, 21)
        if 7.0 <= x <= 20.5 and any(abs(y - row) <= 0.6 * 32 / min(size, 32) for row in rows):
            return RULE
        return PAPER
    return TRANSPARENT


def draw(size):
    """Rows of palette indices, top row first."""
    scale = 32.0 / size
    pixels = [[shape_at((col + 0.5) * scale, (row + 0.5) * scale, size) for col in range(size)]
              for row in range(size)]
    # The sheet gets a one-pixel outline where it meets the background, and
    # the flap one where it meets the sheet.
    outlined = [row[:] for row in pixels]
    for row in range(size):
        for col in range(size):
            here = pixels[row][col]
            if here not in (PAPER, FOLD, RULE):
                continue
            neighbours = [(row + dr, col + dc) for dr, dc in ((-1, 0), (1, 0), (0, -1), (0, 1))]
            around = [pixels[r][c] if 0 <= r < size and 0 <= c < size else TRANSPARENT
                      for r, c in neighbours]
            if TRANSPARENT in around or (here == FOLD and any(a in (PAPER, RULE) for a in around)):
                outlined[row][col] = OUTLINE
    return outlined


def image_bytes(size):
    """One icon image: BITMAPINFOHEADER, palette, colour bits, mask bits (bottom row first)."""
    pixels = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, 0, 0, 0, 0, 0)
    palette = b"".join(struct.pack("BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour = b"".join(bytes(row) for row in reversed(pixels))  # rows of 16 or 32 bytes need no padding
    mask = bytearray()
    mask_row_bytes = ((size + 31) // 32) * 4
    for row in reversed(pixels):
        bits = bytearray(mask_row_bytes)
        for col, index in enumerate(row):
            if index == TRANSPARENT:
                bits[col // 8] |= 0x80 >> (col % 8)
        mask += bits
    return header + palette + colour + bytes(mask)


def icon_file(sizes):
    images = [image_bytes(size) for size in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        # Colour count 0 means 256 colours; planes 1, 8 bits per pixel.
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(data), offset)
        offset += len(data)
    return out + b"".join(images)


# The sizes desktop themes look for.
PNG_SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
OUTLINE_WIDTH = 1.0  # one pixel of the 32 x 32 image
SUBSAMPLES = 4  # per pixel and axis, for the smooth images


def smooth_shape_at(x, y):
    """The palette entry of the point (x, y) for an image larger than 32 pixels."""
    shape = shape_at(x, y, 32)
    if shape in (TRANSPARENT, TICK, TICK_EDGE):
        return shape
    # Distance to the sheet's outer edge: its four sides and, from the flap
    # that borders it, the cut.
    cut = FOLD_SIZE
    if shape == FOLD:
        cut = ((PAGE_RIGHT - x) + (y - PAGE_TOP) - FOLD_SIZE) / math.sqrt(2)
    edge = min(x - PAGE_LEFT, PAGE_RIGHT - x, y - PAGE_TOP, PAGE_BOTTOM - y, cut)
    if edge < OUTLINE_WIDTH:
        return OUTLINE
    # The flap's own edges where it meets the sheet.
    if shape == FOLD and FOLD_SIZE - max(PAGE_RIGHT - x, y - PAGE_TOP) < OUTLINE_WIDTH:
        return OUTLINE
    return shape


def rgba_rows(size):
    """Rows of RGBA bytes, top row first."""
    if size <= 32:
        return [b"".join(bytes(COLOURS[i]) + (b"\x00" if i == TRANSPARENT else b"\xff")
                         for i in row) for row in draw(size)]
    scale = 32.0 / size
    step = scale / SUBSAMPLES
    rows = []
    for row in range(size):
        out = bytearray()
        for col in range(size):
            red = green = blue = covered = 0
            for sy in range(SUBSAMPLES):
                for sx in range(SUBSAMPLES):
                    shape = smooth_shape_at(col * scale + (sx + 0.5) * step,
                                            row * scale + (sy + 0.5) * step)
                    if shape != TRANSPARENT:
                        r, g, b = COLOURS[shape]
                        red, green, blue, covered = red + r, green + g, blue + b, covered + 1
            if covered:
                out += bytes((red // covered, green // covered, blue // covered,
                              255 * covered // (SUBSAMPLES * SUBSAMPLES)))
            else:
                out += bytes(4)
        rows.append(bytes(out))
    return rows


def png_file(size):
    """An 8-bit RGBA PNG image of the icon."""
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\x00" + row for row in rgba_rows(size))  # filter type 0 on every row
    return (b"\x89PNG\r\n\x1a\n" +
            chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--png":
        for size in PNG_SIZES:
            target = Path(sys.argv[2]) / f"{size}x{size}" / "apps" / "velkor.png"
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(png_file(size))
        return
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "velkor.ico"
    target.write_bytes(icon_file([32, 16]))


if __name__ == "__main__":
    main()
