#!/usr/bin/python3
"""Draws the program's built-in pictures and the reference server's test pictures.

Run from anywhere: tools/artwork/make_artwork.py
Writes app/res/*.png, app/res/ImageResources.h (a name for each picture's resource number,
which the image manager's table and Images.rc use), app/res/Images.rc (the resources) and
tools/refserver/pictures/*. The PNG files are committed, so a build never runs this.
Needs Python 3 with PIL (python3-pil) and the WenQuanYi Micro Hei font (fonts-wqy-microhei).

Conventions the program relies on:
- sizes and frame layouts are fixed by the image manager's table: a strip is five equal
  frames side by side (normal, hover, pressed, disabled, normal again);
- window backgrounds cut their outline with the colour key, exactly (255, 0, 255), with no
  blending into the key;
- the check box frame is drawn one pixel beyond each edge of its box from its top-left
  14 x 14 pixels, so the box fills those pixels and the last two rows and columns are spare.
"""
import os
import struct
import zlib

from PIL import Image, ImageDraw, ImageFilter, ImageFont

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
RES = os.path.join(ROOT, "app", "res")
PICTURES = os.path.join(ROOT, "tools", "refserver", "pictures")
FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"

KEY = (255, 0, 255)
DEEP = (9, 38, 54)
DEEP2 = (18, 78, 101)
TEAL = (22, 138, 160)
TEAL_LIGHT = (74, 184, 204)
TEAL_DARK = (11, 92, 110)
WARM = (243, 140, 40)
WARM_LIGHT = (252, 178, 92)
WARM_DARK = (204, 104, 18)
BODY = (245, 248, 250)
SLATE = (73, 89, 112)
GREY = (188, 194, 198)
GREY_DARK = (150, 157, 162)
WHITE = (255, 255, 255)


def font(size):
    return ImageFont.truetype(FONT, size)


def mix(c1, c2, t):
    return tuple(int(round(a + (b - a) * t)) for a, b in zip(c1, c2))


def lighten(c, t):
    return mix(c, WHITE, t)


def darken(c, t):
    return mix(c, (0, 0, 0), t)


def vgrad(w, h, top, bottom, mode="RGB"):
    """A vertical gradient from top to bottom."""
    col = Image.new(mode, (1, h))
    for y in range(h):
        c = mix(top, bottom, y / max(h - 1, 1))
        col.putpixel((0, y), c + ((255,) if mode == "RGBA" else ()))
    return col.resize((w, h))


def round_mask(w, h, r, scale=4):
    """An anti-aliased rounded-rectangle mask (for pictures with alpha)."""
    big = Image.new("L", (w * scale, h * scale), 0)
    ImageDraw.Draw(big).rounded_rectangle((0, 0, w * scale - 1, h * scale - 1), r * scale, fill=255)
    return big.resize((w, h), Image.LANCZOS)


def hard_round_mask(w, h, r):
    """A rounded-rectangle mask without grey pixels, for colour-keyed outlines."""
    m = Image.new("1", (w, h), 0)
    ImageDraw.Draw(m).rounded_rectangle((0, 0, w - 1, h - 1), r, fill=1)
    return m


def centred_text(img, box, text, size, fill, shadow=None, dy=0):
    d = ImageDraw.Draw(img)
    f = font(size)
    l, t, r, b = d.textbbox((0, 0), text, font=f)
    x = box[0] + (box[2] - box[0] - (r - l)) / 2 - l
    y = box[1] + (box[3] - box[1] - (b - t)) / 2 - t + dy
    if shadow:
        d.text((x, y + 1), text, font=f, fill=shadow)
    d.text((x, y), text, font=f, fill=fill)


def strip(frames):
    """Five frames side by side: the four states and the normal one again."""
    frames = list(frames) + [frames[0]]
    w, h = frames[0].size
    out = Image.new(frames[0].mode, (w * 5, h), (0, 0, 0, 0) if frames[0].mode == "RGBA" else 0)
    for i, f in enumerate(frames):
        out.paste(f, (i * w, 0))
    return out


def cut_outline(img, r):
    """Paints everything outside the rounded outline in the colour key."""
    mask = hard_round_mask(img.width, img.height, r)
    key = Image.new("RGB", img.size, KEY)
    return Image.composite(img.convert("RGB"), key, mask)


def save(img, path, colours=256, dither=False):
    """Opaque pictures as optimised palette PNGs, pictures with alpha as they are."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    if img.mode == "RGBA":  # small pictures with soft edges: palettes band their gradients
        img.save(path, optimize=True)
        return
    q = img.convert("RGB").quantize(colours, method=Image.MEDIANCUT,
                                     dither=Image.FLOYDSTEINBERG if dither else Image.NONE)
    keep_key_exact(img.convert("RGB"), q).save(path, optimize=True)


def keep_key_exact(rgb, q):
    """The quantiser may move (255, 0, 255); give key pixels one exact palette entry."""
    keyed = [i for i, p in enumerate(rgb.getdata()) if p == KEY]
    if not keyed:
        return q
    pal = q.getpalette()[:768]
    used = set(q.getdata())
    slot = next((i for i in range(256) if i not in used), None)
    if slot is None:  # the quantiser used every entry: merge two of them first
        return keep_key_exact(rgb, rgb.quantize(255, method=Image.MEDIANCUT, dither=Image.NONE))
    pal[slot * 3:slot * 3 + 3] = list(KEY)
    q.putpalette(pal)
    data = list(q.getdata())
    keyset = set(keyed)
    for i in keyset:
        data[i] = slot
    for i, p in enumerate(data):  # no other pixel may fall on the key entry
        if p == slot and i not in keyset:
            data[i] = 0
    q.putdata(data)
    return q


# ---- buttons -------------------------------------------------------------------------------

def pill_button(w, h, top, bottom, border, text=None, size=0, text_fill=WHITE, r=None, pressed=False,
                pad=2, glow=None):
    """A rounded button with a soft shadow, a gloss line and optional text, on transparency."""
    r = r if r is not None else (h - 2 * pad) // 2
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    bw, bh = w - 2 * pad, h - 2 * pad - 1
    shadow = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    if not pressed:
        sh = Image.new("RGBA", (bw, bh), (0, 0, 0, 70))
        shadow.paste(sh, (pad, pad + 2), round_mask(bw, bh, r))
        shadow = shadow.filter(ImageFilter.GaussianBlur(1.2))
    img.alpha_composite(shadow)
    face = vgrad(bw, bh, top, bottom, "RGBA")
    fd = ImageDraw.Draw(face)
    fd.rounded_rectangle((0, 0, bw - 1, bh - 1), r, outline=border + (255,), width=1)
    if glow:
        fd.line((r, 1, bw - r - 1, 1), fill=glow + (255,))
    body = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    oy = pad + (1 if pressed else 0)
    body.paste(face, (pad, oy), round_mask(bw, bh, r))
    img.alpha_composite(body)
    if text:
        centred_text(img, (pad, oy, pad + bw, oy + bh), text, size, text_fill,
                     shadow=darken(bottom, 0.35) + (160,) if text_fill == WHITE else None)
    return img


def warm_states(w, h, text, size, r=None):
    return strip([
        pill_button(w, h, WARM_LIGHT, WARM, WARM_DARK, text, size, r=r, glow=lighten(WARM_LIGHT, 0.4)),
        pill_button(w, h, lighten(WARM_LIGHT, 0.25), lighten(WARM, 0.2), WARM, text, size, r=r,
                    glow=lighten(WARM_LIGHT, 0.6)),
        pill_button(w, h, WARM, WARM_DARK, darken(WARM_DARK, 0.2), text, size, r=r, pressed=True),
        pill_button(w, h, lighten(GREY, 0.3), GREY, GREY_DARK, text, size, r=r, text_fill=(236, 238, 240)),
    ])


def muted_states(w, h, text, size, r=None):
    """The install button while the agreement is not accepted: present but quiet."""
    base_t, base_b = (120, 150, 164), (92, 122, 138)
    return strip([
        pill_button(w, h, base_t, base_b, darken(base_b, 0.2), text, size, r=r, text_fill=(226, 234, 238)),
        pill_button(w, h, lighten(base_t, 0.15), lighten(base_b, 0.15), base_b, text, size, r=r),
        pill_button(w, h, base_b, darken(base_b, 0.2), darken(base_b, 0.35), text, size, r=r, pressed=True,
                    text_fill=(210, 220, 226)),
        pill_button(w, h, lighten(GREY, 0.3), GREY, GREY_DARK, text, size, r=r, text_fill=(236, 238, 240)),
    ])


def light_button(w, h, state, r=4):
    """A text button on light ground; the program draws the caption itself."""
    tops = [(255, 255, 255), (240, 250, 252), (214, 224, 230), (236, 237, 238)]
    bottoms = [(226, 233, 238), (206, 234, 241), (232, 238, 242), (236, 237, 238)]
    borders = [(150, 168, 180), TEAL, TEAL_DARK, (204, 208, 211)]
    img = Image.new("RGBA", (w, h), (0, 0, 0, 0))
    face = vgrad(w, h, tops[state], bottoms[state], "RGBA")
    d = ImageDraw.Draw(face)
    d.rounded_rectangle((0, 0, w - 1, h - 1), r, outline=borders[state] + (255,))
    if state == 2:
        d.line((r, 1, w - r - 1, 1), fill=(190, 202, 210, 255))
    img.paste(face, (0, 0), round_mask(w, h, r))
    return img


def glyph_button(w, h, draw_glyph, states):
    """Small window buttons: (background or None, glyph colour) per state."""
    frames = []
    for bg, fg in states:
        img = Image.new("RGBA", (w * 4, h * 4), (0, 0, 0, 0))
        d = ImageDraw.Draw(img)
        if bg:
            d.rounded_rectangle((0, 0, w * 4 - 1, h * 4 - 1), 8, fill=bg + (255,))
        draw_glyph(d, w * 4, h * 4, fg + (255,))
        frames.append(img.resize((w, h), Image.LANCZOS))
    return strip(frames)


def cross(d, w, h, fill, inset=0.3, width=6):
    x0, x1 = w * inset, w * (1 - inset)
    y0, y1 = h / 2 - (x1 - x0) / 2, h / 2 + (x1 - x0) / 2
    d.line((x0, y0, x1, y1), fill=fill, width=width)
    d.line((x0, y1, x1, y0), fill=fill, width=width)


def dash(d, w, h, fill):
    d.rectangle((w * 0.28, h * 0.58, w * 0.72, h * 0.58 + 7), fill=fill)


def check_frames(checked):
    """Check boxes: a 14 x 14 box in the top-left of each 16 x 16 frame."""
    looks = [  # border, fill top, fill bottom, tick
        (TEAL_DARK, WHITE, (226, 236, 240), TEAL if checked else None),
        (TEAL, (236, 250, 252), (200, 236, 244), TEAL_DARK if checked else None),
        (darken(TEAL_DARK, 0.3), (206, 216, 222), (226, 234, 238), darken(TEAL_DARK, 0.3) if checked else None),
        (GREY_DARK, (230, 232, 233), (222, 224, 226), GREY_DARK if checked else None),
    ]
    if checked:
        looks = [(TEAL_DARK, TEAL_LIGHT, TEAL, WHITE), (TEAL, lighten(TEAL_LIGHT, 0.3), TEAL_LIGHT, WHITE),
                 (darken(TEAL_DARK, 0.3), TEAL, TEAL_DARK, (220, 236, 240)),
                 (GREY_DARK, GREY, GREY_DARK, (236, 238, 240))]
    frames = []
    for border, top, bottom, tick in looks:
        img = Image.new("RGBA", (16, 16), (0, 0, 0, 0))
        box = vgrad(14, 14, top, bottom, "RGBA")
        ImageDraw.Draw(box).rectangle((0, 0, 13, 13), outline=border + (255,), width=2)
        if tick:
            big = box.resize((56, 56), Image.NEAREST)
            ImageDraw.Draw(big).line([(14, 29), (24, 39), (42, 17)], fill=tick + (255,), width=7, joint="curve")
            box = big.resize((14, 14), Image.LANCZOS)
        img.paste(box, (0, 0))
        frames.append(img)
    return strip(frames)


def back_button():
    frames = []
    looks = [(None, (210, 226, 232)), ((30, 98, 120), WHITE), ((8, 56, 72), (200, 214, 220)),
             (None, (110, 126, 134))]
    for bg, fg in looks:
        img = Image.new("RGBA", (50, 19), (0, 0, 0, 0))
        d = ImageDraw.Draw(img)
        if bg:
            d.rounded_rectangle((0, 0, 49, 18), 4, fill=bg + (255,))
        else:
            d.rounded_rectangle((0, 0, 49, 18), 4, outline=fg + (90,))
        d.polygon([(9, 9), (14, 5), (14, 13)], fill=fg + (255,))
        d.text((18, 2), "返回", font=font(12), fill=fg + (255,))
        frames.append(img)
    return strip(frames)


# ---- pictures ------------------------------------------------------------------------------

def soft_circles(img, circles):
    """Blurred translucent discs: (cx, cy, radius, colour, alpha)."""
    layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
    d = ImageDraw.Draw(layer)
    for cx, cy, rad, colour, alpha in circles:
        d.ellipse((cx - rad, cy - rad, cx + rad, cy + rad), fill=colour + (alpha,))
    img.alpha_composite(layer.filter(ImageFilter.GaussianBlur(3)))


def waves(img, base_y, amplitude, colour, alpha, phase, period):
    import math
    w, h = img.size
    layer = Image.new("RGBA", img.size, (0, 0, 0, 0))
    pts = [(x, base_y + amplitude * math.sin(2 * math.pi * x / period + phase)) for x in range(0, w + 4, 4)]
    ImageDraw.Draw(layer).polygon(pts + [(w, h), (0, h)], fill=colour + (alpha,))
    img.alpha_composite(layer)


def scene(w, h, top, bottom, accent, seed, title=None, subtitle=None, play=False):
    """A calm generated picture: gradient sky, bokeh, layered waves, a dark band for titles."""
    import random
    rnd = random.Random(seed)
    img = vgrad(w, h, top, bottom, "RGBA")
    soft_circles(img, [(rnd.randint(0, w), rnd.randint(40, h - 80), rnd.randint(8, 46), WHITE,
                        rnd.randint(14, 40)) for _ in range(16)])
    sun = (int(w * 0.78), int(h * 0.36))
    soft_circles(img, [(sun[0], sun[1], 74, accent, 50), (sun[0], sun[1], 60, accent, 90),
                       (sun[0], sun[1], 48, lighten(accent, 0.2), 255)])
    waves(img, h * 0.68, 12, lighten(bottom, 0.25), 120, seed, w * 0.9)
    waves(img, h * 0.76, 10, darken(bottom, 0.15), 170, seed + 1.7, w * 0.7)
    waves(img, h * 0.86, 8, darken(bottom, 0.4), 220, seed + 3.1, w * 1.1)
    band = vgrad(w, 34, (6, 28, 40), top, "RGBA")
    band.putalpha(vgrad(w, 34, (200,), (0,), "L"))
    img.alpha_composite(band)
    if play:
        cx, cy = int(w * 0.5), int(h * 0.36)
        layer = Image.new("RGBA", (w * 2, h * 2), (0, 0, 0, 0))
        d = ImageDraw.Draw(layer)
        d.ellipse((2 * cx - 84, 2 * cy - 84, 2 * cx + 84, 2 * cy + 84), fill=WHITE + (60,), outline=WHITE + (230,),
                  width=6)
        d.polygon([(2 * cx - 26, 2 * cy - 40), (2 * cx - 26, 2 * cy + 40), (2 * cx + 44, 2 * cy)], fill=WHITE + (240,))
        img.alpha_composite(layer.resize((w, h), Image.LANCZOS))
    d = ImageDraw.Draw(img)
    if title:
        centred_text(img, (0, int(h * 0.50), w, int(h * 0.62)), title, 26, WHITE, shadow=(0, 0, 0, 90))
    if subtitle:
        centred_text(img, (0, int(h * 0.62), w, int(h * 0.70)), subtitle, 13, (220, 238, 242))
    return img.convert("RGB")


def main_background():
    w, h = 600, 400
    # A dark body: the install-path page puts white labels straight onto it.
    img = vgrad(w, h, (16, 66, 86), (10, 46, 62))
    img.paste(vgrad(w, 71, DEEP, DEEP2), (0, 0))
    d = ImageDraw.Draw(img)
    for x in range(-80, w, 22):  # faint diagonal hatching in the top strip
        d.line((x, 70, x + 70, 0), fill=mix(DEEP, DEEP2, 0.6), width=1)
    img.paste(vgrad(w, 70, DEEP, DEEP2), (0, 0), vgrad(w, 70, (120,), (255,), "L"))
    d.line((0, 70, w, 70), fill=WARM)
    img.paste(vgrad(w, 34, DEEP2, DEEP), (0, 366))
    d.line((0, 364, w, 364), fill=(8, 30, 42))
    d.line((0, 365, w, 365), fill=(42, 102, 124))
    d.rounded_rectangle((0, 0, w - 1, h - 1), 8, outline=(6, 24, 34))
    return cut_outline(img, 8)


def message_box():
    w, h = 296, 173
    img = Image.new("RGB", (w, h), WHITE)
    img.paste(vgrad(w, 26, (242, 246, 248), (224, 233, 238)), (0, 0))
    d = ImageDraw.Draw(img)
    d.line((0, 26, w, 26), fill=TEAL)
    d.rectangle((0, 136, w, h), fill=(240, 244, 246))
    d.line((0, 136, w, 136), fill=(218, 226, 230))
    d.rounded_rectangle((0, 0, w - 1, h - 1), 6, outline=(104, 140, 156))
    return cut_outline(img, 6)


def loading_panel():
    """Shown at reduced opacity without a colour key, inside a one-pixel frame: no cut corners."""
    w, h = 228, 57
    img = vgrad(w, h, DEEP2, DEEP)
    d = ImageDraw.Draw(img)
    for i, a in enumerate((0.9, 0.6, 0.35)):
        x = 196 + i * 9
        d.ellipse((x, 25, x + 6, 31), fill=mix(DEEP, WARM_LIGHT, a))
    d.line((0, h - 3, w, h - 3), fill=TEAL_DARK)
    return img


def title_icon():
    img = Image.new("RGBA", (64, 64), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((2, 2, 61, 61), 14, fill=WARM, outline=WARM_LIGHT, width=3)
    d.polygon([(24, 17), (24, 47), (48, 32)], fill=WHITE)
    return img.resize((16, 16), Image.LANCZOS)


def separator():
    img = Image.new("RGB", (598, 2), (8, 30, 42))
    ImageDraw.Draw(img).line((0, 1, 597, 1), fill=(42, 102, 124))
    return img


def progress_track():
    img = vgrad(598, 8, (14, 40, 54), (34, 70, 86))
    ImageDraw.Draw(img).line((0, 0, 597, 0), fill=(6, 22, 30))
    return img


def progress_fill():
    img = vgrad(598, 6, WARM_LIGHT, WARM_DARK)
    ImageDraw.Draw(img).line((0, 1, 597, 1), fill=lighten(WARM_LIGHT, 0.35))
    return img


def custom_install():
    img = Image.new("RGBA", (66, 20), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.rounded_rectangle((0, 1, 65, 18), 4, outline=(150, 190, 204, 150))
    centred_text(img, (0, 1, 66, 19), "自定义安装", 12, (220, 234, 240))
    return img


def bottom_mark():
    img = Image.new("RGBA", (41, 15), (0, 0, 0, 0))
    d = ImageDraw.Draw(img)
    d.polygon([(1, 7), (6, 2), (11, 7), (6, 12)], fill=WARM + (255,))
    d.text((14, 0), "推荐", font=font(12), fill=(230, 238, 242, 255))
    return img


def slide_zero():
    return scene(580, 354, (12, 60, 84), (22, 128, 150), WARM, 3, "精彩视频 即刻呈现", "高清 · 流畅 · 海量内容")


def start_picture():
    return scene(580, 354, (10, 48, 70), (18, 112, 138), WARM_LIGHT, 7, None, None, play=True)


# (resource number, file, builder, keyed outline); the image manager's table gives the sizes.
BUILT_IN = [
    (147, "background.png", main_background, True),
    (149, "progress_fill.png", progress_fill, False),
    (150, "progress_track.png", progress_track, False),
    (153, "btn_minimise.png", lambda: glyph_button(16, 16, dash, [(None, (206, 222, 228)), (TEAL, WHITE),
                                                                  (TEAL_DARK, (200, 214, 220)),
                                                                  (None, (96, 112, 120))]), False),
    (154, "btn_finish.png", lambda: warm_states(184, 82, "立即体验", 26), False),
    (155, "btn_close.png", lambda: glyph_button(16, 16, cross, [(None, (206, 222, 228)), ((214, 70, 56), WHITE),
                                                                (darken((214, 70, 56), 0.3), (230, 210, 206)),
                                                                (None, (96, 112, 120))]), False),
    (156, "btn_text.png", lambda: strip([light_button(60, 28, s) for s in range(4)]), False),
    (157, "btn_install.png", lambda: warm_states(250, 92, "立即安装", 30), False),
    (158, "btn_dialog.png", lambda: strip([light_button(72, 24, s) for s in range(4)]), False),
    (159, "btn_msgclose.png", lambda: glyph_button(28, 21, lambda d, w, h, f: cross(d, w, h, f, 0.36, 7),
                                                   [(None, SLATE), ((214, 70, 56), WHITE),
                                                    (darken((214, 70, 56), 0.3), (230, 210, 206)),
                                                    (None, (190, 196, 200))]), False),
    (161, "check_off.png", lambda: check_frames(False), False),
    (162, "check_on.png", lambda: check_frames(True), False),
    (165, "msgbox.png", message_box, True),
    (166, "start_picture.png", start_picture, False),
    (168, "title_icon.png", title_icon, False),
    (169, "separator.png", separator, False),
    (171, "loading.png", loading_panel, False),
    (174, "btn_custom.png", custom_install, False),
    (175, "slide0.png", slide_zero, False),
    (180, "bottom_mark.png", bottom_mark, False),
    (181, "btn_install_off.png", lambda: muted_states(188, 67, "立即安装", 22), False),
    (182, "btn_back.png", back_button, False),
]

BIG = {"background.png", "start_picture.png", "slide0.png"}


def resource_name(name):
    """The name of a picture's resource number: IDR_PICTURE_ and the file's stem in capitals."""
    return "IDR_PICTURE_" + os.path.splitext(name)[0].upper()


def built_in_header():
    lines = ["// Resource numbers of the built-in pictures, for Images.rc and the image manager's table.",
             "// Written by tools/artwork/make_artwork.py together with the pictures.",
             "#pragma once", ""]
    lines += ["#define %s %d" % (resource_name(name), number) for number, name, _, _ in BUILT_IN]
    return "\n".join(lines) + "\n"


def built_in_script():
    lines = ["// Built-in pictures: PNG files of type IMAGE, by number (ImageResources.h).",
             "// Written by tools/artwork/make_artwork.py together with the pictures.", "",
             '#include "ImageResources.h"', ""]
    lines += ['%s IMAGE "%s"' % (resource_name(name), name) for _, name, _, _ in BUILT_IN]
    return "\n".join(lines) + "\n"


def write_text(path, text):
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def write_built_in():
    for number, name, build, keyed in BUILT_IN:
        img = build()
        path = os.path.join(RES, name)
        save(img, path, dither=name in BIG)
        if keyed:
            check_key(img, path)
    write_text(os.path.join(RES, "ImageResources.h"), built_in_header())
    write_text(os.path.join(RES, "Images.rc"), built_in_script())


def check_key(img, path):
    """The saved picture must key exactly the pixels that were drawn in the key."""
    want = [p == KEY for p in img.convert("RGB").getdata()]
    got = [p == KEY for p in Image.open(path).convert("RGB").getdata()]
    if want != got:
        raise SystemExit("%s: the colour key did not survive saving" % path)


# ---- the reference server's pictures -------------------------------------------------------

def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def bomb_png(side):
    """A PNG of a few hundred bytes that declares side x side pixels (8-bit grey).

    The data holds only the first rows: a decoder that trusts the header reserves the whole
    picture before it finds out."""
    rows = zlib.compress(b"\x00" * (side + 1) * 4, 9)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", side, side, 8, 0, 0, 0, 0)) +
            png_chunk(b"IDAT", rows) + png_chunk(b"IEND", b""))


def write_server_pictures():
    os.makedirs(PICTURES, exist_ok=True)
    shows = [
        ("first.png", (30, 40, 92), (86, 64, 150), WARM_LIGHT, 11, "首发推荐", "服务器的第一张图片"),
        ("slide1.png", (10, 70, 64), (30, 150, 120), (255, 214, 120), 21, "轮播 一", "海量高清视频"),
        ("slide2.png", (70, 28, 40), (170, 70, 70), (255, 190, 110), 31, "轮播 二", "主播实时在线"),
        ("slide3.png", (20, 44, 80), (60, 110, 180), (140, 220, 255), 41, "轮播 三", "一键收藏 随时回看"),
        ("last.png", (14, 60, 52), (40, 140, 110), WARM, 51, "安装完成", "欢迎使用"),
    ]
    for name, top, bottom, accent, seed, title, subtitle in shows:
        save(scene(580, 354, top, bottom, accent, seed, title, subtitle), os.path.join(PICTURES, name),
             dither=True)
    with open(os.path.join(PICTURES, "notimage.png"), "wb") as f:
        f.write(b"<html><body>404 Not Found</body></html>\n")
    with open(os.path.join(PICTURES, "bomb.png"), "wb") as f:
        f.write(bomb_png(30000))


if __name__ == "__main__":
    write_built_in()
    write_server_pictures()
