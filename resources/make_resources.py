#!/usr/bin/env python3
"""Draws Vellumark's pictures: the splash picture and the two window icons.

Everything is drawn here from plain shapes and the DejaVu fonts, so the outputs can be
regenerated at any time:

    python3 resources/make_resources.py      (needs Pillow: apt-get install python3-pil)

Outputs, next to this script:
    splash.gif                       400 x 298, one frame, 256-colour palette
    icons/database-32.png, -16.png   database and instructions windows (16 colours)
    icons/capture-32.png, -16.png    capture window (16 colours)
"""

import os

from PIL import Image, ImageDraw, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_DIR = "/usr/share/fonts/truetype/dejavu"

WOOD_DARK = (92, 52, 24)
WOOD = (150, 92, 46)
WOOD_LIGHT = (196, 136, 78)
BRASS = (214, 176, 74)
BRASS_DARK = (140, 108, 36)
CARD = (246, 240, 222)
CARD_SHADE = (214, 204, 178)
TAB_COLOURS = [(196, 64, 52), (64, 120, 190), (86, 160, 84), (226, 184, 62)]


def font(name, size):
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size)


def centred_text(draw, y, text, face, fill, width):
    left, top, right, bottom = draw.textbbox((0, 0), text, font=face)
    draw.text(((width - (right - left)) // 2 - left, y), text, font=face, fill=fill)


def vertical_gradient(draw, box, top_colour, bottom_colour):
    x0, y0, x1, y1 = box
    for y in range(y0, y1 + 1):
        t = (y - y0) / max(1, y1 - y0)
        colour = tuple(int(a + (b - a) * t) for a, b in zip(top_colour, bottom_colour))
        draw.line([(x0, y), (x1, y)], fill=colour)


def draw_drawer(draw, left, top, width, height):
    """A card-index drawer pulled half open: cabinet front, drawer box, cards with tabs."""
    right, bottom = left + width, top + height
    depth = height * 2 // 3

    # Cards standing in the open drawer, back to front, each a little lower and lighter.
    card_left, card_right = left + 18, right - 18
    for i in range(8):
        y = top - depth + 14 + i * 6
        shade = CARD if i % 2 == 0 else CARD_SHADE
        draw.rectangle([card_left, y, card_right, top + 30], fill=shade, outline=(120, 110, 90))
        if i % 2 == 0:
            tab_x = card_left + 8 + ((i // 2) % 4) * (card_right - card_left - 54) // 3
            colour = TAB_COLOURS[(i // 2) % 4]
            draw.rectangle([tab_x, y - 9, tab_x + 38, y + 1], fill=colour, outline=(60, 40, 30))

    # Drawer sides in perspective.
    draw.polygon([(left, top), (left + 14, top - depth), (left + 14, top + 10), (left, top + 40)],
                 fill=WOOD_DARK)
    draw.polygon([(right, top), (right - 14, top - depth), (right - 14, top + 10),
                  (right, top + 40)], fill=WOOD_DARK)

    # Drawer front with grain, a brass label holder and a pull.
    vertical_gradient(draw, (left, top, right, bottom), WOOD_LIGHT, WOOD)
    draw.rectangle([left, top, right, bottom], outline=WOOD_DARK, width=3)
    for i, y in enumerate(range(top + 9, bottom - 4, 9)):
        draw.arc([left + 10 + (i * 13) % 40, y - 4, right - 10 - (i * 7) % 30, y + 6], 190, 350,
                 fill=WOOD, width=1)
    cx = (left + right) // 2
    holder = [cx - 46, top + 14, cx + 46, top + 40]
    draw.rectangle(holder, fill=BRASS, outline=BRASS_DARK, width=2)
    draw.rectangle([holder[0] + 6, holder[1] + 5, holder[2] - 6, holder[3] - 5], fill=CARD)
    draw.text((holder[0] + 12, holder[1] + 6), "A - Z", font=font("DejaVuSans-Bold.ttf", 11),
              fill=(60, 40, 30))
    draw.ellipse([cx - 20, bottom - 34, cx + 20, bottom - 14], fill=BRASS, outline=BRASS_DARK,
                 width=2)
    draw.ellipse([cx - 11, bottom - 29, cx + 11, bottom - 19], fill=BRASS_DARK)

    # The cabinet the drawer slides out of.
    draw.rectangle([left - 16, bottom + 2, right + 16, bottom + 14], fill=WOOD_DARK)


def make_splash(path):
    width, height = 400, 298
    image = Image.new("RGB", (width, height), (0, 0, 0))
    draw = ImageDraw.Draw(image)

    title = font("DejaVuSerif-Bold.ttf", 46)
    centred_text(draw, 14, "Vellumark", title, (236, 206, 120), width)
    centred_text(draw, 72, "disk catalogues, kept like a card index",
                 font("DejaVuSans.ttf", 13), (190, 190, 190), width)
    draw.line([(70, 96), (330, 96)], fill=(120, 96, 48), width=1)

    draw_drawer(draw, 110, 172, 180, 82)

    credit = "drawn for Vellumark, 2024"
    credit_font = font("DejaVuSans-Oblique.ttf", 10)
    left, top, right, bottom = draw.textbbox((0, 0), credit, font=credit_font)
    draw.text((width - 10 - (right - left), height - 8 - (bottom - top) - top), credit,
              font=credit_font, fill=(160, 160, 160))

    # One frame, a full 256-entry palette.
    paletted = image.quantize(colors=256, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = paletted.getpalette()[: 256 * 3]
    palette += [0] * (256 * 3 - len(palette))
    paletted.putpalette(palette)
    paletted.save(path, format="GIF", optimize=False)


def finish_icon(image, path):
    """Icons carry a 16-colour palette with index 0 transparent."""
    rgba = image.convert("RGBA")
    alpha = rgba.getchannel("A")
    rgb = Image.new("RGB", rgba.size, (255, 0, 255))
    rgb.paste(rgba, mask=alpha)
    paletted = rgb.quantize(colors=15, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    # Shift every colour up by one and reserve index 0 for transparency.
    palette = [255, 0, 255] + paletted.getpalette()[: 15 * 3]
    palette += [0] * (16 * 3 - len(palette))
    shifted = paletted.point(lambda i: i + 1)
    shifted.putpalette(palette)
    pixels = shifted.load()
    for y in range(rgba.height):
        for x in range(rgba.width):
            if alpha.getpixel((x, y)) < 128:
                pixels[x, y] = 0
    shifted.save(path, format="PNG", transparency=0, bits=4)


def database_icon(size):
    """A card drawer seen from the front, cards and a red tab showing."""
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    s = size / 32
    box = lambda *v: [round(c * s) for c in v]
    draw.rectangle(box(5, 4, 27, 14), fill=CARD, outline=(90, 80, 60))
    draw.rectangle(box(8, 2, 14, 6), fill=TAB_COLOURS[0], outline=(90, 40, 30))
    draw.rectangle(box(18, 3, 24, 7), fill=TAB_COLOURS[1], outline=(30, 50, 90))
    draw.rectangle(box(2, 12, 29, 29), fill=WOOD, outline=WOOD_DARK, width=max(1, round(s)))
    draw.rectangle(box(11, 15, 21, 19), fill=BRASS, outline=BRASS_DARK)
    draw.ellipse(box(13, 22, 19, 26), fill=BRASS_DARK)
    return image


def capture_icon(size):
    """A disk with a green arrow writing into a card."""
    image = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    s = size / 32
    box = lambda *v: [round(c * s) for c in v]
    draw.ellipse(box(1, 1, 21, 21), fill=(120, 124, 136), outline=(40, 44, 52))
    draw.ellipse(box(8, 8, 14, 14), fill=(230, 230, 236), outline=(40, 44, 52))
    draw.rectangle(box(15, 17, 30, 30), fill=CARD, outline=(90, 80, 60))
    draw.line(box(18, 22, 27, 22), fill=(90, 80, 60), width=max(1, round(s)))
    draw.line(box(18, 26, 27, 26), fill=(90, 80, 60), width=max(1, round(s)))
    draw.polygon(box(18, 6, 28, 6, 28, 14, 31, 14, 25, 20, 19, 14, 22, 14, 22, 9, 18, 9),
                 fill=(60, 160, 70), outline=(20, 80, 30))
    return image


def main():
    make_splash(os.path.join(HERE, "splash.gif"))
    os.makedirs(os.path.join(HERE, "icons"), exist_ok=True)
    for name, draw in (("database", database_icon), ("capture", capture_icon)):
        for size in (32, 16):
            finish_icon(draw(size), os.path.join(HERE, "icons", f"{name}-{size}.png"))


if __name__ == "__main__":
    main()
