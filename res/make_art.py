#!/usr/bin/env python3
"""Draws the program's icon (LumoHostID.ico: 16, 32 and 48 pixels, 32 bits with alpha) and the about dialog's
banner (info_banner.bmp: 400 by 278 pixels, 8 bits per pixel with a 256-colour palette).

Standard library only. Run it from anywhere; it writes beside itself. Both outputs are committed, so the build
does not need Python.
"""

import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

NAVY = (11, 31, 58)
TEAL = (19, 111, 122)
AMBER = (255, 184, 64)
GLOW = (255, 236, 170)
WHITE = (255, 255, 255)
MINT = (150, 225, 215)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def over(dst, src, alpha):
    """src drawn over dst with the given coverage."""
    return mix(dst, src, alpha)


# --- the icon ---------------------------------------------------------------------------------------------------

def icon_pixel(x, y):
    """Colour and alpha of the icon at (x, y) in a unit square, (0, 0) top left."""
    # A rounded tile.
    r = 0.2
    dx = max(abs(x - 0.5) - (0.5 - r), 0.0)
    dy = max(abs(y - 0.5) - (0.5 - r), 0.0)
    if math.hypot(dx, dy) > r - 0.02:
        return (0, 0, 0), 0.0
    colour = mix(TEAL, NAVY, y)
    # The lamp: an amber disc with a bright core, and a white ring around it.
    d = math.hypot(x - 0.5, y - 0.46)
    if d < 0.2:
        colour = mix(GLOW, AMBER, d / 0.2)
    elif d < 0.27:
        colour = over(colour, AMBER, 0.35 * (0.27 - d) / 0.07)
    if 0.31 < d < 0.36 and y < 0.62:
        colour = WHITE
    # The stand: a port-like bar below the lamp.
    if 0.36 < x < 0.64 and 0.74 < y < 0.84:
        colour = WHITE
    if 0.46 < x < 0.54 and 0.66 < y < 0.74:
        colour = MINT
    return colour, 1.0


def render_icon(size, samples=4):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0]
            alpha = 0.0
            for sy in range(samples):
                for sx in range(samples):
                    c, a = icon_pixel((px + (sx + 0.5) / samples) / size, (py + (sy + 0.5) / samples) / size)
                    for i in range(3):
                        acc[i] += c[i] * a
                    alpha += a
            n = samples * samples
            if alpha > 0:
                colour = tuple(int(round(acc[i] / alpha)) for i in range(3))
            else:
                colour = (0, 0, 0)
            row.append((colour, int(round(255 * alpha / n))))
        rows.append(row)
    return rows


def icon_image(size):
    """One icon image in the ICO's BMP form: header, BGRA rows bottom-up, then the AND mask."""
    rows = render_icon(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = bytearray()
    for row in reversed(rows):
        for (r, g, b), a in row:
            pixels += bytes((b, g, r, a))
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + mask


def write_icon(path, sizes=(16, 32, 48)):
    images = [icon_image(s) for s in sizes]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    for image in images:
        out += image
    with open(path, 'wb') as f:
        f.write(out)


# --- the banner -------------------------------------------------------------------------------------------------

# A 5 by 7 pixel font for the few letters the banner needs, drawn as it looks: under each letter of the first line
# stand its five columns, '#' for a lit pixel, with one column between letters.
FONT_DRAWING = """
  K     A     V     R     O     L     U     M     H     S     T     I     D
#...# .###. #...# ####. .###. #.... #...# #...# #...# .#### ##### ##### ####.
#..#. #...# #...# #...# #...# #.... #...# ##.## #...# #.... ..#.. ..#.. #...#
#.#.. #...# #...# #...# #...# #.... #...# #.#.# #...# #.... ..#.. ..#.. #...#
##... ##### #...# ####. #...# #.... #...# #.#.# ##### .###. ..#.. ..#.. #...#
#.#.. #...# #...# #.#.. #...# #.... #...# #...# #...# ....# ..#.. ..#.. #...#
#..#. #...# .#.#. #..#. #...# #.... #...# #...# #...# ....# ..#.. ..#.. #...#
#...# #...# ..#.. #...# .###. ##### .###. #...# #...# ####. ..#.. ##### ####.
"""


def parse_font(drawing):
    """Each letter of the drawing as its seven rows of '1' (lit) and '0', and the space as seven blank rows."""
    names, *rows = drawing.strip('\n').split('\n')
    font = {}
    for index, name in enumerate(names.split()):
        left = index * 6
        font[name] = [row[left:left + 5].replace('#', '1').replace('.', '0') for row in rows]
    font[' '] = ["00000"] * 7
    return font


FONT = parse_font(FONT_DRAWING)


def text_cells(text, left, top, scale, gap=1):
    """The set of (x, y) pixels covered by the text."""
    cells = set()
    x0 = left
    for ch in text:
        glyph = FONT[ch]
        for gy, line in enumerate(glyph):
            for gx, bit in enumerate(line):
                if bit == '1':
                    for sy in range(scale):
                        for sx in range(scale):
                            cells.add((x0 + gx * scale + sx, top + gy * scale + sy))
        x0 += (5 + gap) * scale
    return cells


def text_width(text, scale, gap=1):
    return len(text) * (5 + gap) * scale - gap * scale


def render_banner(width=400, height=278):
    # Nodes of a small network, joined by lines: the adapters a host ID is chosen from.
    nodes = [(40, 200), (95, 240), (150, 205), (210, 248), (265, 212), (330, 242), (372, 196)]
    title = "KAVRO"
    subtitle = "LUMO HOST ID"
    title_scale, sub_scale = 9, 3
    title_left = (width - text_width(title, title_scale)) // 2
    sub_left = (width - text_width(subtitle, sub_scale)) // 2
    title_cells = text_cells(title, title_left, 44, title_scale)
    shadow_cells = text_cells(title, title_left + 4, 48, title_scale)
    sub_cells = text_cells(subtitle, sub_left, 125, sub_scale)
    lamp = (width - 56, 46)

    def seg_dist(px, py, a, b):
        ax, ay = a
        bx, by = b
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / float(vx * vx + vy * vy)))
        return math.hypot(px - (ax + t * vx), py - (ay + t * vy))

    image = []
    for y in range(height):
        row = []
        for x in range(width):
            colour = mix(NAVY, TEAL, (y / height) * 0.85 + (x / width) * 0.15)
            # The lamp's glow in the top right corner.
            d = math.hypot(x - lamp[0], y - lamp[1])
            colour = over(colour, AMBER, max(0.0, 1.0 - d / 120.0) ** 2 * 0.8)
            if d < 18:
                colour = mix(GLOW, AMBER, d / 18.0)
            # The network.
            line = min(seg_dist(x, y, nodes[i], nodes[i + 1]) for i in range(len(nodes) - 1))
            if line < 1.6:
                colour = over(colour, MINT, 0.55 * (1.6 - line) / 1.6 + 0.25)
            for i, (nx, ny) in enumerate(nodes):
                dn = math.hypot(x - nx, y - ny)
                if dn < 7:
                    colour = AMBER if i == 3 else MINT
                    if dn > 5:
                        colour = WHITE
            # The titles, with a shadow under the large one.
            if (x, y) in shadow_cells:
                colour = mix(colour, NAVY, 0.7)
            if (x, y) in title_cells:
                colour = mix(WHITE, MINT, (y - 44) / (7.0 * title_scale))
            if (x, y) in sub_cells:
                colour = AMBER
            row.append(colour)
        image.append(row)
    return image


def palette_256():
    """A 6 x 6 x 6 colour cube and 40 greys: every colour of the banner is near one of them."""
    palette = []
    for r in range(6):
        for g in range(6):
            for b in range(6):
                palette.append((r * 51, g * 51, b * 51))
    for i in range(40):
        v = int(round(i * 255 / 39))
        palette.append((v, v, v))
    return palette


BAYER = [[0, 8, 2, 10], [12, 4, 14, 6], [3, 11, 1, 9], [15, 7, 13, 5]]


def write_banner(path):
    image = render_banner()
    height = len(image)
    width = len(image[0])
    palette = palette_256()
    cube = lambda v: max(0, min(5, int(v / 51.0 + 0.5)))
    rows = []
    for y, row in enumerate(image):
        out = bytearray()
        for x, (r, g, b) in enumerate(row):
            # Ordered dithering keeps the gradients smooth with the cube's steps of 51.
            t = (BAYER[y % 4][x % 4] / 16.0 - 0.5) * 51
            out.append(cube(r + t) * 36 + cube(g + t) * 6 + cube(b + t))
        rows.append(out)
    stride = (width + 3) // 4 * 4
    pixels = bytearray()
    for out in reversed(rows):
        pixels += out + bytes(stride - width)
    palette_bytes = bytearray()
    for r, g, b in palette:
        palette_bytes += bytes((b, g, r, 0))
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 8, 0, len(pixels), 2835, 2835, 256, 0)
    offset = 14 + len(info) + len(palette_bytes)
    header = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(header + info + palette_bytes + pixels)


if __name__ == '__main__':
    write_icon(os.path.join(HERE, 'LumoHostID.ico'))
    write_banner(os.path.join(HERE, 'info_banner.bmp'))
