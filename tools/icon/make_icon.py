#!/usr/bin/env python3
"""Draws Kestrix's program icon (app/res/Kestrix.ico): a blue shield with a
white K and an orange wing stroke, at 16x16 and 32x32, 32 bits per pixel with
an AND mask. Deterministic: run it again and the same file comes out.

    python3 tools/icon/make_icon.py app/res/Kestrix.ico
"""
import struct
import sys


def inside_shield(x, y):
    """Shield outline in unit coordinates (0..1, y down)."""
    if y < 0.06 or y > 0.96 or x < 0.1 or x > 0.9:
        return False
    if y < 0.55:
        return True
    # lower half narrows to a point at the bottom centre
    half = 0.4 * (0.96 - y) / 0.41
    return abs(x - 0.5) <= half + 0.02


def near_segment(px, py, ax, ay, bx, by, width):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    cx, cy = ax + t * dx, ay + t * dy
    return (px - cx) ** 2 + (py - cy) ** 2 <= width * width


def pixel(size, x, y):
    """BGRA of one pixel, sampled 4x4 for smooth edges."""
    acc = [0.0, 0.0, 0.0, 0.0]
    n = 4
    w = 0.075 if size == 32 else 0.09
    for sy in range(n):
        for sx in range(n):
            u = (x + (sx + 0.5) / n) / size
            v = (y + (sy + 0.5) / n) / size
            if not inside_shield(u, v):
                continue
            colour = (0x8C - int(60 * v), 0x4A - int(30 * v), 0x14, 255)   # blue, darker below (B, G, R)
            k = (near_segment(u, v, 0.36, 0.2, 0.36, 0.78, w) or
                 near_segment(u, v, 0.38, 0.5, 0.66, 0.2, w) or
                 near_segment(u, v, 0.42, 0.46, 0.68, 0.78, w))
            wing = near_segment(u, v, 0.2, 0.14, 0.8, 0.14, w * 0.6)
            if k:
                colour = (0xFF, 0xFF, 0xFF, 255)
            elif wing:
                colour = (0x10, 0x8C, 0xF0, 255)   # orange
            for i in range(4):
                acc[i] += colour[i]
    samples = n * n
    alpha = acc[3] / samples
    if alpha == 0:
        return (0, 0, 0, 0)
    return tuple(int(acc[i] / (acc[3] / 255)) if i < 3 else int(alpha) for i in range(4))


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):   # bottom-up
        rows.append(b"".join(struct.pack("BBBB", *pixel(size, x, y)) for x in range(size)))
    xor = b"".join(rows)
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = bytearray()
    for y in range(size - 1, -1, -1):
        bits = 0
        row = bytearray(mask_row_bytes)
        for x in range(size):
            if pixel(size, x, y)[3] < 128:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + xor + bytes(mask)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "app/res/Kestrix.ico"
    images = [image(16), image(32)]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, img in zip((16, 32), images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
