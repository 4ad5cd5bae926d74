#!/usr/bin/env python3
"""Draws the program's icon, two half-transparent red spheres inside yellow
boxes on a blue tile, and writes resources/kelvane.ico with the eight images the
icon groups carry: 32 and 16 pixels at 4 bits per pixel; 48, 32 and 16 at 8 bits;
48, 32 and 16 at 32 bits (alpha)."""
import math
import struct
import sys
from pathlib import Path

SIZES = [(32, 4), (16, 4), (48, 8), (32, 8), (16, 8), (48, 32), (32, 32), (16, 32)]


def over(dst, src):
    """Porter-Duff 'over' for (r, g, b, a) with components 0..1."""
    sr, sg, sb, sa = src
    dr, dg, db, da = dst
    a = sa + da * (1 - sa)
    if a == 0:
        return (0, 0, 0, 0)
    mix = lambda s, d: (s * sa + d * da * (1 - sa)) / a
    return (mix(sr, dr), mix(sg, dg), mix(sb, db), a)


def pixel(u, v, size):
    """Colour at the centre of pixel (u, v), with 4x4 supersampling."""
    total = [0.0, 0.0, 0.0, 0.0]
    for sy in range(4):
        for sx in range(4):
            x = (u + (sx + 0.5) / 4) / size
            y = (v + (sy + 0.5) / 4) / size
            c = (0.0, 0.0, 0.0, 0.0)
            # Rounded blue tile.
            if max(abs(x - 0.5), abs(y - 0.5)) < 0.47:
                c = (0.05, 0.1, 0.75, 1.0)
            for cx in (0.37, 0.63):
                r = 0.22
                d = math.hypot(x - cx, y - 0.52)
                if d < r:
                    shade = 0.55 + 0.45 * (1 - d / r)
                    c = over(c, (shade, 0.1 * shade, 0.1 * shade, 0.75))
                edge = 1.2 / size
                inside = abs(x - cx) <= r and abs(y - 0.52) <= r
                on_edge = inside and (abs(abs(x - cx) - r) < edge or abs(abs(y - 0.52) - r) < edge)
                if on_edge:
                    c = over(c, (1.0, 0.95, 0.1, 0.9))
            for i in range(4):
                total[i] += c[i] * (c[3] if i < 3 else 1)
    a = total[3] / 16
    if a == 0:
        return (0, 0, 0, 0)
    return tuple(min(255, int(total[i] / 16 / a * 255 + 0.5)) for i in range(3)) + (int(a * 255 + 0.5),)


def palette(bpp):
    if bpp == 4:  # the 16 standard Windows colours
        return [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
                (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
                (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    cube = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    return cube + [(i * 6, i * 6, i * 6) for i in range(40)]


def nearest(pal, rgb):
    return min(range(len(pal)), key=lambda i: sum((pal[i][k] - rgb[k]) ** 2 for k in range(3)))


def row_pad(n):
    return (4 - n % 4) % 4


def image(size, bpp):
    pixels = [[pixel(u, v, size) for u in range(size)] for v in range(size)]
    pal = palette(bpp) if bpp < 32 else []
    xor = bytearray()
    for v in reversed(range(size)):  # DIBs are stored bottom-up
        row = bytearray()
        if bpp == 32:
            for r, g, b, a in pixels[v]:
                row += bytes((b, g, r, a))
        else:
            idx = [nearest(pal, p[:3]) if p[3] >= 128 else 0 for p in pixels[v]]
            if bpp == 8:
                row += bytes(idx)
            else:
                for i in range(0, size, 2):
                    row.append((idx[i] << 4) | idx[i + 1])
        xor += row + bytes(row_pad(len(row)))
    mask = bytearray()
    for v in reversed(range(size)):
        row = bytearray()
        for i in range(0, size, 8):
            bits = 0
            for k in range(8):
                if pixels[v][i + k][3] < 128:
                    bits |= 0x80 >> k
            row.append(bits)
        mask += row + bytes(row_pad(len(row)))
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, len(xor) + len(mask), 0, 0,
                         len(pal), 0)
    quads = b"".join(bytes((b, g, r, 0)) for r, g, b in pal)
    return header + quads + bytes(xor) + bytes(mask)


def main():
    out = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent.parent / "resources/kelvane.ico")
    images = [image(size, bpp) for size, bpp in SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, bpp), img in zip(SIZES, images):
        data += struct.pack("<BBBBHHII", size, size, 16 if bpp == 4 else 0, 0, 1, bpp, len(img), offset)
        offset += len(img)
    out.write_bytes(data + b"".join(images))


main()
