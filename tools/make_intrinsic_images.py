#!/usr/bin/python3
"""Draws the ads SDK's own button pictures and writes them, as Base64 text of PNG files, into
ads/fullscreen/GADIntrinsicImageData.cpp:

  close button             25 x 25 and 50 x 50 pixels: a white cross in a white ring on a dark,
                           half-transparent disc, readable over any ad
  browser back / forward   27 x 27 and 54 x 54 pixels: a white chevron on transparency

Shapes are measured on a 25 (or 27) point grid and drawn at each pixel size with 8 x 8 samples
per pixel, so the edges are smooth. Only the Python standard library is needed. Run from
anywhere:
    python3 tools/make_intrinsic_images.py [output file]
The output is committed; the build does not run this.
"""

import base64
import math
import os
import struct
import sys
import zlib

SAMPLES = 8
WHITE = (255, 255, 255)
DARK = (24, 24, 24)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def close_layers(x, y):
    """What covers a point of the 25 point grid, bottom layer first: (colour, alpha) pairs."""
    c = 12.5
    r = math.hypot(x - c, y - c)
    layers = []
    if r <= 11.5:
        layers.append((DARK, 0.6))
    if abs(r - 10.5) <= 1.0:
        layers.append((WHITE, 1.0))
    arm = 4.6
    if (segment_distance(x, y, c - arm, c - arm, c + arm, c + arm) <= 1.2
            or segment_distance(x, y, c - arm, c + arm, c + arm, c - arm) <= 1.2):
        layers.append((WHITE, 1.0))
    return layers


def chevron_layers(pointing_left):
    def layers(x, y):
        if not pointing_left:
            x = 27 - x
        tip_x, top_x = 9.0, 17.0
        if (segment_distance(x, y, top_x, 5.5, tip_x, 13.5) <= 1.6
                or segment_distance(x, y, tip_x, 13.5, top_x, 21.5) <= 1.6):
            return [(WHITE, 1.0)]
        return []
    return layers


def render(layers, grid, pixels):
    """RGBA rows of the picture: each pixel averages SAMPLES^2 points, each point the layers
    that cover it laid over one another."""
    scale = grid / pixels
    rows = []
    for py in range(pixels):
        row = bytearray()
        for px in range(pixels):
            acc_r = acc_g = acc_b = acc_a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) * scale
                    y = (py + (sy + 0.5) / SAMPLES) * scale
                    r = g = b = a = 0.0  # premultiplied
                    for colour, alpha in layers(x, y):
                        r = colour[0] * alpha + r * (1 - alpha)
                        g = colour[1] * alpha + g * (1 - alpha)
                        b = colour[2] * alpha + b * (1 - alpha)
                        a = alpha + a * (1 - alpha)
                    acc_r += r
                    acc_g += g
                    acc_b += b
                    acc_a += a
            n = SAMPLES * SAMPLES
            alpha = acc_a / n
            if alpha > 0:
                colour = [round(v / n / alpha) for v in (acc_r, acc_g, acc_b)]
            else:
                colour = [0, 0, 0]
            row += bytes(colour + [round(alpha * 255)])
        rows.append(bytes(row))
    return rows


def png(rows, size):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + row for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


IMAGES = (
    ("kCloseButton", close_layers, 25, 25),
    ("kCloseButtonDoubleDensity", close_layers, 25, 50),
    ("kBrowserBackButton", chevron_layers(True), 27, 27),
    ("kBrowserBackButtonDoubleDensity", chevron_layers(True), 27, 54),
    ("kBrowserForwardButton", chevron_layers(False), 27, 27),
    ("kBrowserForwardButtonDoubleDensity", chevron_layers(False), 27, 54),
)


def source():
    out = ["// Written by tools/make_intrinsic_images.py, which draws these pictures; run it again",
           "// rather than editing the text by hand.",
           "",
           '#include "ads/fullscreen/GADIntrinsicImageData.h"',
           "",
           "namespace ads::GADIntrinsicImageData {",
           ""]
    for name, layers, grid, pixels in IMAGES:
        text = base64.b64encode(png(render(layers, grid, pixels), pixels)).decode("ascii")
        out.append(f"// {pixels} x {pixels} pixels.")
        out.append(f"const char* const {name} =")
        pieces = [text[i:i + 88] for i in range(0, len(text), 88)]
        for i, piece in enumerate(pieces):
            end = ";" if i == len(pieces) - 1 else ""
            out.append(f'    "{piece}"{end}')
        out.append("")
    out.append("}  // namespace ads::GADIntrinsicImageData")
    return "\n".join(out) + "\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        here, "..", "ads", "fullscreen", "GADIntrinsicImageData.cpp")
    with open(target, "w") as f:
        f.write(source())


if __name__ == "__main__":
    main()
