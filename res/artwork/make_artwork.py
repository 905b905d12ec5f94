#!/usr/bin/env python3
"""Remakes the program's icon (KinoreeV2.ico), About-box logo (about.bmp) and desktop icon (SVG).

ImageMagick draws the pictures; this script writes the icon and bitmap formats itself, byte by
byte, because the module needs exactly these layouts: a single 32x32 32-bpp icon image with an
all-zero mask, and a 4-bpp bottom-up bitmap on the standard 16-colour palette. The build uses
the committed files; run this only to change the art:

    python3 res/artwork/make_artwork.py            # writes res/KinoreeV2.ico, res/about.bmp and
                                                   # res/linux/example.orvane.KinoreeV2.svg

The build renders the desktop's PNG sizes from that SVG.
"""

import os
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
RES = os.path.dirname(HERE)
# The name desktops know the program by: its desktop entry, metainfo and icon files.
APP_ID = "example.orvane.KinoreeV2"
FONT_DIR = "/usr/share/fonts/truetype/dejavu"
FONT_BOLD = os.path.join(FONT_DIR, "DejaVuSans-Bold.ttf")
FONT_BOOK = os.path.join(FONT_DIR, "DejaVuSans.ttf")

# The 16-colour palette every display shows the same, in its usual order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def hexcolour(index):
    r, g, b = PALETTE[index]
    return "#%02x%02x%02x" % (r, g, b)


BLACK, DRED, DGREEN, DYELLOW, DBLUE, DMAGENTA, DCYAN, LGREY = range(8)
DGREY, RED, GREEN, YELLOW, BLUE, MAGENTA, CYAN, WHITE = range(8, 16)


def render(args, width, height, channels):
    """Runs convert and returns top-down raw pixels (RGB or RGBA, 8 bits each)."""
    fmt = "rgba" if channels == 4 else "rgb"
    out = subprocess.run(["convert"] + args + ["-depth", "8", fmt + ":-"],
                         check=True, stdout=subprocess.PIPE).stdout
    if len(out) != width * height * channels:
        sys.exit("convert returned %d bytes, expected %d" % (len(out), width * height * channels))
    return out


def bitmap_info_header(width, height, bit_count, image_size, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, 0, image_size,
                       0, 0, colours, colours)


# ---------------------------------------------------------------------------------------------
# The icon: a movie camera with two film reels on a 32-unit square. The one drawing makes both
# the module's 32x32 icon (drawn at 4x and scaled down for smooth edges) and the scalable icon
# the desktop shows at every other size.

SKY_TOP, SKY_BOTTOM = "#5aa0e6", "#1f4f9a"

# (shape, fill, stroke, stroke width, geometry) in icon units; geometry per shape:
# circle (cx, cy, r), roundrect (x0, y0, x1, y1, r), polygon (x, y, ...), line (x0, y0, x1, y1).
ICON_SHAPES = [
    # film reels
    ("circle", "#303030", "#101010", 1, (10, 9, 6)),
    ("circle", "#303030", "#101010", 1, (20, 9, 6)),
    ("circle", "#c8c8c8", None, 1, (10, 9, 2)),
    ("circle", "#c8c8c8", None, 1, (20, 9, 2)),
    # camera body
    ("roundrect", "#2a2a2a", "#101010", 1, (4, 14, 24, 25, 2)),
    # lens hood
    ("polygon", "#505050", "#101010", 1, (24, 17, 30, 13, 30, 26, 24, 22)),
    # red recording light
    ("circle", "#ff3030", None, 1, (8, 17.5, 1.5)),
    # tripod legs
    ("line", None, "#202020", 2, (14, 25, 9, 31)),
    ("line", None, "#202020", 2, (14, 25, 19, 31)),
]


def magick_draw(shapes, s):
    """ImageMagick -draw arguments for the shapes at s pixels per unit."""
    def sc(*v):
        return ",".join(str(int(x * s)) for x in v)

    args = []
    for kind, fill, stroke, width, g in shapes:
        args += ["-fill", fill or "none", "-stroke", stroke or "none", "-strokewidth", str(width * s)]
        if kind == "circle":
            args += ["-draw", "circle %s %s" % (sc(g[0], g[1]), sc(g[0], g[1] - g[2]))]
        elif kind == "roundrect":
            args += ["-draw", "roundrectangle %s %s %s" % (sc(g[0], g[1]), sc(g[2], g[3]), sc(g[4], g[4]))]
        elif kind == "polygon":
            args += ["-draw", "polygon " + " ".join(sc(g[i], g[i + 1]) for i in range(0, len(g), 2))]
        elif kind == "line":
            args += ["-draw", "line %s %s" % (sc(g[0], g[1]), sc(g[2], g[3]))]
    return args


def draw_icon():
    s = 4  # drawing scale
    draw = ["-size", "%dx%d" % (32 * s, 32 * s), "gradient:%s-%s" % (SKY_TOP, SKY_BOTTOM)]
    draw += magick_draw(ICON_SHAPES, s) + ["-resize", "32x32"]
    rgba = render(draw, 32, 32, 4)
    # Every pixel stays nearly opaque, so that the whole square is drawn; only the outermost
    # ring is a little translucent to soften the edge.
    pixels = []
    for y in range(32):
        for x in range(32):
            i = (y * 32 + x) * 4
            r, g, b = rgba[i], rgba[i + 1], rgba[i + 2]
            ring = min(x, y, 31 - x, 31 - y)
            alpha = 204 if ring == 0 else (230 if ring == 1 else 255)
            pixels.append((r, g, b, alpha))
    return pixels


def icon_svg(shapes):
    """The same drawing as SVG; the square's corners are rounded as desktop icons usually are."""
    def num(v):
        return "%g" % v

    def paint(fill, stroke, width):
        text = ' fill="%s"' % (fill or "none")
        if stroke:
            text += ' stroke="%s" stroke-width="%s"' % (stroke, num(width))
        return text

    lines = [
        '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">',
        '  <defs><linearGradient id="sky" x1="0" y1="0" x2="0" y2="1">'
        '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient></defs>'
        % (SKY_TOP, SKY_BOTTOM),
        '  <rect width="32" height="32" rx="3" fill="url(#sky)"/>',
    ]
    for kind, fill, stroke, width, g in shapes:
        style = paint(fill, stroke, width)
        if kind == "circle":
            lines.append('  <circle cx="%s" cy="%s" r="%s"%s/>' % (num(g[0]), num(g[1]), num(g[2]), style))
        elif kind == "roundrect":
            lines.append('  <rect x="%s" y="%s" width="%s" height="%s" rx="%s"%s/>'
                         % (num(g[0]), num(g[1]), num(g[2] - g[0]), num(g[3] - g[1]), num(g[4]), style))
        elif kind == "polygon":
            lines.append('  <polygon points="%s"%s/>' % (" ".join(num(v) for v in g), style))
        elif kind == "line":
            lines.append('  <line x1="%s" y1="%s" x2="%s" y2="%s"%s/>'
                         % (num(g[0]), num(g[1]), num(g[2]), num(g[3]), style))
    lines.append("</svg>")
    return "\n".join(lines) + "\n"


def write_icon(path, pixels):
    width = height = 32
    xor = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up
        for x in range(width):
            r, g, b, a = pixels[y * width + x]
            xor += bytes((b, g, r, a))
    mask_stride = ((width + 31) // 32) * 4
    mask = bytes(mask_stride * height)  # all zero: the colour image decides alone
    image = bitmap_info_header(width, height * 2, 32, len(xor) + len(mask), 0) + xor + mask
    # ICONDIR, one ICONDIRENTRY, then the image.
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", width, height, 0, 0, 1, 32, len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


# ---------------------------------------------------------------------------------------------
# The About logo: the lettering and a cartoon film-maker, in the 16 palette colours only.

LOGO_W, LOGO_H = 371, 151


def draw_logo():
    c = hexcolour
    draw = [
        "-size", "%dx%d" % (LOGO_W, LOGO_H), "xc:" + c(WHITE), "+antialias",
        # film strip along the bottom
        "-fill", c(BLACK), "-draw", "rectangle 0,128 370,150",
    ]
    for x in range(4, LOGO_W, 14):
        draw += ["-fill", c(WHITE), "-draw", "rectangle %d,131 %d,135" % (x, x + 6),
                 "-draw", "rectangle %d,143 %d,147" % (x, x + 6)]
    draw += [
        # --- the cartoon figure, standing at the left and holding up a clapperboard
        # legs and shoes
        "-stroke", c(BLACK), "-strokewidth", "1",
        "-fill", c(DBLUE), "-draw", "rectangle 38,88 47,120", "-draw", "rectangle 52,88 61,120",
        "-fill", c(BLACK), "-draw", "roundrectangle 32,118 48,125 3,3",
        "-draw", "roundrectangle 51,118 67,125 3,3",
        # body (striped jumper)
        "-fill", c(RED), "-draw", "roundrectangle 33,55 66,92 6,6",
        "-fill", c(DRED), "-stroke", "none",
        "-draw", "rectangle 34,66 65,69", "-draw", "rectangle 34,76 65,79",
        # arms: one waving, one holding the clapperboard
        "-stroke", c(BLACK), "-fill", c(RED),
        "-draw", "polygon 34,60 18,42 24,38 38,56",
        "-draw", "polygon 65,60 84,56 84,63 65,68",
        "-fill", c(YELLOW),
        "-draw", "circle 20,38 20,33",
        # head, hair, face
        "-fill", c(YELLOW), "-draw", "circle 50,36 50,18",
        "-fill", c(DYELLOW), "-draw", "polygon 33,30 38,19 50,15 62,19 67,30 58,24 42,24",
        "-fill", c(WHITE), "-draw", "ellipse 44,34 4,5 0,360", "-draw", "ellipse 56,34 4,5 0,360",
        "-fill", c(BLACK), "-stroke", "none",
        "-draw", "circle 45,35 45,33", "-draw", "circle 57,35 57,33",
        "-fill", "none", "-stroke", c(BLACK), "-strokewidth", "2",
        "-draw", "arc 42,38 58,48 20,160",
        "-strokewidth", "1",
        # clapperboard
        "-fill", c(DGREY), "-stroke", c(BLACK), "-draw", "rectangle 84,52 118,76",
        "-fill", c(WHITE), "-draw", "polygon 84,44 118,38 119,45 85,51",
    ]
    for i in range(4):
        x = 88 + i * 8
        draw += ["-fill", c(BLACK), "-stroke", "none",
                 "-draw", "polygon %d,%d %d,%d %d,%d %d,%d" % (x, 50 - i, x + 4, 49 - i,
                                                             x + 8, 42 - i, x + 4, 43 - i)]
    draw += [
        "-fill", c(WHITE), "-stroke", "none",
        "-draw", "rectangle 88,58 114,59", "-draw", "rectangle 88,64 108,65",
        "-draw", "rectangle 88,70 111,71",
        # --- the lettering
        "-stroke", "none",
        "-font", FONT_BOLD, "-pointsize", "50",
        "-fill", c(DGREY), "-annotate", "+143+69", "Kinoree",
        "-fill", c(BLUE), "-annotate", "+140+66", "Kinoree",
        "-font", FONT_BOOK, "-pointsize", "15",
        "-fill", c(BLACK), "-annotate", "+142+92", "Stop motion video creator",
        "-font", FONT_BOLD, "-pointsize", "12",
        "-fill", c(DGREEN), "-annotate", "+142+112", "Version 2.0",
        # a small star of light by the name
        "-fill", c(YELLOW), "-stroke", c(DYELLOW),
        "-draw", "polygon 358,4 361,11 368,12 362,16 364,24 358,20 352,24 354,16 348,12 355,11",
    ]
    rgb = render(draw, LOGO_W, LOGO_H, 3)
    # Snap every pixel to its palette entry (the drawing is unantialiased, so this is exact
    # for all but the odd blended glyph pixel).
    cache = {}
    indices = []
    for i in range(0, len(rgb), 3):
        px = (rgb[i], rgb[i + 1], rgb[i + 2])
        if px not in cache:
            cache[px] = min(range(16), key=lambda k: sum((a - b) ** 2 for a, b in zip(px, PALETTE[k])))
        indices.append(cache[px])
    return indices


def write_logo(path, indices):
    stride = ((LOGO_W * 4 + 31) // 32) * 4
    bits = bytearray()
    for y in range(LOGO_H - 1, -1, -1):  # bottom-up
        row = bytearray(stride)
        for x in range(LOGO_W):
            v = indices[y * LOGO_W + x]
            if x % 2 == 0:
                row[x // 2] |= v << 4
            else:
                row[x // 2] |= v
        bits += row
    colour_table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    info = bitmap_info_header(LOGO_W, LOGO_H, 4, len(bits), 16)
    offset = 14 + len(info) + len(colour_table)
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset)
    with open(path, "wb") as f:
        f.write(file_header + info + colour_table + bits)


def main():
    write_icon(os.path.join(RES, "KinoreeV2.ico"), draw_icon())
    write_logo(os.path.join(RES, "about.bmp"), draw_logo())
    with open(os.path.join(RES, "linux", APP_ID + ".svg"), "w") as f:
        f.write(icon_svg(ICON_SHAPES))


if __name__ == "__main__":
    main()
