#!/usr/bin/python3
"""Draws the launcher's art into res/. Deterministic: same script, same bytes.

Run from anywhere: /usr/bin/python3 tools/make_art.py  (needs Debian's python3-pil).
The outputs are committed, so building never needs this script.
"""
import math
import os

from PIL import Image, ImageDraw, ImageFont

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES = os.path.join(ROOT, "res")
PNG = os.path.join(RES, "png")
CJK_FONT = "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc"  # Debian: fonts-wqy-microhei

NAVY = (20, 22, 28, 255)       # #14161c
PANEL = (35, 40, 58, 255)      # #23283a
GOLD = (203, 174, 91, 255)     # #CBAE5B
CREAM = (255, 245, 211, 255)   # #FFF5D3
BRIGHT_GOLD = (240, 214, 132, 255)
RIM = (10, 11, 15, 255)


def supersampled(size, draw_fn, factor=4):
    """Draws at factor x size and scales down, for anti-aliased edges.

    size is n (square; draw_fn gets the big side) or (w, h) (draw_fn gets the big (w, h)).
    Pillow resizes RGBA through premultiplied RGBa, so transparent pixels leave no dark fringe.
    """
    square = isinstance(size, int)
    w, h = (size, size) if square else size
    big = Image.new("RGBA", (w * factor, h * factor), (0, 0, 0, 0))
    draw_fn(ImageDraw.Draw(big), w * factor if square else (w * factor, h * factor))
    return big.resize((w, h), Image.LANCZOS)


def without_ringing(image, floor=8):
    """Lanczos overshoot leaves faint specks around shapes on transparency; clear them."""
    alpha = image.getchannel("A").point(lambda a: 0 if a < floor else 255)
    clean = Image.new("RGBA", image.size, (0, 0, 0, 0))
    clean.paste(image, (0, 0), alpha)
    return clean


def mix(a, b, t):
    """Opaque blend of two colours; ImageDraw overwrites pixels rather than compositing."""
    return tuple(round(x + (y - x) * t) for x, y in zip(a[:3], b[:3])) + (255,)


def rounded_gradient(d, box, radius, top, bottom):
    """Fills a rounded box with a vertical gradient, one clipped row at a time."""
    x0, y0, x1, y1 = box
    for y in range(int(y0), int(y1) + 1):
        edge = min(y - y0, y1 - y) + 0.5
        inset = radius - math.sqrt(max(0.0, radius * radius - (radius - edge) ** 2)) if edge < radius else 0
        d.line([(x0 + inset, y), (x1 - inset, y)], fill=mix(top, bottom, (y - y0) / max(1, y1 - y0)))


def centred_word(d, box, word, size, fill, shadow, stroke=0):
    """Centres the glyphs' ink, not the font's line box, which sits too high for CJK."""
    font = ImageFont.truetype(CJK_FONT, size)
    l, t, r, b = d.textbbox((0, 0), word, font=font, stroke_width=stroke)
    x = (box[0] + box[2] - (r - l)) / 2 - l
    y = (box[1] + box[3] - (b - t)) / 2 - t
    k = size // 16 or 1
    d.text((x, y + k), word, font=font, fill=shadow, stroke_width=stroke, stroke_fill=shadow)
    d.text((x, y), word, font=font, fill=fill, stroke_width=stroke, stroke_fill=fill)


def diamond(d, cx, cy, r, fill):
    d.polygon([(cx, cy - r), (cx + r, cy), (cx, cy + r), (cx - r, cy)], fill=fill)


def draw_emblem(d, s):
    """A gold-rimmed dark shield with a cream crest: the launcher's mark."""
    m = s * 0.06
    d.rounded_rectangle([m, m, s - m, s - m], radius=s * 0.18, fill=NAVY, outline=GOLD, width=max(1, int(s * 0.06)))
    inner = s * 0.2
    d.rounded_rectangle([inner, inner, s - inner, s - inner], radius=s * 0.1, fill=PANEL)
    c = s / 2
    # A four-pointed star, the crest.
    pts = [(c, s * 0.24), (c + s * 0.07, c - s * 0.07), (s * 0.76, c), (c + s * 0.07, c + s * 0.07),
           (c, s * 0.76), (c - s * 0.07, c + s * 0.07), (s * 0.24, c), (c - s * 0.07, c - s * 0.07)]
    d.polygon(pts, fill=GOLD)
    r = s * 0.06
    d.ellipse([c - r, c - r, c + r, c + r], fill=CREAM)


def make_icon():
    sizes = [256, 48, 32, 16]
    images = [supersampled(n, draw_emblem) for n in sizes]
    images[0].save(os.path.join(RES, "launcher.ico"), format="ICO", sizes=[(n, n) for n in sizes],
                   append_images=images[1:])


def sorted_box(x0, y0, x1, y1):
    return [min(x0, x1), min(y0, y1), max(x0, x1), max(y0, y1)]


def draw_confirm_box(d, s):
    """253 x 106 captionless confirmation box: caption strip, message area, room for two buttons."""
    W, H = s
    k = W / 253
    d.rectangle([0, 0, W - 1, H - 1], fill=RIM)
    rounded_gradient(d, (k, k, W - 1 - k, H - 1 - k), 0, (33, 38, 56), (22, 25, 35))
    # Caption strip: darker, so the program's white caption stands out above the message.
    rounded_gradient(d, (3 * k, 3 * k, W - 1 - 3 * k, 31 * k - 1), 0, (18, 20, 27), (27, 31, 45))
    # Gold rule under the caption, fading out towards the sides.
    steps = 64
    for i in range(steps):
        x0 = 5 * k + (W - 10 * k) * i / steps
        x1 = 5 * k + (W - 10 * k) * (i + 1) / steps
        t = 1 - abs((i + 0.5) / steps * 2 - 1)
        d.rectangle([x0, 31 * k, x1, 32 * k - 1], fill=mix((27, 31, 45), GOLD, min(1.0, t * 1.6)))
    d.rectangle([5 * k, 32 * k, W - 5 * k, 33 * k - 1], fill=(40, 46, 66, 255))
    # Double frame: bright gold outside, a faint echo inside.
    d.rectangle([2 * k, 2 * k, W - 1 - 2 * k, H - 1 - 2 * k], outline=GOLD, width=int(k))
    d.rectangle([4 * k, 4 * k, W - 1 - 4 * k, H - 1 - 4 * k], outline=mix((26, 30, 42), GOLD, 0.35), width=int(k))
    # Corner ornaments: a bracket hugging each corner and a diamond at its heart. Kept small
    # so the top-right one stays clear of the close button at (228, 10).
    arm, bar = 11 * k, 2 * k
    for sx, sy in ((0, 0), (1, 0), (0, 1), (1, 1)):
        ox = W - 1 - 2 * k if sx else 2 * k
        oy = H - 1 - 2 * k if sy else 2 * k
        dx = -1 if sx else 1
        dy = -1 if sy else 1
        d.rectangle(sorted_box(ox, oy, ox + dx * arm, oy + dy * bar), fill=GOLD)
        d.rectangle(sorted_box(ox, oy, ox + dx * bar, oy + dy * arm), fill=GOLD)
        diamond(d, ox + dx * 5.5 * k, oy + dy * 5.5 * k, 2.5 * k, BRIGHT_GOLD)


def button_drawer(word, face, edge, ink, pressed):
    """82 x 34 button. Pressed: darker inset face, top shadow instead of highlight, word 1 px lower."""
    top, bottom = face

    def draw(d, s):
        W, H = s
        k = W / 82
        # Gold outermost, so the transparent corners meet gold, never a dark rim.
        d.rounded_rectangle([0, 0, W - 1, H - 1], radius=6 * k, fill=edge)
        d.rounded_rectangle([k, k, W - 1 - k, H - 1 - k], radius=5 * k, fill=mix(bottom, RIM, 0.6))
        inner = (2 * k, 2 * k, W - 1 - 2 * k, H - 1 - 2 * k)
        if pressed:
            rounded_gradient(d, inner, 4 * k, mix(bottom, RIM, 0.5), top)
            rounded_gradient(d, (3 * k, 3 * k, W - 1 - 3 * k, H - 1 - 3 * k), 3 * k, mix(bottom, RIM, 0.3), top)
            # A faint gold glow along the lower inner edge reads as lit from the border.
            d.line([(6 * k, H - 1 - 3.5 * k), (W - 1 - 6 * k, H - 1 - 3.5 * k)], fill=mix(top, edge, 0.6), width=int(k))
        else:
            rounded_gradient(d, inner, 4 * k, top, bottom)
            d.line([(6 * k, 3.5 * k), (W - 1 - 6 * k, 3.5 * k)], fill=mix(top, CREAM, 0.22), width=int(k))
        shift = k if pressed else 0
        centred_word(d, (0, shift, W, H + shift), word, int(16 * k), ink, mix(bottom, RIM, 0.7), stroke=int(k / 4))
    return draw


def draw_close_cross(d, s):
    """11 x 10 cross, opaque only where the strokes are."""
    W, H = s
    k = W / 11
    ink = mix(CREAM, GOLD, 0.3)
    half = 0.85 * k
    for (x0, y0), (x1, y1) in (((1.6, 1.6), (9.4, 8.4)), ((9.4, 1.6), (1.6, 8.4))):
        x0, y0, x1, y1 = x0 * k, y0 * k, x1 * k, y1 * k
        n = math.hypot(x1 - x0, y1 - y0)
        nx, ny = -(y1 - y0) / n * half, (x1 - x0) / n * half
        d.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], fill=ink)
        for x, y in ((x0, y0), (x1, y1)):
            d.ellipse([x - half, y - half, x + half, y + half], fill=ink)


NAVY_FACE = ((46, 54, 86), (26, 31, 52))
CHARCOAL_FACE = ((44, 45, 51), (27, 28, 33))


def make_confirm_art():
    os.makedirs(PNG, exist_ok=True)
    images = {
        304: supersampled((253, 106), draw_confirm_box),
        314: supersampled((82, 34), button_drawer("确定", NAVY_FACE, GOLD, CREAM, False)),
        313: supersampled((82, 34), button_drawer("确定", ((58, 68, 106), (30, 36, 60)), BRIGHT_GOLD, (255, 231, 158), True)),
        312: supersampled((82, 34), button_drawer("取消", CHARCOAL_FACE, mix(CHARCOAL_FACE[1], GOLD, 0.6), (222, 213, 188), False)),
        311: supersampled((82, 34), button_drawer("取消", ((52, 53, 60), (30, 31, 36)), GOLD, CREAM, True)),
        316: supersampled((11, 10), draw_close_cross),
    }
    for rid, image in images.items():
        without_ringing(image).save(os.path.join(PNG, "%d.png" % rid))


if __name__ == "__main__":
    make_icon()
    make_confirm_art()
