#!/usr/bin/python3
"""Draws the program's artwork into res/: the two window backgrounds, the list
pictures, the severity bars, the busy animation, the icon and the hand cursor.

Run from anywhere: /usr/bin/python3 res/draw_artwork.py (Debian's python3-pil and
fonts-dejavu-core). The outputs are committed next to this script.

The window is 650 x 360 pixels; the dialog's controls sit at dialog units that map
to 1.5 pixels across and 1.625 down (Tahoma 8 at 96 dots per inch), so the tiles
and the system box below are placed from the template's own coordinates.
"""

import math
import os
import struct

from PIL import Image, ImageDraw, ImageFilter, ImageFont

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_DIR = "/usr/share/fonts/truetype/dejavu"
SCALE = 3  # everything is drawn large and reduced, for smooth edges

WIDTH, HEIGHT = 650, 360
NAVY = (16, 42, 74)
BLUE = (31, 92, 153)
SKY = (86, 156, 214)
PAPER = (248, 250, 253)
PANEL_TOP = (228, 236, 246)
PANEL_BOTTOM = (208, 221, 238)
EDGE = (170, 189, 214)
GREEN = (46, 160, 67)
RED = (208, 52, 44)
ORANGE = (236, 140, 30)


def font(size, bold=False):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    return ImageFont.truetype(os.path.join(FONT_DIR, name), size * SCALE)


def dlu(x, y):
    """Dialog units of the main template to window pixels."""
    return x * 1.5, y * 1.625


def s(*values):
    return [v * SCALE for v in values]


def vertical_gradient(draw, box, top, bottom):
    x0, y0, x1, y1 = box
    for y in range(int(y0), int(y1)):
        t = (y - y0) / max(1, (y1 - y0 - 1))
        colour = tuple(int(a + (b - a) * t) for a, b in zip(top, bottom))
        draw.line([(x0, y), (x1 - 1, y)], fill=colour)


def rounded(draw, box, radius, fill=None, outline=None, width=1):
    draw.rounded_rectangle(s(*box), radius=radius * SCALE, fill=fill, outline=outline,
                           width=width * SCALE)


def shadowed_panel(image, box, radius, fill, outline):
    shadow = Image.new("RGBA", image.size, (0, 0, 0, 0))
    ImageDraw.Draw(shadow).rounded_rectangle(
        s(box[0] + 1, box[1] + 2, box[2] + 1, box[3] + 2), radius=radius * SCALE,
        fill=(20, 40, 70, 70))
    shadow = shadow.filter(ImageFilter.GaussianBlur(2 * SCALE))
    image.alpha_composite(shadow)
    rounded(ImageDraw.Draw(image), box, radius, fill=fill, outline=outline)


# ------------------------------------------------------------------ icons

def quill(draw, cx, cy, size, colour=(255, 255, 255), ink=SKY):
    """The product mark: a feather quill over an ink stroke."""
    k = size / 40.0
    feather = [(cx + 15 * k, cy - 19 * k), (cx - 1 * k, cy - 14 * k), (cx - 10 * k, cy - 3 * k),
               (cx - 12 * k, cy + 13 * k), (cx + 1 * k, cy + 7 * k), (cx + 12 * k, cy - 4 * k)]
    draw.polygon([(x * SCALE, y * SCALE) for x, y in feather], fill=colour)
    draw.line([((cx + 14 * k) * SCALE, (cy - 18 * k) * SCALE),
               ((cx - 14 * k) * SCALE, (cy + 17 * k) * SCALE)], fill=ink, width=int(2 * k * SCALE))
    draw.arc(s(cx - 18 * k, cy + 12 * k, cx + 2 * k, cy + 22 * k), 20, 160, fill=ink,
             width=int(2 * k * SCALE))


def icon_scan(draw, cx, cy):
    draw.ellipse(s(cx - 13, cy - 14, cx + 7, cy + 6), outline=BLUE, width=4 * SCALE)
    draw.ellipse(s(cx - 9, cy - 10, cx + 3, cy + 2), fill=(214, 233, 250))
    draw.line(s(cx + 4, cy + 3, cx + 14, cy + 13), fill=NAVY, width=6 * SCALE)
    draw.arc(s(cx - 9, cy - 10, cx + 3, cy + 2), 200, 260, fill=(255, 255, 255), width=2 * SCALE)


def icon_sections(draw, cx, cy):
    rounded(draw, (cx - 13, cy - 16, cx + 13, cy + 16), 3, fill=(255, 255, 255), outline=BLUE,
            width=2)
    for i, checked in enumerate((True, True, False)):
        y = cy - 9 + i * 9
        draw.rectangle(s(cx - 9, y - 3, cx - 3, y + 3), outline=BLUE, width=SCALE)
        if checked:
            draw.line(s(cx - 8, y, cx - 6, y + 2, cx - 2, y - 4), fill=GREEN, width=2 * SCALE)
        draw.line(s(cx, y, cx + 9, y), fill=(120, 140, 170), width=2 * SCALE)


def icon_restore(draw, cx, cy):
    draw.arc(s(cx - 13, cy - 13, cx + 13, cy + 13), 40, 320, fill=GREEN, width=5 * SCALE)
    tip = (cx + 10, cy - 9)
    draw.polygon(s(tip[0] - 7, tip[1] - 5, tip[0] + 5, tip[1] - 8, tip[0] + 2, tip[1] + 5),
                 fill=GREEN)
    draw.line(s(cx, cy - 6, cx, cy + 1, cx + 5, cy + 5), fill=NAVY, width=3 * SCALE)


def icon_advanced(draw, cx, cy):
    points = []
    for i in range(16):
        angle = math.pi * 2 * i / 16
        radius = 14 if i % 2 == 0 else 10
        points.append((cx + radius * math.cos(angle), cy + radius * math.sin(angle)))
    draw.polygon([(x * SCALE, y * SCALE) for x, y in points], fill=(110, 124, 146))
    draw.ellipse(s(cx - 9, cy - 9, cx + 9, cy + 9), fill=(110, 124, 146))
    draw.ellipse(s(cx - 4, cy - 4, cx + 4, cy + 4), fill=(255, 255, 255))


# ------------------------------------------------------------------ backgrounds

def background(with_system_box):
    image = Image.new("RGBA", (WIDTH * SCALE, HEIGHT * SCALE), PAPER + (255,))
    draw = ImageDraw.Draw(image)

    # Left column behind the navigation.
    vertical_gradient(draw, s(0, 66, 208, HEIGHT), PANEL_TOP, PANEL_BOTTOM)
    draw.line(s(208, 66, 208, HEIGHT), fill=EDGE, width=SCALE)

    # Banner.
    vertical_gradient(draw, s(0, 0, WIDTH, 66), NAVY, BLUE)
    glow = Image.new("RGBA", image.size, (0, 0, 0, 0))
    ImageDraw.Draw(glow).ellipse(s(380, -120, 820, 110), fill=(120, 180, 240, 60))
    image.alpha_composite(glow.filter(ImageFilter.GaussianBlur(20 * SCALE)))
    draw = ImageDraw.Draw(image)
    draw.line(s(0, 65, WIDTH, 65), fill=SKY, width=2 * SCALE)
    draw.ellipse(s(14, 9, 62, 57), fill=(10, 30, 56), outline=SKY, width=2 * SCALE)
    quill(draw, 38, 33, 36)
    draw.text(s(74, 9), "Quillbane", font=font(28, True), fill=(255, 255, 255))
    draw.text(s(76, 45), "Registry and shortcut cleaner", font=font(10),
              fill=(190, 218, 244))
    draw.text(s(246, 21), "v2.1", font=font(10, True), fill=(150, 196, 238))

    # Navigation tiles: entries at y 49, 91, 135, 174 with captions below them.
    tiles = [(49, 83, icon_scan), (91, 125, icon_sections), (135, 161, icon_restore),
             (174, 208, icon_advanced)]
    for entry_y, caption_bottom, painter in tiles:
        top = dlu(0, entry_y)[1] - 9
        bottom = dlu(0, caption_bottom)[1] + 3
        shadowed_panel(image, (7, top, 202, bottom), 7, (255, 255, 255, 255), EDGE)
        draw = ImageDraw.Draw(image)
        middle = (top + bottom) / 2
        draw.ellipse(s(16, middle - 24, 64, middle + 24), fill=(234, 242, 252))
        painter(draw, 40, middle)

    # Content frame, just outside the panels' lists (x 144 to 427, y 43 dialog units on).
    shadowed_panel(image, (211, 69, 645, 355), 6, (255, 255, 255, 255), EDGE)
    draw = ImageDraw.Draw(image)

    if with_system_box:
        # Behind the four system lines (x 164, y 143 to 187 dialog units).
        x0 = dlu(164, 0)[0] - 14
        x1 = dlu(164 + 157, 0)[0] + 12
        top = dlu(0, 143)[1] - 30
        bottom = dlu(0, 187)[1] + 10
        shadowed_panel(image, (x0, top, x1, bottom), 6, (246, 249, 253, 255), EDGE)
        draw = ImageDraw.Draw(image)
        draw.rounded_rectangle(s(x0, top, x1, top + 22), radius=6 * SCALE, fill=BLUE)
        draw.rectangle(s(x0, top + 14, x1, top + 22), fill=BLUE)
        draw.text(s(x0 + 26, top + 4), "System Information", font=font(10, True),
                  fill=(255, 255, 255))
        # A small monitor beside the title.
        draw.rectangle(s(x0 + 8, top + 6, x0 + 20, top + 14), outline=(255, 255, 255),
                       width=SCALE)
        draw.line(s(x0 + 14, top + 14, x0 + 14, top + 17), fill=(255, 255, 255), width=SCALE)
        draw.line(s(x0 + 10, top + 17, x0 + 18, top + 17), fill=(255, 255, 255), width=SCALE)
        # Hairlines between the lines.
        for line in (155, 167, 179):
            y = dlu(0, line)[1] - 3
            draw.line(s(x0 + 8, y, x1 - 8, y), fill=(223, 230, 240), width=SCALE)

    final = image.resize((WIDTH, HEIGHT), Image.LANCZOS).convert("RGB")
    return final


# ------------------------------------------------------------------ small pictures

def small(size, painter):
    w, h = size
    image = Image.new("RGB", (w * SCALE, h * SCALE), (255, 255, 255))
    painter(ImageDraw.Draw(image), w, h)
    return image.resize(size, Image.LANCZOS)


def check_box(checked):
    def paint(draw, w, h):
        draw.rounded_rectangle(s(1, 1, 15, 15), radius=2 * SCALE, fill=(252, 253, 255),
                               outline=(96, 120, 152), width=SCALE)
        if checked:
            draw.line(s(4, 8, 7, 11, 12, 4.5), fill=GREEN, width=int(2.2 * SCALE), joint="curve")
    return small((16, 16), paint)


def progress_tick(draw, w, h):
    draw.ellipse(s(1, 3, 19, 21), fill=GREEN)
    draw.line(s(5.5, 12, 9, 15.5, 15, 8), fill=(255, 255, 255), width=int(2.4 * SCALE),
              joint="curve")


def progress_arrow(draw, w, h):
    draw.ellipse(s(1, 3, 19, 21), fill=(40, 130, 210))
    draw.polygon(s(6, 8, 11, 8, 11, 5, 16, 12, 11, 19, 11, 16, 6, 16), fill=(255, 255, 255))


def progress_waiting(draw, w, h):
    draw.polygon(s(3, 1, 13, 1, 17, 5, 17, 23, 3, 23), fill=(250, 250, 250),
                 outline=(120, 130, 145))
    draw.line(s(13, 1, 13, 5, 17, 5), fill=(120, 130, 145), width=SCALE)
    for y in (8, 11, 14):
        draw.line(s(6, y, 14, y), fill=(190, 198, 210), width=SCALE)
    draw.ellipse(s(8, 13, 19, 23.5), fill=RED)
    draw.line(s(10.5, 18.3, 16.5, 18.3), fill=(255, 255, 255), width=int(1.8 * SCALE))


def severity_bar(filled, colour):
    image = Image.new("RGB", (69, 8), (255, 255, 255))
    draw = ImageDraw.Draw(image)
    for cell in range(5):
        x = cell * 14
        if cell < filled:
            draw.rectangle((x, 0, x + 12, 7), fill=colour, outline=tuple(int(c * 0.7) for c in colour))
            draw.line((x + 1, 1, x + 11, 1), fill=tuple(min(255, int(c * 1.25) + 30) for c in colour))
        else:
            draw.rectangle((x, 0, x + 12, 7), fill=(236, 239, 243), outline=(186, 194, 205))
    return image


# ------------------------------------------------------------------ animation, icon, cursor

def busy_frames():
    frames = []
    count = 10
    width, height = 110, 14
    for step in range(count + 2):
        image = Image.new("RGB", (width * SCALE, height * SCALE), (255, 255, 255))
        draw = ImageDraw.Draw(image)
        for cell in range(count):
            x = 2 + cell * 10.6
            distance = (step - cell) % (count + 2)
            if distance < 4:
                strength = 1.0 - distance / 4.0
                colour = tuple(int(214 + (c - 214) * strength) for c in (38, 150, 72))
            else:
                colour = (214, 220, 228)
            draw.rounded_rectangle(s(x, 3, x + 8, 11), radius=2 * SCALE, fill=colour)
        frames.append(image.resize((width, height), Image.LANCZOS).convert("P", palette=Image.ADAPTIVE, colors=64))
    return frames


def app_icon(size):
    image = Image.new("RGBA", (size * SCALE * 2, size * SCALE * 2), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    k = size * 2 / 48.0
    draw.rounded_rectangle([2 * k * SCALE, 2 * k * SCALE, 46 * k * SCALE, 46 * k * SCALE],
                           radius=10 * k * SCALE, fill=BLUE + (255,), outline=NAVY + (255,),
                           width=max(1, int(1.5 * k * SCALE)))
    quill_image = Image.new("RGBA", image.size, (0, 0, 0, 0))
    global_scale = k
    quill(ImageDraw.Draw(quill_image), 24 * global_scale, 24 * global_scale, 34 * global_scale)
    image.alpha_composite(quill_image)
    return image.resize((size, size), Image.LANCZOS)


def write_cursor(path):
    """A 32 x 32 pointing hand; hot spot at the fingertip."""
    size = 32
    image = Image.new("RGBA", (size * SCALE, size * SCALE), (0, 0, 0, 0))
    draw = ImageDraw.Draw(image)
    outline = (0, 0, 0, 255)
    fill = (255, 255, 255, 255)
    finger = (10, 1, 15, 16)
    line = 2 * SCALE
    draw.polygon(s(3, 15, 6, 12.5, 11, 17, 11, 22), fill=fill, outline=outline, width=line)
    draw.rounded_rectangle(s(7, 15, 28, 30), radius=5 * SCALE, fill=fill, outline=outline,
                           width=line)
    draw.rounded_rectangle(s(*finger), radius=2.5 * SCALE, fill=fill, outline=outline, width=line)
    for x0, top in ((15, 9), (19.5, 10), (24, 12)):
        draw.rounded_rectangle(s(x0, top, x0 + 4.5, 21), radius=2 * SCALE, fill=fill,
                               outline=outline, width=line)
    draw.rectangle(s(11.2, 15, 13.8, 20), fill=fill)
    draw.rectangle(s(16.4, 18, 27.2, 22), fill=fill)
    draw.rectangle(s(6, 16.5, 11.2, 20), fill=fill)
    image = image.resize((size, size), Image.LANCZOS)
    pixels = image.load()
    # Cursors want hard edges: threshold the alpha.
    rows = []
    mask_rows = []
    for y in range(size - 1, -1, -1):
        row = b""
        mask_bits = 0
        for x in range(size):
            r, g, b, a = pixels[x, y]
            if a >= 128:
                value = 0 if (r + g + b) / 3 < 128 else 255
                row += bytes((value, value, value, 255))
            else:
                row += bytes((0, 0, 0, 0))
                mask_bits |= 1 << (31 - x)
        rows.append(row)
        mask_rows.append(struct.pack(">I", mask_bits))
    xor = b"".join(rows)
    mask = b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0,
                         0, 0)
    data = header + xor + mask
    hot_x, hot_y = 12, 1
    directory = struct.pack("<HHH", 0, 2, 1) + struct.pack("<BBBBHHII", size, size, 0, 0, hot_x,
                                                            hot_y, len(data), 6 + 16)
    with open(path, "wb") as out:
        out.write(directory + data)


def main():
    background(True).save(os.path.join(HERE, "home_background.bmp"))
    background(False).save(os.path.join(HERE, "plain_background.bmp"))
    check_box(False).save(os.path.join(HERE, "unchecked.bmp"))
    check_box(True).save(os.path.join(HERE, "checked.bmp"))
    small((20, 24), progress_tick).save(os.path.join(HERE, "progress_done.bmp"))
    small((20, 24), progress_arrow).save(os.path.join(HERE, "progress_scanning.bmp"))
    small((20, 24), progress_waiting).save(os.path.join(HERE, "progress_waiting.bmp"))
    severity_bar(5, RED).save(os.path.join(HERE, "severity_critical.bmp"))
    severity_bar(3, ORANGE).save(os.path.join(HERE, "severity_severe.bmp"))
    severity_bar(1, (228, 196, 40)).save(os.path.join(HERE, "severity_moderate.bmp"))
    frames = busy_frames()
    frames[0].save(os.path.join(HERE, "busy.gif"), save_all=True, append_images=frames[1:],
                   duration=80, loop=0, disposal=1, optimize=False)
    big = app_icon(48)
    big.save(os.path.join(HERE, "quillbane.ico"), sizes=[(16, 16), (32, 32), (48, 48)],
             append_images=[app_icon(32), app_icon(16)])
    write_cursor(os.path.join(HERE, "hand.cur"))


if __name__ == "__main__":
    main()
