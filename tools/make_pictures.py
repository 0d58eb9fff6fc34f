#!/usr/bin/python3
"""Draws the game's pictures into assets/ at the three drawing resolutions.

Every picture is drawn as vector shapes on a large canvas and scaled down, so the plain file
(1x), the "_cs150" file (1.5x) and the "_cs200" file (2x) are the same drawing. Sizes are in
points; the car and the hamburger match the world sizes the game's hit tests use (a hamburger is
taken within 20 points of its centre, a road row is 30 points tall).

Needs Debian's python3-pil and fonts-liberation2. Run from anywhere:
    /usr/bin/python3 tools/make_pictures.py [output folder]
The output is committed; the build does not run this.
"""

import math
import os
import sys

from PIL import Image, ImageDraw, ImageFilter, ImageFont

SUPERSAMPLE = 8
SCALES = {"": 1.0, "_cs150": 1.5, "_cs200": 2.0}
BOLD_FONT = "/usr/share/fonts/truetype/liberation2/LiberationSans-Bold.ttf"


class Pen:
    """Draws in points on a canvas of `scale` pixels per point."""

    def __init__(self, size, scale):
        self.scale = scale
        self.image = Image.new("RGBA", (round(size[0] * scale), round(size[1] * scale)), (0, 0, 0, 0))
        self.draw = ImageDraw.Draw(self.image)

    def p(self, *values):
        return [v * self.scale for v in values]

    def rounded(self, box, radius, fill, outline=None, width=0):
        self.draw.rounded_rectangle(self.p(*box), radius=radius * self.scale, fill=fill,
                                    outline=outline, width=round(width * self.scale))

    def ellipse(self, box, fill, outline=None, width=0):
        self.draw.ellipse(self.p(*box), fill=fill, outline=outline, width=round(width * self.scale))

    def polygon(self, points, fill):
        self.draw.polygon([(x * self.scale, y * self.scale) for x, y in points], fill=fill)

    def layer(self):
        """A fresh transparent layer of the same size, to be composited later."""
        other = Pen.__new__(Pen)
        other.scale = self.scale
        other.image = Image.new("RGBA", self.image.size, (0, 0, 0, 0))
        other.draw = ImageDraw.Draw(other.image)
        return other

    def over(self, layer):
        self.image = Image.alpha_composite(self.image, layer.image)
        self.draw = ImageDraw.Draw(self.image)


def soft_shadow(pen, shape_layer, offset, blur, alpha):
    """A blurred dark copy of a layer's alpha, drawn under what follows."""
    mask = shape_layer.image.split()[3]
    shadow = Image.new("RGBA", pen.image.size, (0, 0, 0, 0))
    shadow.putalpha(mask.point(lambda a: a * alpha // 255))
    moved = Image.new("RGBA", pen.image.size, (0, 0, 0, 0))
    moved.paste(shadow, (round(offset[0] * pen.scale), round(offset[1] * pen.scale)))
    moved = moved.filter(ImageFilter.GaussianBlur(blur * pen.scale))
    pen.over(type("L", (), {"image": moved})())


def car(pen):
    """A small blue sports car seen from above, nose up: 24 x 40 points."""
    body = pen.layer()
    body.rounded((3, 2, 21, 38), 6, (30, 110, 220, 255))
    soft_shadow(pen, body, (0.8, 1.2), 1.2, 150)
    # Wheels peek out on both sides.
    for x in (1.2, 19.3):
        for y in (7, 27):
            pen.rounded((x, y, x + 3.5, y + 7), 1.2, (25, 25, 28, 255))
    pen.over(body)
    # Darker flanks give the body some roundness.
    pen.rounded((3, 2, 6, 38), 3, (20, 80, 170, 255))
    pen.rounded((18, 2, 21, 38), 3, (20, 80, 170, 255))
    pen.rounded((4.5, 2.5, 19.5, 37.5), 5.5, (40, 125, 235, 255))
    # Racing stripes.
    pen.draw.rectangle(pen.p(10.2, 2.4, 11.2, 37.6), fill=(250, 250, 250, 255))
    pen.draw.rectangle(pen.p(12.8, 2.4, 13.8, 37.6), fill=(250, 250, 250, 255))
    # Windscreen, roof and rear window.
    pen.polygon([(6, 14), (18, 14), (16.8, 18.5), (7.2, 18.5)], (30, 40, 60, 255))
    pen.polygon([(6.7, 14.6), (17.3, 14.6), (16.6, 16.8), (7.4, 16.8)], (120, 170, 220, 255))
    pen.rounded((7.2, 18.5, 16.8, 27), 1.5, (25, 95, 200, 255))
    pen.draw.rectangle(pen.p(10.2, 18.5, 11.2, 27), fill=(235, 235, 240, 255))
    pen.draw.rectangle(pen.p(12.8, 18.5, 13.8, 27), fill=(235, 235, 240, 255))
    pen.polygon([(7.2, 27), (16.8, 27), (17.6, 30), (6.4, 30)], (30, 40, 60, 255))
    # Headlights and tail lights.
    pen.ellipse((5, 2.6, 8.6, 5.2), (255, 240, 150, 255))
    pen.ellipse((15.4, 2.6, 19, 5.2), (255, 240, 150, 255))
    pen.rounded((5, 35.6, 8.5, 37.4), 0.8, (230, 30, 30, 255))
    pen.rounded((15.5, 35.6, 19, 37.4), 0.8, (230, 30, 30, 255))


def hamburger(pen):
    """A hamburger seen from the side, a little from above: 28 x 26 points."""
    whole = pen.layer()
    whole.rounded((2, 3, 26, 24), 8, (0, 0, 0, 255))
    soft_shadow(pen, whole, (0.6, 1.0), 1.0, 120)
    # Bottom bun.
    pen.rounded((3.5, 18, 24.5, 24), 3, (196, 120, 48, 255))
    pen.rounded((4, 18, 24, 20.5), 1.5, (225, 160, 80, 255))
    # Patty.
    pen.rounded((2.8, 14, 25.2, 19.2), 2.6, (95, 52, 28, 255))
    for x in range(5, 24, 3):
        pen.ellipse((x, 15.2, x + 1.2, 16.2), (70, 36, 20, 255))
    # Cheese with drips.
    pen.polygon([(3, 13.2), (25, 13.2), (24, 15), (19, 15), (17.5, 17.2), (16, 15),
                 (9.5, 15), (8, 16.8), (6.5, 15), (4, 15)], (255, 200, 40, 255))
    # Lettuce.
    points = []
    for i in range(0, 23):
        x = 2.2 + i
        points.append((x, 11.6 + (0.9 if i % 2 else -0.2)))
    points += [(25.6, 13.6), (2.4, 13.6)]
    pen.polygon(points, (90, 190, 60, 255))
    # Top bun: a dome with a highlight and sesame seeds.
    pen.draw.chord(pen.p(2.5, 1.5, 25.5, 22), 180, 360, fill=(214, 134, 52, 255))
    pen.draw.rectangle(pen.p(2.5, 11.5, 25.5, 12.3), fill=(214, 134, 52, 255))
    pen.draw.chord(pen.p(5, 3, 18, 12), 195, 300, fill=(238, 170, 90, 255))
    for x, y, a in ((8, 6, 20), (12.5, 4.2, -10), (17, 5.5, 30), (20.5, 8.2, 10), (10, 9, -25),
                    (15, 8.2, 5), (6, 9.5, 40)):
        seed = Image.new("RGBA", (round(2.2 * pen.scale), round(1.1 * pen.scale)), (0, 0, 0, 0))
        ImageDraw.Draw(seed).ellipse((0, 0, seed.size[0] - 1, seed.size[1] - 1),
                                     fill=(255, 246, 215, 255))
        seed = seed.rotate(a, expand=True, resample=Image.BICUBIC)
        pen.image.alpha_composite(seed, (round(x * pen.scale), round(y * pen.scale)))
    pen.draw = ImageDraw.Draw(pen.image)


def circle(pen):
    """The car's after-image: a soft white round, 28 x 28 points."""
    size = pen.image.size[0]
    centre = (size - 1) / 2
    radius = size / 2
    pixels = pen.image.load()
    for y in range(size):
        for x in range(size):
            d = math.hypot(x - centre, y - centre) / radius
            if d >= 1:
                continue
            # Full in the middle, fading smoothly to nothing at the rim.
            a = (1 - d * d) ** 2
            pixels[x, y] = (255, 255, 255, round(255 * a))


def text_picture(pen, size, text, font_size, fill, stroke, stroke_width, shadow=True):
    font = ImageFont.truetype(BOLD_FONT, round(font_size * pen.scale))
    width = round(stroke_width * pen.scale)
    layer = pen.layer()
    box = layer.draw.textbbox((0, 0), text, font=font, stroke_width=width)
    x = (pen.image.size[0] - (box[2] - box[0])) / 2 - box[0]
    y = (pen.image.size[1] - (box[3] - box[1])) / 2 - box[1]
    layer.draw.text((x, y), text, font=font, fill=fill, stroke_width=width, stroke_fill=stroke)
    if shadow:
        soft_shadow(pen, layer, (0.8, 1.2), 1.0, 170)
    pen.over(layer)
    return layer


def gotpts(pen):
    """The "+100" that rises from a hamburger: 56 x 26 points."""
    text_picture(pen, (56, 26), "+100", 20, (255, 226, 60, 255), (150, 60, 0, 255), 2.0)


def gameover(pen):
    """The falling game-over sign: 240 x 64 points."""
    banner = pen.layer()
    banner.rounded((4, 6, 236, 58), 14, (0, 0, 0, 255))
    soft_shadow(pen, banner, (1.5, 2.5), 2.5, 140)
    pen.rounded((4, 6, 236, 58), 14, (150, 20, 30, 235), outline=(255, 255, 255, 255), width=2.5)
    pen.rounded((9, 10, 231, 30), 10, (200, 50, 55, 140))
    text_picture(pen, (240, 64), "GAME OVER", 34, (255, 255, 255, 255), (90, 0, 10, 255), 2.2)


def icon_pause_mini(pen):
    """The pause button: 30 x 30 points, drawn white so the game can tint it."""
    ring = pen.layer()
    ring.ellipse((2, 2, 28, 28), (0, 0, 0, 255))
    soft_shadow(pen, ring, (0.4, 0.8), 1.0, 160)
    pen.ellipse((2, 2, 28, 28), (40, 40, 40, 170), outline=(255, 255, 255, 255), width=2.2)
    pen.rounded((10, 9, 13.6, 21), 1.2, (255, 255, 255, 255))
    pen.rounded((16.4, 9, 20, 21), 1.2, (255, 255, 255, 255))


PICTURES = {
    "gameover": ((240, 64), gameover),
    "movucar": ((24, 40), car),
    "gotpts": ((56, 26), gotpts),
    "circle": ((28, 28), circle),
    "hamburger": ((28, 26), hamburger),
    "icon_pause_mini": ((30, 30), icon_pause_mini),
}


def render(size, painter, scale):
    target = (round(size[0] * scale), round(size[1] * scale))
    if painter is circle:
        # Drawn per pixel at the final size: a smooth gradient needs no supersampling.
        pen = Pen(size, scale)
        painter(pen)
        return pen.image
    pen = Pen(size, scale * SUPERSAMPLE)
    painter(pen)
    # Scale in premultiplied form so transparent pixels do not darken the edges.
    return pen.image.convert("RGBa").resize(target, Image.LANCZOS).convert("RGBA")


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets")
    os.makedirs(out, exist_ok=True)
    for name, (size, painter) in PICTURES.items():
        for suffix, scale in SCALES.items():
            image = render(size, painter, scale)
            path = os.path.join(out, name + suffix + ".png")
            image.save(path, optimize=True)
            print(f"{path}: {image.size[0]}x{image.size[1]}")


if __name__ == "__main__":
    main()
