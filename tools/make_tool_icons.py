#!/usr/bin/python3
"""Draws the tab pictures of the tool screens into assets/: icon_scores.png (a podium),
icon_settings.png (a gear) and icon_question.png (a question mark in a ring).

Tab pictures are shapes in white on transparency, 30 x 30 points (and 1.5x / 2x variants),
drawn large and scaled down so the edges are smooth. Needs Debian's python3-pil and fonts-liberation2. Run from anywhere:
    /usr/bin/python3 tools/make_tool_icons.py [output folder]
The output is committed; the build does not run this.
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFont

SIZE = 30
SUPERSAMPLE = 8
WHITE = (255, 255, 255, 255)
CLEAR = (0, 0, 0, 0)
BOLD_FONT = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"


def canvas():
    big = SIZE * SUPERSAMPLE
    image = Image.new("RGBA", (big, big), CLEAR)
    return image, ImageDraw.Draw(image)


def p(*values):
    return [v * SUPERSAMPLE for v in values]


# The picture at each drawing resolution the game offers: 1x, then 1.5x and 2x as "_cs150" and
# "_cs200", which the app picks for sharper screens.
VARIANTS = (("", 1.0), ("_cs150", 1.5), ("_cs200", 2.0))


def finish(image, path):
    stem, ext = os.path.splitext(path)
    for suffix, scale in VARIANTS:
        side = round(SIZE * scale)
        image.resize((side, side), Image.LANCZOS).save(stem + suffix + ext)


def scores(path):
    image, draw = canvas()
    # A podium: the winner's block in the middle, a star above it.
    draw.rectangle(p(11, 14, 19, 28), fill=WHITE)
    draw.rectangle(p(2, 19, 10, 28), fill=WHITE)
    draw.rectangle(p(20, 22, 28, 28), fill=WHITE)
    cx, cy, outer, inner = 15, 7.5, 6, 2.6
    star = []
    for i in range(10):
        r = outer if i % 2 == 0 else inner
        a = -math.pi / 2 + i * math.pi / 5
        star.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    draw.polygon([tuple(p(x, y)) for x, y in star], fill=WHITE)
    finish(image, path)


def settings(path):
    image, draw = canvas()
    cx, cy = 15, 15
    teeth = 8
    outline = []
    for i in range(teeth * 4):
        a = i * 2 * math.pi / (teeth * 4)
        r = 13.5 if (i % 4) in (1, 2) else 10.5
        outline.append((cx + r * math.cos(a), cy + r * math.sin(a)))
    draw.polygon([tuple(p(x, y)) for x, y in outline], fill=WHITE)
    draw.ellipse(p(cx - 4.5, cy - 4.5, cx + 4.5, cy + 4.5), fill=CLEAR)
    finish(image, path)


def question(path):
    image, draw = canvas()
    draw.ellipse(p(1.5, 1.5, 28.5, 28.5), outline=WHITE, width=3 * SUPERSAMPLE)
    font = ImageFont.truetype(BOLD_FONT, 20 * SUPERSAMPLE)
    box = draw.textbbox((0, 0), "?", font=font)
    w, h = box[2] - box[0], box[3] - box[1]
    big = SIZE * SUPERSAMPLE
    draw.text(((big - w) / 2 - box[0], (big - h) / 2 - box[1]), "?", font=font, fill=WHITE)
    finish(image, path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets")
    scores(os.path.join(out, "icon_scores.png"))
    settings(os.path.join(out, "icon_settings.png"))
    question(os.path.join(out, "icon_question.png"))


if __name__ == "__main__":
    main()
