#!/usr/bin/env python3
"""Draws the program icon (a blue shield with a white check mark) and writes res/Rekkor.ico:
48, 32, 24 and 16 px, each at 4, 8 and 32 bits per pixel, and 256 px as a PNG (Vista and later;
XP reads the others). Run by hand; the .ico is committed."""
import math
import struct
import sys
import zlib

# The 16-colour palette shared by the 4 and 8 bpp images (index 0 is transparent).
PALETTE = [
    (0, 0, 0), (16, 40, 96), (28, 72, 160), (48, 110, 210), (96, 160, 240),
    (255, 255, 255), (200, 220, 245), (0, 0, 0), (0, 0, 0), (0, 0, 0),
    (0, 0, 0), (0, 0, 0), (0, 0, 0), (0, 0, 0), (0, 0, 0), (0, 0, 0),
]


def half_width(v):
    if v < 0.10 or v > 0.93:
        return -1.0
    if v < 0.55:
        return 0.37 - 0.04 * (0.55 - v)
    t = (v - 0.55) / (0.93 - 0.55)
    return 0.37 * math.sqrt(max(0.0, 1.0 - t * t))


def dist_to_segment(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def sample(u, v):
    """Palette index at a point of the unit square."""
    w = half_width(v)
    d = abs(u - 0.5)
    if w < 0 or d > w:
        return 0
    check = min(dist_to_segment(u, v, 0.31, 0.50, 0.45, 0.66),
                dist_to_segment(u, v, 0.45, 0.66, 0.71, 0.33))
    if check < 0.065:
        return 5
    if w - d < 0.05 or v < 0.15:
        return 1
    shade = (u - 0.15) + (v - 0.10) * 0.6
    return 4 if shade < 0.35 else 3 if shade < 0.7 else 2


def render(size, supersample):
    pixels = []  # rows top to bottom of (r, g, b, a, index)
    for y in range(size):
        row = []
        for x in range(size):
            acc = [0, 0, 0, 0]
            counts = {}
            n = supersample
            for sy in range(n):
                for sx in range(n):
                    idx = sample((x + (sx + 0.5) / n) / size, (y + (sy + 0.5) / n) / size)
                    counts[idx] = counts.get(idx, 0) + 1
                    if idx:
                        r, g, b = PALETTE[idx]
                        acc[0] += r; acc[1] += g; acc[2] += b; acc[3] += 1
            covered = acc[3]
            if covered:
                r, g, b = (c // covered for c in acc[:3])
            else:
                r = g = b = 0
            alpha = 255 * covered // (n * n)
            index = max(counts, key=counts.get)
            row.append((r, g, b, alpha, index))
        pixels.append(row)
    return pixels


def and_mask(pixels, size):
    stride = ((size + 31) // 32) * 4
    out = b""
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, p in enumerate(row):
            if p[4] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def dib(size, bpp):
    pixels = render(size, 4 if bpp == 32 else 1)
    colours = {4: 16, 8: 256, 32: 0}[bpp]
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, 0, 0, 0, colours, 0)
    palette = b""
    for i in range(colours):
        r, g, b = PALETTE[i] if i < len(PALETTE) else (0, 0, 0)
        palette += bytes((b, g, r, 0))
    xor = b""
    for row in reversed(pixels):
        if bpp == 32:
            line = b"".join(bytes((p[2], p[1], p[0], p[3])) for p in row)
        elif bpp == 8:
            line = bytes(p[4] for p in row)
        else:
            line = bytearray((size + 1) // 2)
            for x, p in enumerate(row):
                line[x // 2] |= p[4] << (4 if x % 2 == 0 else 0)
            line = bytes(line)
        line += b"\0" * ((4 - len(line) % 4) % 4)
        xor += line
    return header + palette + xor + and_mask(pixels, size), colours


def png(size):
    pixels = render(size, 4)
    raw = b"".join(b"\0" + b"".join(bytes((p[0], p[1], p[2], p[3])) for p in row) for row in pixels)
    chunk = lambda kind, data: (struct.pack(">I", len(data)) + kind + data +
                                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b"")), 0


def main(path):
    images = [(s, b) for s in (48, 32, 24, 16) for b in (4, 8, 32)] + [(256, 32)]
    blobs = [png(s) if s == 256 else dib(s, b) for s, b in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bpp), (blob, colours) in zip(images, blobs):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, colours if colours < 256 else 0, 0, 1, bpp, len(blob), offset)
        offset += len(blob)
    out += b"".join(blob for blob, _ in blobs)
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/Rekkor.ico")
