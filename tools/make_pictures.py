#!/usr/bin/env python3
"""Draws the window's pictures and the program icon into ui/res/.

The build only embeds the files this script writes; run it again by hand after
changing a picture (python3 with Pillow, and the WenQuanYi fonts for the
Chinese button texts):

    python3 tools/make_pictures.py [--preview sheet.png]

Every picture is drawn from the few colours below so the frame, the buttons,
the dial and the icon read as one set.
"""

import argparse
import math
import os
import struct
import sys

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "ui", "res")

# --- palette ---------------------------------------------------------------
WHITE = (255, 255, 255)
OUTLINE = (123, 158, 189)        # window outline, the scheme's blue-grey
BLUE_TEXT = (44, 118, 158)       # the blue of the window's texts and glyphs
STRIP_TOP = (240, 245, 250)      # title strip, top row
STRIP_BOTTOM = (224, 234, 243)   # title strip, last row before its edge line
STRIP_EDGE = (199, 216, 231)     # line under the title strip
FOOT = (232, 240, 247)           # strip along the bottom edge
SLATE = (47, 62, 78)             # button text
DARK_BAR = (64, 76, 90)          # minimise glyph
FRAME_LIGHT = (150, 192, 224)    # light-blue frame of the main buttons
HOVER_FILL = (229, 240, 250)
HOVER_FRAME = (112, 166, 209)
PRESS_FILL = (207, 225, 242)
PRESS_FRAME = (95, 145, 190)
GREY_FILL = (243, 243, 243)
GREY_FRAME = (201, 201, 201)
GREY_TEXT = (158, 158, 158)
CLOSE_HOVER = (226, 52, 52)
CLOSE_PRESS = (184, 34, 34)
DIAL_HOUR = (122, 172, 214)      # light-blue dots of the dial
DIAL_MINUTE = (160, 198, 230)
ICON_RIM = (38, 110, 180)
ICON_RIM_LIGHT = (92, 160, 222)
ICON_HAND = (20, 20, 20)
ICON_SECOND = (222, 30, 30)

WINDOW_W, WINDOW_H = 280, 366
STRIP_H = 30                     # the main page starts at y 30
FOOT_TOP = 357                   # the main page ends at y 357

FONT_CANDIDATES = [
    # The Sharp face carries hand-tuned bitmaps at small sizes: crisp strokes
    # that sit well beside the window's own 12-pixel bitmap font.
    ("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", 2),
    ("/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", 0),
]

SS = 8  # supersampling factor for anything round or diagonal


def strip_colour(y):
    """Colour of the title strip at row y; the title buttons reuse it so their
    resting images melt into the strip."""
    t = min(max(y / (STRIP_H - 2), 0.0), 1.0)
    return tuple(round(a + (b - a) * t) for a, b in zip(STRIP_TOP, STRIP_BOTTOM))


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


def load_font(size):
    for path, index in FONT_CANDIDATES:
        if os.path.exists(path):
            return ImageFont.truetype(path, size, index=index)
    sys.exit("no WenQuanYi font found under /usr/share/fonts/truetype/wqy")


def paint_shape(base, box, draw_fn, colour):
    """Draw draw_fn(ImageDraw, scale) at SS times the size inside box
    (x, y, w, h of base) as a coverage mask, and blend colour into base."""
    x, y, w, h = box
    mask = Image.new("L", (w * SS, h * SS), 0)
    draw_fn(ImageDraw.Draw(mask), SS)
    mask = mask.resize((w, h), Image.LANCZOS)
    layer = Image.new("RGB", (w, h), colour)
    region = base.crop((x, y, x + w, y + h))
    region.paste(layer, (0, 0), mask)
    base.paste(region, (x, y))


# --- clock face (icon and the icon in the title strip) -----------------------

def clock_face(size):
    """A round clock at 10:09:35 as RGBA, transparent outside the face.
    Drawn at SS times the size, then scaled down once, so each size is its
    own drawing and the small ones keep thick, readable hands."""
    big = size * SS
    im = Image.new("RGBA", (big, big), (0, 0, 0, 0))
    d = ImageDraw.Draw(im)
    c = big / 2
    r = big / 2 - 0.5 * SS
    # Small sizes get a relatively thicker rim and hands.
    rim = max(1.6, size * 0.11) * SS
    d.ellipse((c - r, c - r, c + r, c + r), fill=ICON_RIM + (255,))
    hi = r - rim * 0.45
    d.ellipse((c - hi, c - hi, c + hi, c + hi), fill=ICON_RIM_LIGHT + (255,))
    ri = r - rim
    d.ellipse((c - ri, c - ri, c + ri, c + ri), fill=WHITE + (255,))

    def polar(length, minutes):
        a = math.radians(minutes * 6 - 90)
        return c + math.cos(a) * length, c + math.sin(a) * length

    if size >= 32:
        for m in range(0, 60, 5):
            major = m % 15 == 0
            inner = ri * (0.78 if major else 0.84)
            outer = ri * 0.93
            w = (size * 0.05 if major else size * 0.03) * SS
            d.line([polar(inner, m), polar(outer, m)], fill=(90, 110, 130, 255), width=max(1, round(w)))
    elif size >= 24:
        for m in range(0, 60, 15):
            d.line([polar(ri * 0.74, m), polar(ri * 0.92, m)], fill=(90, 110, 130, 255),
                   width=round(size * 0.07 * SS))

    small = size <= 20
    # At tray size the hands must win over the second hand: wider black
    # hands, a hairline second hand without tail and a small cap.
    hand_w = (2.1 if small else size * 0.085) * SS
    minute_w = (1.7 if small else size * 0.065) * SS
    second_w = (0.9 if small else max(1.0, size * 0.035)) * SS
    hour_pos = 10 * 5 + 9 / 12
    for length, pos, width, colour in (
        (ri * (0.58 if small else 0.52), hour_pos, hand_w, ICON_HAND),
        (ri * 0.84, 9, minute_w, ICON_HAND),
    ):
        end = polar(length, pos)
        d.line([(c, c), end], fill=colour + (255,), width=round(width))
        d.ellipse((end[0] - width / 2, end[1] - width / 2, end[0] + width / 2, end[1] + width / 2),
                  fill=colour + (255,))
    tail = polar(0 if small else ri * 0.18, 35 + 30)
    d.line([tail, polar(ri * (0.80 if small else 0.86), 35)], fill=ICON_SECOND + (255,),
           width=round(second_w))
    cap = (1.0 if small else size * 0.06) * SS
    d.ellipse((c - cap, c - cap, c + cap, c + cap), fill=(ICON_HAND if small else ICON_SECOND) + (255,))
    return im.resize((size, size), Image.LANCZOS)


def write_ico(path, images):
    """An .ico of 32-bit DIB images (BGRA plus AND mask), which every Windows
    version loads, unlike PNG entries."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for im in images:
        w, h = im.size
        header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        px = im.load()
        rows = bytearray()
        for y in range(h - 1, -1, -1):
            for x in range(w):
                r, g, b, a = px[x, y]
                rows += bytes((b, g, r, a))
        mask_stride = ((w + 31) // 32) * 4
        mask = bytearray()
        for y in range(h - 1, -1, -1):
            row = bytearray(mask_stride)
            for x in range(w):
                if px[x, y][3] == 0:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        blob = header + bytes(rows) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHH", 0, 1, len(images)))
        for e in entries:
            f.write(e)
        for b in blobs:
            f.write(b)


def write_bmp(path, im):
    """A bottom-up BI_RGB bitmap: 8 bits a pixel with a colour table of exactly the
    picture's colours when it has no more than 256 (every picture here is drawn
    from a few), else 24 bits. Both load with LR_CREATEDIBSECTION on every
    Windows version; the 8-bit form is a third of the size in the .exe."""
    im = im.convert("RGB")
    w, h = im.size
    px = im.load()
    colours = sorted({px[x, y] for y in range(h) for x in range(w)})
    if len(colours) > 256:
        im.save(path, "BMP")
        return
    index = {c: i for i, c in enumerate(colours)}
    stride = (w + 3) & ~3
    bits = bytearray()
    for y in range(h - 1, -1, -1):
        row = bytearray(index[px[x, y]] for x in range(w))
        bits += row + bytes(stride - w)
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in colours)
    offset = 14 + 40 + len(table)
    with open(path, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset))
        f.write(struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(bits), 2835, 2835, len(colours), 0))
        f.write(table)
        f.write(bits)


def check_ico(path, sizes):
    """Reads the icon back: directory, every entry's size and depth, and that
    Pillow decodes it with transparency."""
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind, count) == (0, 1, len(sizes)), "bad icon directory"
    for i, size in enumerate(sizes):
        w, h, _, _, planes, bpp, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        assert (w, h, planes, bpp) == (size % 256, size % 256, 1, 32), f"bad entry {i}"
        assert offset + length <= len(data), f"entry {i} runs past the file"
        hsize, dw, dh, _, dbpp = struct.unpack_from("<IiiHH", data, offset)
        assert (hsize, dw, dh, dbpp) == (40, size, size * 2, 32), f"bad DIB in entry {i}"
    with Image.open(path) as ico:
        got = sorted(ico.info.get("sizes", set()))
        assert got == sorted((s, s) for s in sizes), f"Pillow sees {got}"
        ico.size = (16, 16)
        small = ico.convert("RGBA")
        assert small.getpixel((0, 0))[3] == 0 and small.getpixel((8, 8))[3] == 255


# --- window frame ------------------------------------------------------------

def make_frame():
    im = Image.new("RGB", (WINDOW_W, WINDOW_H), WHITE)
    px = im.load()
    for y in range(STRIP_H - 1):
        colour = strip_colour(y)
        for x in range(WINDOW_W):
            px[x, y] = colour
    d = ImageDraw.Draw(im)
    d.line([(0, STRIP_H - 1), (WINDOW_W - 1, STRIP_H - 1)], fill=STRIP_EDGE)
    d.rectangle((0, FOOT_TOP, WINDOW_W - 1, WINDOW_H - 1), fill=FOOT)
    d.line([(0, FOOT_TOP), (WINDOW_W - 1, FOOT_TOP)], fill=STRIP_EDGE)
    d.rectangle((0, 0, WINDOW_W - 1, WINDOW_H - 1), outline=OUTLINE)
    # The window region trims 4x4 corner ellipses; a pixel of outline just
    # inside each corner keeps the border closed where the region bites.
    for x, y in ((1, 1), (WINDOW_W - 2, 1), (1, WINDOW_H - 2), (WINDOW_W - 2, WINDOW_H - 2)):
        px[x, y] = OUTLINE
    icon = clock_face(18)
    top = (STRIP_H - 1 - 18) // 2
    im.paste(icon, (6, top), icon)
    return im


# --- title-bar buttons -----------------------------------------------------------

TITLE_Y = 1  # the buttons sit on row 1 of the strip


def title_base(w, h, state, red=False):
    im = Image.new("RGB", (w, h))
    px = im.load()
    for y in range(h):
        colour = strip_colour(TITLE_Y + y)
        if state == "hover":
            colour = CLOSE_HOVER if red else mix(colour, PRESS_FILL, 0.5)
        elif state == "pressed":
            colour = CLOSE_PRESS if red else PRESS_FILL
        for x in range(w):
            px[x, y] = colour
    if state != "normal" and not red:
        edge = HOVER_FRAME if state == "hover" else PRESS_FRAME
        ImageDraw.Draw(im).rectangle((0, 0, w - 1, h - 1), outline=mix(edge, WHITE, 0.35))
    return im


def make_menu_button(state):
    w, h = 27, 17
    im = title_base(w, h, state)
    dx = dy = 1 if state == "pressed" else 0
    colour = BLUE_TEXT

    def glyph(d, s):
        # edges on whole pixels so the bar and the arrow's top stay sharp
        left, right = (9 + dx) * s, (18 + dx) * s
        d.rectangle((left, (4 + dy) * s, right - 1, (6 + dy) * s - 1), fill=255)
        d.polygon([(left, (8 + dy) * s), (right, (8 + dy) * s), ((left + right) / 2, (12.5 + dy) * s)],
                  fill=255)

    paint_shape(im, (0, 0, w, h), glyph, colour)
    return im


def make_min_button(state):
    w, h = 26, 17
    im = title_base(w, h, state)
    dx = dy = 1 if state == "pressed" else 0
    ImageDraw.Draw(im).rectangle((9 + dx, 10 + dy, 16 + dx, 11 + dy), fill=DARK_BAR)
    return im


def make_close_button(state):
    w, h = 36, 17
    red = state != "normal"
    im = title_base(w, h, state, red=red)
    colour = WHITE if red else BLUE_TEXT
    dx = dy = 1 if state == "pressed" else 0

    def glyph(d, s):
        cx, cy, a = (w / 2 + dx) * s, (h / 2 + dy) * s, 3.6 * s
        d.line([(cx - a, cy - a), (cx + a, cy + a)], fill=255, width=round(1.7 * s))
        d.line([(cx - a, cy + a), (cx + a, cy - a)], fill=255, width=round(1.7 * s))

    paint_shape(im, (0, 0, w, h), glyph, colour)
    return im


# --- main buttons ----------------------------------------------------------------

BUTTON_STYLES = {
    #           fill          frame         text        text offset
    "normal":   (WHITE,       FRAME_LIGHT,  SLATE,      0),
    "hover":    (HOVER_FILL,  HOVER_FRAME,  SLATE,      0),
    "pressed":  (PRESS_FILL,  PRESS_FRAME,  SLATE,      1),
    "disabled": (GREY_FILL,   GREY_FRAME,   GREY_TEXT,  0),
}


def make_text_button(text, state, font):
    w, h = 94, 28
    fill, frame, ink, offset = BUTTON_STYLES[state]
    im = Image.new("RGB", (w, h), WHITE)  # the page behind the cut corners

    def body(d, s):
        d.rounded_rectangle((0, 0, w * s - 1, h * s - 1), radius=3 * s, fill=255)

    def inner(d, s):
        d.rounded_rectangle((s, s, (w - 1) * s - 1, (h - 1) * s - 1), radius=2 * s, fill=255)

    paint_shape(im, (0, 0, w, h), body, frame)
    paint_shape(im, (0, 0, w, h), inner, fill)
    if state in ("normal", "hover"):
        # a faint lower half shade gives the flat button a little depth
        shade = mix(fill, frame, 0.12)
        px = im.load()
        for y in range(h // 2, h - 2):
            for x in range(2, w - 2):
                if px[x, y] == fill:
                    px[x, y] = mix(fill, shade, (y - h // 2) / (h / 2))
    if state == "pressed":
        # a darker top edge makes it look pushed in
        ImageDraw.Draw(im).line([(3, 1), (w - 4, 1)], fill=mix(PRESS_FILL, PRESS_FRAME, 0.45))
    d = ImageDraw.Draw(im)
    d.fontmode = "1"
    left, top, right, bottom = d.textbbox((0, 0), text, font=font)
    x = (w - (right - left)) // 2 - left + offset
    y = (h - (bottom - top)) // 2 - top + offset
    d.text((x, y), text, font=font, fill=ink)
    return im


# --- dial --------------------------------------------------------------------------

def make_dial():
    size = 80
    im = Image.new("RGB", (size, size), WHITE)
    # GDI draws a line to (40, 40) through the centre of that pixel.
    c = 40.5
    ring = 35.0

    def dots(big_ones):
        def draw(d, s):
            for m in range(60):
                major = m % 5 == 0
                if major != big_ones:
                    continue
                a = math.radians(m * 6 - 90)
                x, y = c + math.cos(a) * ring, c + math.sin(a) * ring
                r = 1.55 if major else 0.8
                d.ellipse(((x - r) * s, (y - r) * s, (x + r) * s, (y + r) * s), fill=255)
        return draw

    paint_shape(im, (0, 0, size, size), dots(False), DIAL_MINUTE)
    paint_shape(im, (0, 0, size, size), dots(True), DIAL_HOUR)

    def centre(d, s):
        r = 2.0
        d.ellipse(((c - r) * s, (c - r) * s, (c + r) * s, (c + r) * s), fill=255)

    paint_shape(im, (0, 0, size, size), centre, DIAL_HOUR)
    return im


# --- output ------------------------------------------------------------------------

ICON_SIZES = (64, 48, 32, 16)


def build():
    font = load_font(13)
    pictures = {"frame.bmp": make_frame(), "dial.bmp": make_dial()}
    for state in ("normal", "hover", "pressed"):
        pictures[f"btn_menu_{state}.bmp"] = make_menu_button(state)
        pictures[f"btn_min_{state}.bmp"] = make_min_button(state)
        pictures[f"btn_close_{state}.bmp"] = make_close_button(state)
    for name, text in (("gettime", "获取时间"), ("calibrate", "开始校准")):
        for state in ("normal", "hover", "pressed", "disabled"):
            pictures[f"btn_{name}_{state}.bmp"] = make_text_button(text, state, font)
    icons = [clock_face(s) for s in ICON_SIZES]
    return pictures, icons


EXPECTED_SIZES = {
    "frame.bmp": (280, 366),
    "dial.bmp": (80, 80),
    **{f"btn_menu_{s}.bmp": (27, 17) for s in ("normal", "hover", "pressed")},
    **{f"btn_min_{s}.bmp": (26, 17) for s in ("normal", "hover", "pressed")},
    **{f"btn_close_{s}.bmp": (36, 17) for s in ("normal", "hover", "pressed")},
    **{f"btn_{n}_{s}.bmp": (94, 28) for n in ("gettime", "calibrate")
       for s in ("normal", "hover", "pressed", "disabled")},
}


def preview(pictures, icons, path, scale=3):
    """A contact sheet of everything, scaled up, with the title buttons placed
    on the frame where the window shows them and the dial with sample hands."""
    frame = pictures["frame.bmp"].copy()
    frame.paste(pictures["btn_menu_normal.bmp"], (188, 1))
    frame.paste(pictures["btn_min_normal.bmp"], (215, 1))
    frame.paste(pictures["btn_close_normal.bmp"], (240, 1))
    fd = ImageDraw.Draw(frame)
    fd.fontmode = "1"
    fd.text((8 + 30, 9), "Lumvo自动校时 v 3.6", font=load_font(12), fill=(48, 148, 173))
    frame.paste(pictures["btn_gettime_normal.bmp"], (5 + 18, 30 + 95))
    frame.paste(pictures["btn_calibrate_disabled.bmp"], (5 + 164, 30 + 95))
    fd.line([(7, 30 + 131), (7 + 263, 30 + 131)], fill=(208, 226, 240))
    dial = pictures["dial.bmp"].copy()
    dd = ImageDraw.Draw(dial)
    for length, p, colour, width in ((15, -22, (192, 192, 192), 3), (20, 15, (192, 192, 192), 2),
                                     (30, 30, (255, 0, 0), 1)):
        a = p * 6.28 / 60
        dd.line([(int(40 + math.cos(a) * length), int(40 + math.sin(a) * length)), (40, 40)],
                fill=colour, width=width)
    dd.ellipse((37, 37, 43, 43), outline=(192, 192, 192), fill=WHITE, width=2)
    frame.paste(dial, (5 + 176, 30 + 205))

    rows = []
    for group in ("menu", "min", "close"):
        rows.append([pictures[f"btn_{group}_{s}.bmp"] for s in ("normal", "hover", "pressed")])
    for n in ("gettime", "calibrate"):
        rows.append([pictures[f"btn_{n}_{s}.bmp"] for s in ("normal", "hover", "pressed", "disabled")])
    grey = (200, 200, 200)
    sheet = Image.new("RGB", (720, 380), grey)
    sheet.paste(frame, (4, 4))
    x0 = 292
    sheet.paste(pictures["dial.bmp"], (x0, 4))
    sheet.paste(dial, (x0 + 90, 4))
    y = 92
    for row in rows:
        x = x0
        for im in row:
            sheet.paste(im, (x, y))
            x += im.width + 6
        y += row[0].height + 6
    x = x0
    for icon in icons:
        for bg in (WHITE, (40, 40, 40)):
            tile = Image.new("RGB", icon.size, bg)
            tile.paste(icon, (0, 0), icon)
            sheet.paste(tile, (x, y))
            x += icon.width + 4
    sheet = sheet.resize((sheet.width * scale, sheet.height * scale), Image.NEAREST)
    sheet.save(path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--preview", help="also write a contact sheet PNG here")
    args = parser.parse_args()

    pictures, icons = build()
    os.makedirs(OUT_DIR, exist_ok=True)
    for name, im in sorted(pictures.items()):
        assert im.size == EXPECTED_SIZES[name], f"{name} is {im.size}"
        write_bmp(os.path.join(OUT_DIR, name), im)
    ico_path = os.path.join(OUT_DIR, "lumvo.ico")
    write_ico(ico_path, icons)
    check_ico(ico_path, ICON_SIZES)
    for name in sorted(pictures):
        with Image.open(os.path.join(OUT_DIR, name)) as back:
            assert back.size == EXPECTED_SIZES[name], name
            assert back.convert("RGB").tobytes() == pictures[name].convert("RGB").tobytes(), f"{name} reads back changed"
    if args.preview:
        preview(pictures, icons, args.preview)
    print(f"wrote {len(pictures)} bitmaps and lumvo.ico to {OUT_DIR}")


if __name__ == "__main__":
    main()
