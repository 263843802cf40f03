#!/usr/bin/env python3
"""Draws Vellumark's pictures: the splash picture and the two window icons.

Everything is drawn here from plain shapes and the DejaVu fonts, so the outputs can be
regenerated at any time (the outputs are committed; the build only uses them):

    /usr/bin/python3 resources/make_resources.py
        needs Pillow and rsvg-convert: apt-get install python3-pil librsvg2-bin

Outputs, next to this script:
    splash.gif                       400 x 298, one frame, 256-colour palette
    icons/database-32.png, -16.png   database and instructions windows (16 colours), drawn
                                     pixel by pixel so they stay crisp at their small sizes
    icons/database.svg               the application icon, scalable: the same drawer on the
                                     same 32-unit grid, with shading the small sizes leave out
    icons/database-48.png ... -256.png   that SVG rendered by rsvg-convert at 48, 64, 128
                                     and 256 pixels (full colour with alpha)
    icons/capture-32.png, -16.png    capture window (16 colours)

The application icon is installed under share/icons/hicolor as vellumark.png at every size
and vellumark.svg under scalable; the windows take every size of it from the resources.
"""

import os
import subprocess

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


def hex_colour(rgb):
    return "#%02x%02x%02x" % rgb


def database_svg():
    """The drawer of database_icon as an SVG on the same 32-unit grid (a pixel's box there runs
    from x to x + 1, so an outline of width 1 sits on half-units), with gradients for depth."""
    c = {name: hex_colour(value) for name, value in (
        ("card", CARD), ("card_shade", CARD_SHADE), ("wood", WOOD), ("wood_dark", WOOD_DARK),
        ("wood_light", WOOD_LIGHT), ("brass", BRASS), ("brass_dark", BRASS_DARK),
        ("red", TAB_COLOURS[0]), ("blue", TAB_COLOURS[1]), ("green", TAB_COLOURS[2]))}
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 32 32">
  <title>Vellumark</title>
  <defs>
    <linearGradient id="wood" x1="0" y1="12" x2="0" y2="30" gradientUnits="userSpaceOnUse">
      <stop offset="0" stop-color="{c['wood_light']}"/>
      <stop offset="1" stop-color="{c['wood']}"/>
    </linearGradient>
    <linearGradient id="brass" x1="0" y1="15" x2="0" y2="20" gradientUnits="userSpaceOnUse">
      <stop offset="0" stop-color="#f0d890"/>
      <stop offset="1" stop-color="{c['brass']}"/>
    </linearGradient>
    <radialGradient id="pull" cx="15.6" cy="23.6" r="3.6" gradientUnits="userSpaceOnUse">
      <stop offset="0" stop-color="#f0d890"/>
      <stop offset="0.6" stop-color="{c['brass']}"/>
      <stop offset="1" stop-color="{c['brass_dark']}"/>
    </radialGradient>
  </defs>
  <!-- Cards standing in the drawer, the back one shaded, each with its coloured tab. -->
  <rect x="18.5" y="1.5" width="6" height="4" fill="{c['blue']}" stroke="#1e325a" stroke-width="0.5"/>
  <rect x="7.5" y="3.5" width="19" height="9" fill="{c['card_shade']}" stroke="#5a503c" stroke-width="0.5"/>
  <rect x="8.5" y="2.5" width="6" height="4" fill="{c['red']}" stroke="#5a281e" stroke-width="0.5"/>
  <rect x="5.5" y="5" width="22" height="9.5" fill="{c['card']}" stroke="#5a503c" stroke-width="0.5"/>
  <path d="M8 7.5h7M8 9.5h12M8 11.5h9" stroke="{c['card_shade']}" stroke-width="0.5"/>
  <!-- The drawer front: wood with a little grain, a brass label holder and a pull. -->
  <rect x="2.5" y="12.5" width="27" height="17" rx="0.6" fill="url(#wood)" stroke="{c['wood_dark']}"/>
  <path d="M4.5 21.5q5 -1.2 10 0M17.5 26.5q5 -1.2 10 0M18 14.5q4 -1 8 0" fill="none"
        stroke="{c['wood']}" stroke-width="0.4" stroke-linecap="round"/>
  <rect x="11.5" y="15.5" width="10" height="4" fill="url(#brass)" stroke="{c['brass_dark']}"/>
  <rect x="12.75" y="16.5" width="7.5" height="2" fill="{c['card']}"/>
  <path d="M13.5 17.5h5" stroke="{c['wood_dark']}" stroke-width="0.5"/>
  <ellipse cx="16.5" cy="24.5" rx="3" ry="2" fill="url(#pull)" stroke="{c['brass_dark']}"/>
  <ellipse cx="16.5" cy="24.8" rx="1.6" ry="0.8" fill="{c['brass_dark']}"/>
</svg>
"""


def render_svg(svg_path, size, png_path):
    subprocess.run(["rsvg-convert", "--width", str(size), "--height", str(size),
                    "--output", png_path, svg_path], check=True)
    # Saved again by Pillow: no rendering tool's text chunks, the smallest encoding.
    Image.open(png_path).convert("RGBA").save(png_path, format="PNG", optimize=True)


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
    svg_path = os.path.join(HERE, "icons", "database.svg")
    with open(svg_path, "w", encoding="utf-8") as svg:
        svg.write(database_svg())
    for size in (48, 64, 128, 256):
        render_svg(svg_path, size, os.path.join(HERE, "icons", f"database-{size}.png"))


if __name__ == "__main__":
    main()
