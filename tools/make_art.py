#!/usr/bin/python3
"""Draws the launcher's art into res/. Deterministic: same script, same bytes.

Run from anywhere: /usr/bin/python3 tools/make_art.py  (needs Debian's python3-pil).
The outputs are committed, so building never needs this script.
"""
import math
import os
import random
import struct

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


def without_ringing(image, floor=8, ceiling=None):
    """Lanczos overshoot leaves faint specks around shapes on transparency; clear them.

    With a ceiling, alpha from there up becomes opaque: the same ringing otherwise leaves faintly
    see-through bands just inside a shape's edge.
    """
    alpha = image.getchannel("A").point(lambda a: 0 if a < floor else 255)
    clean = Image.new("RGBA", image.size, (0, 0, 0, 0))
    clean.paste(image, (0, 0), alpha)
    if ceiling is not None:
        clean.putalpha(clean.getchannel("A").point(lambda a: 255 if a >= ceiling else a))
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


def corner_brackets(d, W, H, inset, arm, bar, reach, size):
    """A gold bracket hugging each corner of a W x H panel, with a diamond at its heart."""
    for sx, sy in ((0, 0), (1, 0), (0, 1), (1, 1)):
        ox = W - 1 - inset if sx else inset
        oy = H - 1 - inset if sy else inset
        dx = -1 if sx else 1
        dy = -1 if sy else 1
        d.rectangle(sorted_box(ox, oy, ox + dx * arm, oy + dy * bar), fill=GOLD)
        d.rectangle(sorted_box(ox, oy, ox + dx * bar, oy + dy * arm), fill=GOLD)
        diamond(d, ox + dx * reach, oy + dy * reach, size, BRIGHT_GOLD)


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
    corner_brackets(d, W, H, 2 * k, 11 * k, 2 * k, 5.5 * k, 2.5 * k)


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


# ---------------------------------------------------------------------------
# Login window: its shaped picture, the popup's loading background, caption buttons.

BMP = os.path.join(RES, "bmp")
SERIF_FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf"  # Debian: fonts-dejavu-core
KEY_GREEN = (0, 255, 0)

LOGIN_SIZE = (1210, 746)
LOGIN_PANEL = (372, 86, 1062, 599)  # the popup covers exactly this; edges are pixel boundaries
TITLE_CX = (LOGIN_PANEL[0] + LOGIN_PANEL[2]) / 2
ART_BOX = (34, 56, 350, 710)        # pointed-arch window holding the night scene
BODY_INSET = (12, 28, 12, 12)       # left, top, right, bottom: where the frame's body starts
CORNER = 76                         # corner pieces reach the image's corners
NOTCH = 10                          # concave bite out of each outer corner


def painted(size, paint, factor=4):
    """Like supersampled, for pictures that need layers and masks: paint(big_image, factor)."""
    w, h = size
    big = Image.new("RGBA", (w * factor, h * factor), (0, 0, 0, 0))
    paint(big, factor)
    return big.resize((w, h), Image.LANCZOS)


def scaled(points, k, dx=0, dy=0):
    return [((x + dx) * k, (y + dy) * k) for x, y in points]


def vertical_gradient(size, stops):
    """A full-size image from (t, colour) stops, t running 0..1 down the height."""
    w, h = size
    column = Image.new("RGBA", (1, h))
    px = column.load()
    for y in range(h):
        t = y / max(1, h - 1)
        for (t0, c0), (t1, c1) in zip(stops, stops[1:]):
            if t <= t1:
                px[0, y] = mix(c0, c1, (t - t0) / max(1e-9, t1 - t0))
                break
        else:
            px[0, y] = stops[-1][1][:3] + (255,)
    return column.resize((w, h), Image.NEAREST)


def convex_inset(points, e):
    """Moves every edge of a convex polygon inwards by e; a negative e grows it."""
    n = len(points)
    area = sum(points[i][0] * points[(i + 1) % n][1] - points[(i + 1) % n][0] * points[i][1] for i in range(n))
    sign = 1 if area > 0 else -1
    lines = []
    for i in range(n):
        (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
        dx, dy = x1 - x0, y1 - y0
        length = math.hypot(dx, dy)
        lines.append((x0 - dy / length * sign * e, y0 + dx / length * sign * e, dx, dy))
    out = []
    for i in range(n):
        ax, ay, adx, ady = lines[i - 1]
        bx, by, bdx, bdy = lines[i]
        t = ((bx - ax) * bdy - (by - ay) * bdx) / (adx * bdy - ady * bdx)
        out.append((ax + adx * t, ay + ady * t))
    return out


def four_point_star(cx, cy, r, waist=0.28):
    """The emblem's star: long points on the axes, a narrow waist between them."""
    w = r * waist
    return [(cx, cy - r), (cx + w, cy - w), (cx + r, cy), (cx + w, cy + w),
            (cx, cy + r), (cx - w, cy + w), (cx - r, cy), (cx - w, cy - w)]


def title_plate():
    cx = TITLE_CX
    return [(cx - 158, 34), (cx - 136, 10), (cx + 136, 10), (cx + 158, 34), (cx + 136, 58), (cx - 136, 58)]


def edge_knobs():
    """Pointed studs breaking the straight edges, level with the panel's middle."""
    W, H = LOGIN_SIZE
    my = (LOGIN_PANEL[1] + LOGIN_PANEL[3]) / 2
    return [[(2, my), (14, my - 36), (28, my), (14, my + 36)],
            [(W - 2, my), (W - 14, my + 36), (W - 28, my), (W - 14, my - 36)],
            [(TITLE_CX - 46, H - 14), (TITLE_CX, H - 26), (TITLE_CX + 46, H - 14), (TITLE_CX, H - 2)]]


def login_outline(d, e, k, fill=255):
    """The window's shape shrunk by e px (union of convex pieces, minus the corner bites)."""
    W, H = LOGIN_SIZE
    l, t, r, b = BODY_INSET

    def box(x0, y0, x1, y1, radius=0):
        d.rounded_rectangle([x0 * k, y0 * k, x1 * k - 1, y1 * k - 1], radius=max(0, radius) * k, fill=fill)

    box(l + e, t + e, W - r - e, H - b - e)
    for cx in (0, W - CORNER):
        for cy in (0, H - CORNER):
            box(cx + e, cy + e, cx + CORNER - e, cy + CORNER - e, 10 - e)
    for poly in [title_plate()] + edge_knobs():
        d.polygon(scaled(convex_inset(poly, e), k), fill=fill)
    for cx in (0, W):
        for cy in (0, H):
            n = NOTCH + e
            d.ellipse([(cx - n) * k, (cy - n) * k, (cx + n) * k, (cy + n) * k], fill=0)


def outline_mask(e, k):
    mask = Image.new("L", (LOGIN_SIZE[0] * k, LOGIN_SIZE[1] * k), 0)
    login_outline(ImageDraw.Draw(mask), e, k)
    return mask


def arch_outline(e, box=ART_BOX, steps=120):
    """A pointed (two-centred) arch grown by e px; concentric arcs keep the band even."""
    x0, y0, x1, y1 = box
    w = x1 - x0
    r = 0.8 * w
    spring = y0 + math.sqrt(r * r - (r - w / 2) ** 2)
    R = r + e
    cl = x0 + r
    mid = (x0 + x1) / 2
    end = 2 * math.pi - math.acos((mid - cl) / R)
    left = [(cl + R * math.cos(a), spring + R * math.sin(a))
            for a in (math.pi + (end - math.pi) * i / steps for i in range(steps + 1))]
    right = [(x0 + x1 - x, y) for x, y in reversed(left[:-1])]
    return [(x0 - e, y1 + e)] + left + right + [(x1 + e, y1 + e)]


def jagged(keys, rng, rough=0.18, depth=4, calm=()):
    """Subdivides a ridge line, nudging each midpoint vertically; segments listed in calm stay straight."""
    pts = list(keys)
    flat = set(calm)
    for _ in range(depth):
        out = [pts[0]]
        for (xa, ya), (xb, yb) in zip(pts, pts[1:]):
            still = any(a <= xa and xb <= b for a, b in flat)
            nudge = 0 if still else rng.uniform(-1, 1) * (xb - xa) * rough
            out += [((xa + xb) / 2, (ya + yb) / 2 + nudge), (xb, yb)]
        pts = out
    return pts


def fill_gradient_polygon(layer, points, k, top, bottom, y0, y1):
    mask = Image.new("L", layer.size, 0)
    ImageDraw.Draw(mask).polygon(scaled(points, k), fill=255)
    grad = vertical_gradient((1, int((y1 - y0) * k)), [(0, top), (1, bottom)])
    full = Image.new("RGBA", layer.size, top[:3] + (255,))
    full.paste(grad.resize((layer.size[0], grad.size[1]), Image.NEAREST), (0, int(y0 * k)))
    full.paste(bottom[:3] + (255,), (0, int(y1 * k), layer.size[0], layer.size[1]))
    layer.paste(full, (0, 0), mask)


def haze(layer, k, y0, y1, colour, strength):
    """A soft horizontal band of mist, strongest in its middle."""
    h = layer.size[1]
    column = Image.new("L", (1, h), 0)
    px = column.load()
    for y in range(int(y0 * k), min(h, int(y1 * k))):
        t = (y / k - y0) / (y1 - y0)
        px[0, y] = int(strength * math.sin(math.pi * t) ** 2)
    layer.alpha_composite(Image.composite(Image.new("RGBA", layer.size, colour[:3] + (255,)),
                                          Image.new("RGBA", layer.size, colour[:3] + (0,)),
                                          column.resize(layer.size, Image.NEAREST)))


def glow(layer, k, cx, cy, radius, colour, strength):
    """Radial light falling off smoothly to nothing at radius."""
    n = int(radius * 2 * k)
    falloff = Image.radial_gradient("L").resize((n, n), Image.BILINEAR)
    falloff = falloff.point(lambda v: int(strength * (1 - v / 255) ** 2.2))
    spot = Image.new("RGBA", (n, n), colour[:3] + (0,))
    spot.putalpha(falloff)
    layer.alpha_composite(spot, (int((cx - radius) * k), int((cy - radius) * k)))


def pine(d, k, x, base, height, fill):
    """Three stacked tiers, narrowing upwards."""
    for i in range(3):
        top = base - height * (0.45 + 0.55 * (i + 1) / 3)
        bottom = base - height * (i / 3.4)
        half = height * (0.34 - 0.07 * i)
        d.polygon(scaled([(x, top), (x + half, bottom), (x - half, bottom)], k), fill=fill)
    d.rectangle([(x - height * 0.04) * k, (base - height * 0.1) * k, (x + height * 0.04) * k, base * k], fill=fill)


def draw_castle(d, k, fill, lamp):
    """A keep on a crag with three spired towers; the coordinates are the scene's own."""
    def rect(x0, y0, x1, y1, c=fill):
        d.rectangle([x0 * k, y0 * k, x1 * k - 1, y1 * k - 1], fill=c)

    def battlements(x0, x1, y, size=3.0):
        x = x0
        while x + size <= x1 + 0.01:
            rect(x, y - size, x + size, y)
            x += size * 2

    def tower(x0, x1, top, base, roof):
        rect(x0, top, x1, base)
        mid = (x0 + x1) / 2
        d.polygon(scaled([(x0 - 2, top), (x1 + 2, top), (mid, top - roof)], k), fill=fill)
        d.line(scaled([(mid, top - roof), (mid, top - roof - 7)], k), fill=fill, width=int(k))

    rect(110, 398, 210, 432)                # curtain wall
    battlements(110, 210, 398)
    rect(140, 352, 182, 402)                # keep
    battlements(140, 182, 352, 3.5)
    tower(154, 168, 300, 356, 34)           # the tall spire
    tower(112, 126, 368, 400, 22)
    tower(196, 208, 376, 400, 18)
    rect(176, 340, 186, 356)                # turret hugging the keep
    d.polygon(scaled([(174, 340), (188, 340), (181, 326)], k), fill=fill)
    # Lit windows: a few warm dots make the silhouette read as a place.
    for x, y, w, h in ((159.5, 314, 3, 6), (146, 366, 3, 5), (172, 372, 3, 5), (118, 378, 2.5, 4),
                       (200.5, 384, 2.5, 4), (158, 382, 3, 5), (130, 412, 2.5, 3.5)):
        rect(x, y, x + w, y + h, lamp)
    # A gate, dark against the wall's dark: only its arch top catches light.
    d.pieslice([155 * k, 412 * k, 167 * k, 424 * k], 180, 360, fill=mix(fill, lamp, 0.25))
    rect(155.5, 418, 166.5, 432, (8, 9, 14, 255))


def draw_night_scene(k):
    """Moonlit mountains and a castle, for the arch window left of the panel."""
    x0, y0, x1, y1 = ART_BOX
    w, h = x1 - x0, y1 - y0
    layer = vertical_gradient((w * k, h * k), [(0, (8, 10, 19)), (0.35, (19, 22, 40)), (0.62, (44, 45, 76)),
                                               (0.75, (58, 56, 86)), (1, (30, 30, 48))])
    d = ImageDraw.Draw(layer)
    rng = random.Random(319)
    moon = (226, 128, 30)
    for _ in range(110):
        sx, sy = rng.uniform(4, w - 4), rng.uniform(4, 380)
        b = rng.random() ** 2
        if math.hypot(sx - moon[0], sy - moon[1]) < moon[2] + 22:
            continue
        r = 0.45 + 0.9 * b
        d.ellipse([(sx - r) * k, (sy - r) * k, (sx + r) * k, (sy + r) * k], fill=mix((120, 130, 175), CREAM, b))
    # A handful of brighter stars wear the emblem's four points.
    for sx, sy, r in ((58, 92, 6), (118, 54, 4.5), (290, 250, 4), (36, 210, 3.5), (176, 190, 3.2)):
        d.polygon(scaled(four_point_star(sx, sy, r, 0.16), k), fill=mix(CREAM, GOLD, 0.25))
    glow(layer, k, moon[0], moon[1], 106, (150, 160, 210), 70)
    glow(layer, k, moon[0], moon[1], 44, (225, 225, 240), 90)
    d = ImageDraw.Draw(layer)
    mx, my, mr = moon
    d.ellipse([(mx - mr) * k, (my - mr) * k, (mx + mr) * k, (my + mr) * k], fill=(244, 236, 206, 255))
    for cx, cy, cr in ((-9, -6, 7), (8, 9, 5), (10, -10, 3.5), (-4, 13, 3), (-14, 8, 2.5)):
        d.ellipse([(mx + cx - cr) * k, (my + cy - cr) * k, (mx + cx + cr) * k, (my + cy + cr) * k],
                  fill=(226, 217, 188, 255))

    far = jagged([(0, 404), (44, 352), (86, 384), (134, 318), (180, 374), (222, 338), (264, 298), (300, 352),
                  (w, 336)], rng, 0.16)
    fill_gradient_polygon(layer, far + [(w, h), (0, h)], k, (64, 68, 108), (36, 40, 66), 300, 470)
    # Moonlit slopes: the faces turned towards the moon catch a pale edge.
    d = ImageDraw.Draw(layer)
    for (ax, ay), (bx, by) in zip(far, far[1:]):
        if by > ay:
            d.line(scaled([(ax, ay + 0.6), (bx, by + 0.6)], k), fill=(104, 108, 150, 255), width=int(1.2 * k))
    haze(layer, k, 400, 520, (150, 150, 200), 70)

    mid = jagged([(0, 470), (34, 446), (70, 468), (100, 440), (110, 432), (210, 432), (226, 452), (262, 474),
                  (298, 452), (w, 466)], rng, 0.2, calm=[(110, 210)])
    fill_gradient_polygon(layer, mid + [(w, h), (0, h)], k, (34, 37, 60), (22, 24, 38), 430, 560)
    d = ImageDraw.Draw(layer)
    # The crag under the castle: cliffs falling away from the wall's ends.
    crag = jagged([(44, 612), (84, 502), (104, 434), (216, 434), (238, 498), (276, 612)], rng, 0.12, 3,
                  calm=[(104, 216)])
    d.polygon(scaled(crag, k), fill=(28, 31, 50, 255))
    draw_castle(d, k, (15, 17, 27, 255), (246, 200, 104, 255))
    glow(layer, k, 161, 317, 6.5, (246, 200, 104), 60)
    haze(layer, k, 480, 590, (120, 124, 170), 60)

    near = jagged([(0, 566), (46, 548), (104, 578), (168, 594), (236, 570), (286, 548), (w, 558)], rng, 0.15)
    fill_gradient_polygon(layer, near + [(w, h), (0, h)], k, (18, 20, 31), (10, 11, 17), 548, h)
    d = ImageDraw.Draw(layer)
    for px_, base, ht in ((10, 568, 58), (28, 556, 74), (48, 552, 50), (268, 560, 52), (288, 552, 70),
                          (306, 556, 60), (318, 562, 44)):
        pine(d, k, px_, base, ht, (11, 12, 19, 255))
    # A still lake below the hills, holding a broken streak of moonlight.
    lake = jagged([(0, 606), (80, 602), (170, 608), (250, 601), (w, 605)], rng, 0.05, 3)
    fill_gradient_polygon(layer, lake + [(w, h), (0, h)], k, (46, 47, 78), (20, 22, 36), 601, 650)
    d = ImageDraw.Draw(layer)
    glow(layer, k, moon[0], 618, 24, (170, 170, 200), 34)
    d = ImageDraw.Draw(layer)
    y = 607.5
    for i in range(8):
        half = 22 * (1 - i / 9) + rng.uniform(-4, 4)
        shade = mix((40, 42, 68), (232, 224, 192), 0.62 - i * 0.06)
        x = moon[0] - half + rng.uniform(-3, 3)
        while x < moon[0] + half:
            dash = rng.uniform(3, 16)
            d.rectangle([x * k, y * k, min(x + dash, moon[0] + half) * k, (y + 0.8) * k], fill=shade)
            x += dash + rng.uniform(1.5, 7)
        y += rng.uniform(2.6, 5)
    bank = jagged([(0, 620), (40, 630), (110, 646), (190, 650), (262, 640), (w, 622)], rng, 0.08, 3)
    fill_gradient_polygon(layer, bank + [(w, h), (0, h)], k, (13, 14, 21), (8, 9, 13), 620, h)
    d = ImageDraw.Draw(layer)
    for px_, base, ht in ((14, 632, 40), (300, 630, 46), (286, 636, 30)):
        pine(d, k, px_, base, ht, (9, 10, 15, 255))
    haze(layer, k, 590, 640, (70, 74, 110), 30)
    return layer


def draw_filigree_rule(d, k, x0, x1, y, colour, fade_to, steps=80):
    """A 1 px gold line brightest in its middle, fading into the background at both ends."""
    for i in range(steps):
        a = x0 + (x1 - x0) * i / steps
        b = x0 + (x1 - x0) * (i + 1) / steps
        t = 1 - abs((i + 0.5) / steps * 2 - 1)
        d.rectangle([a * k, y * k, b * k, (y + 1) * k - 1], fill=mix(fade_to, colour, min(1.0, t * 1.8)))


def draw_medallion(d, k, cx, cy, r, ground):
    d.ellipse([(cx - r) * k, (cy - r) * k, (cx + r) * k, (cy + r) * k], fill=RIM)
    d.ellipse([(cx - r + 1) * k, (cy - r + 1) * k, (cx + r - 1) * k, (cy + r - 1) * k], fill=GOLD)
    d.ellipse([(cx - r + 2.5) * k, (cy - r + 2.5) * k, (cx + r - 2.5) * k, (cy + r - 2.5) * k], fill=ground)
    d.polygon(scaled(four_point_star(cx, cy, r - 4), k), fill=GOLD)
    d.polygon(scaled(four_point_star(cx, cy, (r - 4) * 0.55, 0.3), k), fill=BRIGHT_GOLD)
    c = max(1.2, r * 0.12)
    d.ellipse([(cx - c) * k, (cy - c) * k, (cx + c) * k, (cy + c) * k], fill=CREAM)


def paint_login_skin(img, k):
    W, H = LOGIN_SIZE
    body = vertical_gradient(img.size, [(0, (36, 41, 60)), (0.45, (27, 31, 46)), (1, (18, 20, 27))])
    # Bands from the outside in: bronze edge, gold, a dark groove, the body, a faint inner trim.
    for e, fill in ((0, mix(GOLD, RIM, 0.55)), (1, GOLD), (3, RIM), (4, body), (7, mix((30, 34, 50), GOLD, 0.45)),
                    (8, body)):
        img.paste(fill, (0, 0), outline_mask(e, k))
    d = ImageDraw.Draw(img)

    # Arch window with the night scene, framed like the panel.
    for e, fill in ((7, RIM), (6, GOLD), (4, RIM), (2, mix(RIM, GOLD, 0.5)), (1, RIM)):
        d.polygon(scaled(arch_outline(e), k), fill=fill)
    mask = Image.new("L", img.size, 0)
    ImageDraw.Draw(mask).polygon(scaled(arch_outline(0), k), fill=255)
    scene = Image.new("RGBA", img.size, (0, 0, 0, 0))
    scene.paste(draw_night_scene(k), (ART_BOX[0] * k, ART_BOX[1] * k))
    img.paste(scene, (0, 0), mask)
    # Keystone at the arch's point.
    ax, ay = (ART_BOX[0] + ART_BOX[2]) / 2, arch_outline(6)[121][1]
    diamond(d, ax * k, (ay + 1) * k, 6 * k, RIM)
    diamond(d, ax * k, (ay + 1) * k, 4.5 * k, BRIGHT_GOLD)

    # Title plate: a recessed dark bar inside the frame's own gold edge.
    plate = title_plate()
    d.polygon(scaled(convex_inset(plate, 4), k), fill=RIM)
    inner = convex_inset(plate, 5)
    pm = Image.new("L", img.size, 0)
    ImageDraw.Draw(pm).polygon(scaled(inner, k), fill=255)
    img.paste(vertical_gradient(img.size, [(0, (14, 16, 22)), (0.02, (14, 16, 22)), (0.08, (30, 34, 50))]), (0, 0), pm)
    d.polygon(scaled(convex_inset(plate, 7), k), outline=mix((22, 25, 36), GOLD, 0.55), width=int(k))
    font = ImageFont.truetype(SERIF_FONT, int(23 * k))
    word = "Morvane"
    l, t, r, b = d.textbbox((0, 0), word, font=font)
    tx, ty = TITLE_CX * k - (l + r) / 2, 35 * k - (t + b) / 2
    d.text((tx, ty + k), word, font=font, fill=RIM)
    d.text((tx, ty), word, font=font, fill=CREAM)
    for side in (-1, 1):
        sx = TITLE_CX + side * 112
        d.polygon(scaled(four_point_star(sx, 34, 8), k), fill=GOLD)
        diamond(d, (sx + side * 15) * k, 34 * k, 2.2 * k, mix(GOLD, RIM, 0.3))
    # Finial over the plate, where the shape reaches the top edge.
    d.polygon(scaled(four_point_star(TITLE_CX, 10, 10, 0.3), k), fill=RIM)
    d.polygon(scaled(four_point_star(TITLE_CX, 10, 8, 0.3), k), fill=BRIGHT_GOLD)

    # Rules along the top strip, leading from the plate to the corners.
    band = (31, 35, 52)
    for a, b in ((LOGIN_PANEL[0] + 6, TITLE_CX - 170), (TITLE_CX + 170, LOGIN_PANEL[2] - 6)):
        draw_filigree_rule(d, k, a, b, 46, GOLD, band)
        draw_filigree_rule(d, k, a + 30, b - 30, 50, mix(band, GOLD, 0.5), band)
    for x in (TITLE_CX - 170, TITLE_CX + 170):
        diamond(d, x * k, 48 * k, 3 * k, GOLD)

    # Top corners carry the emblem; the bottom ones stay plain, the lower right holds the version text.
    for cx in (38, W - 38):
        draw_medallion(d, k, cx, 40, 17, (24, 27, 40, 255))

    # Edge knobs: a gold stud in each.
    my = (LOGIN_PANEL[1] + LOGIN_PANEL[3]) / 2
    for x, y in ((13, my), (W - 13, my), (TITLE_CX, H - 14)):
        diamond(d, x * k, y * k, 5 * k, RIM)
        diamond(d, x * k, y * k, 3.6 * k, GOLD)

    # Right column: a slender chain of studs around a central emblem.
    rx = (LOGIN_PANEL[2] + W - BODY_INSET[2]) / 2
    colbg = (26, 30, 44)
    for y0, y1 in ((LOGIN_PANEL[1] + 30, my - 32), (my + 32, LOGIN_PANEL[3] - 30)):
        steps = 60
        for i in range(steps):
            a, b = y0 + (y1 - y0) * i / steps, y0 + (y1 - y0) * (i + 1) / steps
            t = (i + 0.5) / steps
            t = t if y0 > my else 1 - t
            d.rectangle([(rx - 0.5) * k, a * k, (rx + 0.5) * k - 1, b * k], fill=mix(colbg, GOLD, 0.75 * (1 - t) ** 0.8))
        for j in range(1, 4):
            y = my + (j * 40 + 10) * (1 if y0 > my else -1)
            diamond(d, rx * k, y * k, (3.2 - j * 0.5) * k, mix(colbg, GOLD, 1 - j * 0.2))
    draw_medallion(d, k, rx, my, 24, (22, 25, 37, 255))

    # Beneath the panel: a fading rule with the star at its heart.
    by = LOGIN_PANEL[3] + 52
    under = (22, 25, 35)
    draw_filigree_rule(d, k, LOGIN_PANEL[0] + 40, LOGIN_PANEL[2] - 40, by, GOLD, under)
    draw_filigree_rule(d, k, LOGIN_PANEL[0] + 120, LOGIN_PANEL[2] - 120, by + 5, mix(under, GOLD, 0.5), under)
    d.polygon(scaled(four_point_star(TITLE_CX, by + 0.5, 15), k), fill=RIM)
    d.polygon(scaled(four_point_star(TITLE_CX, by + 0.5, 13), k), fill=GOLD)
    d.polygon(scaled(four_point_star(TITLE_CX, by + 0.5, 7, 0.3), k), fill=BRIGHT_GOLD)
    for side in (-1, 1):
        diamond(d, (TITLE_CX + side * 26) * k, (by + 0.5) * k, 3.5 * k, GOLD)
        diamond(d, (TITLE_CX + side * 38) * k, (by + 0.5) * k, 2.2 * k, mix(under, GOLD, 0.7))


def finish_login_panel(image):
    """Pixel-exact panel and border, drawn after scaling so they stay crisp."""
    x0, y0, x1, y1 = LOGIN_PANEL
    d = ImageDraw.Draw(image)
    d.rectangle([x0 - 6, y0 - 6, x1 + 5, y1 + 5], fill=RIM)
    d.rectangle([x0 - 6, y0 - 6, x1 + 5, y1 + 5], outline=mix(RIM, GOLD, 0.45))
    d.rectangle([x0 - 3, y0 - 3, x1 + 2, y1 + 2], outline=GOLD, width=2)
    d.rectangle([x0, y0, x1 - 1, y1 - 1], fill=NAVY)
    # Square studs on the border's corners, wholly outside the panel.
    for x, y in ((x0 - 8, y0 - 8), (x1, y0 - 8), (x0 - 8, y1), (x1, y1)):
        d.rectangle([x, y, x + 7, y + 7], fill=RIM)
        d.rectangle([x + 1, y + 1, x + 6, y + 6], fill=GOLD)
        d.rectangle([x + 3, y + 3, x + 4, y + 4], fill=BRIGHT_GOLD)
    return image


def make_login_skin():
    image = without_ringing(painted(LOGIN_SIZE, paint_login_skin))
    finish_login_panel(image).save(os.path.join(PNG, "319.png"))


GLYPH_STATES = {
    "normal": (((40, 46, 70), (22, 25, 38)), mix(GOLD, RIM, 0.25), GOLD),
    "hover": (((58, 67, 102), (32, 37, 58)), BRIGHT_GOLD, (255, 231, 158, 255)),
    "pressed": (((14, 16, 23), (28, 32, 48)), mix(GOLD, RIM, 0.45), mix(GOLD, RIM, 0.2)),
}
# Closing is the one caption action that loses something: it warms to crimson under the mouse.
CLOSE_STATES = dict(GLYPH_STATES, hover=(((118, 36, 40), (66, 20, 24)), BRIGHT_GOLD, CREAM),
                    pressed=(((40, 12, 15), (72, 22, 26)), mix(GOLD, RIM, 0.45), mix(CREAM, RIM, 0.3)))


def thick_line(d, a, b, half, fill):
    """A line with round caps; ImageDraw's own wide lines have ragged, square-ish ends."""
    (x0, y0), (x1, y1) = a, b
    n = math.hypot(x1 - x0, y1 - y0)
    nx, ny = -(y1 - y0) / n * half, (x1 - x0) / n * half
    d.polygon([(x0 + nx, y0 + ny), (x1 + nx, y1 + ny), (x1 - nx, y1 - ny), (x0 - nx, y0 - ny)], fill=fill)
    for x, y in (a, b):
        d.ellipse([x - half, y - half, x + half, y + half], fill=fill)


def square_strokes(d, x0, y0, x1, y1, w, top_w, fill, grow=0):
    """A square outline as four bars, the top one heavier like a title bar; grow widens them all for an outline."""
    g = grow
    d.rectangle([x0 - g, y0 - g, x1 + g, y0 + top_w + g], fill=fill)
    d.rectangle([x0 - g, y1 - w - g, x1 + g, y1 + g], fill=fill)
    d.rectangle([x0 - g, y0 - g, x0 + w + g, y1 + g], fill=fill)
    d.rectangle([x1 - w - g, y0 - g, x1 + g, y1 + g], fill=fill)


def draw_glyph(d, glyph, cx, cy, r, k, ink):
    """The caption glyphs, each over a dark outline so they hold up on the lit hover face."""
    half = 0.22 * r
    rim = 0.6 * k
    for grow, colour in ((rim, RIM), (0, ink)):
        if glyph == "min":
            y = cy + 0.4 * r
            d.rounded_rectangle([cx - r - grow, y - half - grow, cx + r + grow, y + half + grow],
                                radius=half + grow, fill=colour)
        elif glyph == "close":
            for sx in (-1, 1):
                thick_line(d, (cx - r * sx, cy - r), (cx + r * sx, cy + r), half + grow, colour)
        elif glyph == "max":
            square_strokes(d, cx - r, cy - r, cx + r, cy + r, 1.2 * k, 2.2 * k, colour, grow)
        elif glyph == "restore":
            # Two windows, the back one showing only where the front one does not cover it.
            o = 0.45 * r
            w = 1.2 * k
            fx0, fy0, fx1, fy1 = cx - r, cy - r + o, cx + r - o, cy + r
            bx0, by0, bx1, by1 = cx - r + o, cy - r, cx + r, cy + r - o
            for box in ([bx0, by0, bx1, by0 + 1.5 * k], [bx1 - w, by0, bx1, by1], [bx0, by0, bx0 + w, fy0],
                        [fx1, by1 - w, bx1, by1]):
                d.rectangle([box[0] - grow, box[1] - grow, box[2] + grow, box[3] + grow], fill=colour)
            square_strokes(d, fx0, fy0, fx1, fy1, w, 1.6 * k, colour, grow)


def button_plate(d, W, H, k, state, face, edge, left_shadow=False):
    """The plate every caption button shares, 1 px inside the image so that hover has room to glow."""
    top, bottom = face
    if state == "hover":
        d.rounded_rectangle([0, 0, W - 1, H - 1], radius=6 * k, fill=BRIGHT_GOLD[:3] + (70,))
        d.rounded_rectangle([0.5 * k, 0.5 * k, W - 1 - 0.5 * k, H - 1 - 0.5 * k], radius=5.5 * k,
                            fill=BRIGHT_GOLD[:3] + (130,))
    d.rounded_rectangle([k, k, W - 1 - k, H - 1 - k], radius=5 * k, fill=edge)
    d.rounded_rectangle([2 * k, 2 * k, W - 1 - 2 * k, H - 1 - 2 * k], radius=4 * k, fill=RIM)
    rounded_gradient(d, (3 * k, 3 * k, W - 1 - 3 * k, H - 1 - 3 * k), 3 * k, top, bottom)
    if state == "pressed":
        # An inner shadow along the top (and on small square faces the left) reads as sunk.
        d.line([(4 * k, 3.5 * k), (W - 1 - 4 * k, 3.5 * k)], fill=RIM, width=int(k))
        if left_shadow:
            d.line([(3.5 * k, 4 * k), (3.5 * k, H - 1 - 4 * k)], fill=RIM, width=int(k))
    else:
        d.line([(6 * k, 3.8 * k), (W - 1 - 6 * k, 3.8 * k)], fill=mix(top, CREAM, 0.25), width=int(k * 0.8))


def glyph_button_drawer(glyph, state):
    """A caption button face: gold glyph on the shared plate; pressed sinks the glyph 1 px."""
    (top, bottom), edge, ink = (CLOSE_STATES if glyph == "close" else GLYPH_STATES)[state]

    def draw(d, s):
        W, H = s
        k = W / 28
        pressed = state == "pressed"
        button_plate(d, W, H, k, state, (top, bottom), edge, left_shadow=True)
        shift = k if pressed else 0
        r = 0.19 * min(W, H)
        draw_glyph(d, glyph, W / 2 + shift, H / 2 + shift, r, k, ink)
    return draw


def glyph_button(glyph, state, size):
    return without_ringing(supersampled(size, glyph_button_drawer(glyph, state)), ceiling=246)


def caption_button(glyph, state, face):
    """The login window's 29 x 30 caption image: its face in the top-left corner, the rest left clear."""
    image = Image.new("RGBA", (29, 30), (0, 0, 0, 0))
    image.paste(glyph_button(glyph, state, face), (0, 0))
    return image


def draw_waiting_panel(d, s):
    """The popup below its caption strip, while the page loads: a spinner and the notice."""
    W, H = s
    k = W / 690
    d.rectangle([0, 0, W - 1, H - 1], fill=RIM)
    rounded_gradient(d, (k, k, W - 1 - k, H - 1 - k), 0, (33, 38, 56), (20, 22, 30))
    d.rectangle([3 * k, 3 * k, W - 1 - 3 * k, H - 1 - 3 * k], outline=GOLD, width=int(k))
    d.rectangle([6 * k, 6 * k, W - 1 - 6 * k, H - 1 - 6 * k], outline=mix((26, 30, 42), GOLD, 0.35), width=int(k))
    corner_brackets(d, W, H, 3 * k, 18 * k, 2 * k, 8 * k, 3 * k)
    # Spinner frozen mid-turn: a ring of diamonds fading behind the brightest one.
    cx, cy, r = W / 2, 200 * k, 24 * k
    ground = (27, 31, 44)
    n = 12
    for i in range(n):
        a = -math.pi / 2 + 2 * math.pi * i / n
        t = (i + 1) / n
        diamond(d, cx + r * math.cos(a), cy + r * math.sin(a), (2 + 2.2 * t) * k, mix(ground, BRIGHT_GOLD, 0.15 + 0.85 * t))
    d.polygon([(cx + x * k, cy + y * k) for x, y in four_point_star(0, 0, 11)], fill=GOLD)
    d.ellipse([cx - 1.8 * k, cy - 1.8 * k, cx + 1.8 * k, cy + 1.8 * k], fill=CREAM)
    centred_word(d, (0, 244 * k, W, 270 * k), "正在加载登录页面，请稍候……", int(17 * k), CREAM, RIM)
    draw_filigree_rule(d, k, 345 - 130, 345 + 130, 290, GOLD, (25, 28, 40))


def make_login_art():
    os.makedirs(BMP, exist_ok=True)
    make_login_skin()
    buttons = {}
    # The buttons are placed 28 x 28 and 28 x 26: a face reaching past that would be cut off.
    for rids, glyph, face in (((320, 321, 322), "min", (28, 28)), ((323, 324, 325), "close", (28, 26))):
        for rid, state in zip(rids, ("normal", "hover", "pressed")):
            buttons[rid] = caption_button(glyph, state, face)
            buttons[rid].save(os.path.join(PNG, "%d.png" % rid))

    popup = Image.new("RGB", (690, 513), KEY_GREEN)
    popup.paste(supersampled((690, 452), draw_waiting_panel).convert("RGB"), (0, 61))
    # The caption drawings sit on opaque squares of the panel's colour: blending them into the
    # key colour would leave green-tinted pixels that the colour key no longer removes.
    for rid, (x, w, h) in ((320, (605, 28, 28)), (323, (633, 28, 26))):
        square = Image.new("RGBA", (29, 30), NAVY)
        square.alpha_composite(buttons[rid])
        popup.paste(square.convert("RGB").crop((0, 0, w, h)), (x, 0))
    popup.save(os.path.join(BMP, "318.bmp"))



# ---------------------------------------------------------------------------
# Main frame: the caption strip, drawn as left, tiled middle and right pieces, its buttons, the tray icon.

CAPTION_H = 30
RULE_TOP = 27  # rows from here down are the gold rule, the same in every piece


def caption_column():
    """One column of the strip. Every piece begins or ends with it, so the joins never show."""
    column = Image.new("RGBA", (1, CAPTION_H))
    px = column.load()
    px[0, 0] = (50, 56, 80, 255)  # a lit top edge
    for y in range(1, RULE_TOP):
        px[0, y] = mix(PANEL, (20, 22, 30), (y - 1) / (RULE_TOP - 2))
    for y, colour in zip(range(RULE_TOP, CAPTION_H), (RIM, GOLD, mix(GOLD, RIM, 0.55))):
        px[0, y] = colour
    return column


def caption_strip(width):
    return caption_column().resize((width, CAPTION_H), Image.NEAREST)


def sealed(image, left, right):
    """Puts back the strip's own pixels where a piece meets the middle, and along the rule.

    The ornaments keep clear of those places; this only removes Lanczos' faint reach into them.
    """
    w = image.size[0]
    strip = caption_strip(w)
    image.paste(strip.crop((0, RULE_TOP, w, CAPTION_H)), (0, RULE_TOP))
    for x in ([0] if left else []) + ([w - 1] if right else []):
        image.paste(strip.crop((x, 0, x + 1, CAPTION_H)), (x, 0))
    return image


def layered(size, paint):
    """Ornaments painted on clear ground, laid over the strip."""
    image = caption_strip(size[0])
    image.alpha_composite(without_ringing(painted(size, paint)))
    return image


def paint_caption_left(img, k):
    """The emblem, and a gold blade running off it that thins and fades into the strip."""
    d = ImageDraw.Draw(img)
    cy = 13.5 * k

    def fading(x0, x1, y, half0, half1, alpha, power, steps=120):
        for i in range(steps):
            t = (i + 0.5) / steps
            half = half0 + (half1 - half0) * t
            d.rectangle([x0 + (x1 - x0) * i / steps, y - half, x0 + (x1 - x0) * (i + 1) / steps, y + half],
                        fill=GOLD[:3] + (round(alpha * (1 - t) ** power),))

    fading(33 * k, 178 * k, cy, 1.1 * k, 0.4 * k, 255, 1.3)
    for y in (cy - 4 * k, cy + 4 * k):
        fading(46 * k, 120 * k, y, 0.45 * k, 0.45 * k, 130, 1.5)
    diamond(d, 36 * k, cy, 3.6 * k, RIM)
    diamond(d, 36 * k, cy, 2.6 * k, BRIGHT_GOLD)
    for x, r in ((62 * k, 1.6 * k), (86 * k, 1.2 * k)):
        diamond(d, x, cy, r, mix(GOLD, CREAM, 0.2))
    e = 24 * k
    emblem = Image.new("RGBA", (e, e), (0, 0, 0, 0))
    draw_emblem(ImageDraw.Draw(emblem), e)
    img.alpha_composite(emblem, (5 * k, int(cy - e / 2)))


RECESS_WALL = (3.0, 6.0)  # where the right piece's slanted left wall meets the top and the rule


def paint_caption_right(img, k):
    """A darker bay sunk into the strip, for the three window buttons to sit in."""
    d = ImageDraw.Draw(img)
    W = img.size[0]
    tx, bx = RECESS_WALL
    floor = RULE_TOP * k
    # Light falls from above: the bay's top lies in the wall's shadow, its floor a little lighter.
    for y in range(int(floor)):
        t = y / floor
        inset = (tx + (bx - tx) * t) * k
        d.line([(inset, y), (W, y)], fill=mix((7, 8, 11), (15, 17, 24), min(1.0, t * 2.2)))
    thick_line(d, ((tx + 0.2) * k, -2 * k), ((bx + 0.2) * k, floor), 1.2 * k, RIM)
    thick_line(d, ((tx - 0.5) * k, -2 * k), ((bx - 0.5) * k, floor), 0.6 * k, GOLD)
    # The lip catching light where the strip drops into the bay.
    thick_line(d, ((tx - 1.6) * k, -2 * k), ((bx - 1.6) * k, floor), 0.4 * k, mix(PANEL, GOLD, 0.25))


WORD_STATES = {
    "normal": (((40, 46, 70), (22, 25, 38)), mix(GOLD, RIM, 0.3), CREAM),
    "hover": (((60, 69, 104), (33, 38, 60)), BRIGHT_GOLD, (255, 234, 170, 255)),
    "pressed": (((14, 16, 23), (28, 32, 48)), mix(GOLD, RIM, 0.45), mix(CREAM, GOLD, 0.55)),
}


def word_button_drawer(word, state, mark=None):
    """A caption word button on the shared plate, a diamond at each side of the word.

    mark is a key name, shown on a small keycap right of the word. Pressed sinks the contents 1 px.
    """
    (top, bottom), edge, ink = WORD_STATES[state]
    pressed = state == "pressed"

    def draw(d, s):
        W, H = s
        k = H / 24
        button_plate(d, W, H, k, state, (top, bottom), edge)
        shift = k if pressed else 0
        size = int(13 * k)
        font = ImageFont.truetype(CJK_FONT, size)
        l, _, r, _ = d.textbbox((0, 0), word, font=font)
        badge = 0
        if mark:
            ml, _, mr, _ = d.textbbox((0, 0), mark, font=ImageFont.truetype(CJK_FONT, int(10 * k)))
            badge = (mr - ml) + 6 * k
        gap = 4 * k if mark else 0
        x0 = (W - (r - l) - gap - badge) / 2
        centred_word(d, (x0, shift, x0 + r - l, H + shift), word, size, ink, mix(bottom, RIM, 0.7))
        cy = H / 2 + shift
        studs = mix(edge, bottom, 0.25)
        ground = mix(top, bottom, 0.5)
        left_room = x0 - 3 * k

        def flourish(x, room):
            # A diamond midway between the plate's edge and the word; a wide margin gets a hairline through it.
            if room > 20 * k:
                reach = min(room / 2 - 3 * k, 9 * k)
                steps = 12
                for i in range(steps):
                    t = (i + 0.5) / steps
                    a, b = reach * i / steps, reach * (i + 1) / steps
                    for sx in (-1, 1):
                        d.rectangle(sorted_box(x + sx * a, cy - 0.4 * k, x + sx * b, cy + 0.4 * k),
                                    fill=mix(studs, ground, t))
                diamond(d, x, cy, 2.3 * k, RIM)
            if room > 7 * k:
                diamond(d, x, cy, 1.7 * k, studs)

        flourish(3 * k + left_room / 2, left_room)
        if mark:
            # The key's name on a small keycap to the word's right.
            small = ImageFont.truetype(CJK_FONT, int(10 * k))
            ml, mt, mr, mb = d.textbbox((0, 0), mark, font=small)
            bx0 = x0 + (r - l) + gap
            box = [bx0, cy - 6 * k, bx0 + badge, cy + 5.5 * k]
            d.rounded_rectangle(box, radius=2.2 * k, fill=studs)
            d.rounded_rectangle([box[0] + k, box[1] + k, box[2] - k, box[3] - 1.6 * k], radius=1.4 * k,
                                fill=mix(top, CREAM, 0.08))
            d.text(((box[0] + box[2]) / 2 - (ml + mr) / 2, cy - 0.4 * k - (mt + mb) / 2), mark, font=small,
                   fill=ink)
        else:
            flourish(W - 3 * k - left_room / 2, left_room)
    return draw


STATES = ("normal", "hover", "pressed")
GLYPH_BUTTONS = (((207, 208, 227), "close"), ((220, 213, 228), "max"), ((221, 217, 229), "restore"),
                 ((209, 210, 230), "min"))
WORD_BUTTONS = (((224, 214, 234), "全屏", 59, None), ((223, 215, 233), "老板键", 97, None),
                ((252, 253, 261), "清除缓存", 78, None), ((226, 219, 236), "刷新", 78, "F5"),
                ((211, 212, 231), "选服", 59, None))


def make_frame_art():
    os.makedirs(PNG, exist_ok=True)
    sealed(layered((203, CAPTION_H), paint_caption_left), False, True).save(os.path.join(PNG, "203.png"))
    caption_strip(1).save(os.path.join(PNG, "172.png"))
    sealed(layered((92, CAPTION_H), paint_caption_right), True, False).save(os.path.join(PNG, "206.png"))
    # The window buttons are placed 28 x 26 at y 3; their faces stop two rows short, clear of the gold rule.
    for rids, glyph in GLYPH_BUTTONS:
        for rid, state in zip(rids, STATES):
            image = Image.new("RGBA", (28, 26), (0, 0, 0, 0))
            image.paste(glyph_button(glyph, state, (28, 24)), (0, 0))
            image.save(os.path.join(PNG, "%d.png" % rid))
    for rids, word, width, mark in WORD_BUTTONS:
        for rid, state in zip(rids, STATES):
            face = without_ringing(supersampled((width, 24), word_button_drawer(word, state, mark)), ceiling=246)
            face.save(os.path.join(PNG, "%d.png" % rid))
    sizes = [48, 32, 16]
    images = [supersampled(n, draw_emblem) for n in sizes]
    images[0].save(os.path.join(RES, "273.ico"), format="ICO", sizes=[(n, n) for n in sizes],
                   append_images=images[1:])


def draw_uninstall_mark(d, s):
    """The launcher's gold-rimmed plate with a cream cross: take the game away."""
    m = s * 0.06
    d.rounded_rectangle([m, m, s - m, s - m], radius=s * 0.2, fill=NAVY, outline=GOLD, width=max(1, int(s * 0.09)))
    a, b = s * 0.3, s * 0.7
    for (x0, y0, x1, y1), ink, w in (((a, a + s * 0.05, b, b + s * 0.05), RIM, 0.11),
                                     ((a, a, b, b), CREAM, 0.085)):
        d.line([(x0, y0), (x1, y1)], fill=ink, width=int(s * w))
        d.line([(x0, y1), (x1, y0)], fill=ink, width=int(s * w))


def single_bmp_icon(image):
    """An .ico of one image stored as a 32-bit bitmap with its AND mask.

    Pillow would store a PNG inside; the uninstall icon's 1150 bytes are this bitmap form:
    6 + 16 + 40 + w*h*4 + mask bytes.
    """
    w, h = image.size
    mask_stride = ((w + 31) // 32) * 4
    pixels = image.load()
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(h)):
        bits = bytearray(mask_stride)
        for x in range(w):
            r, g, b, a = pixels[x, y]
            xor += bytes((b, g, r, a))
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    body = header + bytes(xor) + bytes(mask)
    entry = struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(body), 22)
    return struct.pack("<HHH", 0, 1, 1) + entry + body


def make_uninstall_icon():
    os.makedirs(os.path.join(RES, "defaults"), exist_ok=True)
    image = without_ringing(supersampled(16, draw_uninstall_mark))
    with open(os.path.join(RES, "defaults", "uninstall.ico"), "wb") as out:
        out.write(single_bmp_icon(image))


# ---------------------------------------------------------------------------
# The wait overlay: its background tile and the four frames of its wheel.

WHEEL_SPOKES = 8
WHEEL_DIM = (104, 86, 46, 255)   # unlit bronze: part of the wheel, yet well behind the lit spokes
WHEEL_RIM = (156, 131, 70, 255)


def wheel_drawer(frame):
    """23 x 23 frame of a spinning eight-spoked wheel with grips on its rim.

    A lit spoke leads and two fading ones trail it; the lead moves a quarter turn clockwise per
    frame, so the four frames cycle as a turning wheel. Every colour is opaque gold, bronze or
    cream: the only partly transparent pixels are anti-aliased edges, which keep their colour.
    """
    def draw(d, s):
        k = s / 23
        c = s / 2
        lead = 2 * frame  # spoke index; a quarter turn is two spokes

        def at(index, r):
            a = -math.pi / 2 + 2 * math.pi * index / WHEEL_SPOKES
            return c + r * math.cos(a), c + r * math.sin(a)

        def spoke_colour(index):
            behind = (lead - index) % WHEEL_SPOKES
            return {0: CREAM, 1: BRIGHT_GOLD, 2: GOLD}.get(behind, WHEEL_DIM)

        # Grips outside the rim, then the rim, lit along the quarter the lead has just swept.
        for i in range(WHEEL_SPOKES):
            x, y = at(i, 9.6 * k)
            diamond(d, x, y, 1.7 * k, spoke_colour(i))
        r0, r1 = 6.9 * k, 8.5 * k
        d.ellipse([c - r1, c - r1, c + r1, c + r1], fill=WHEEL_RIM)
        start = -90 + 360 * (lead - 2) / WHEEL_SPOKES
        d.pieslice([c - r1, c - r1, c + r1, c + r1], start, start + 90, fill=BRIGHT_GOLD)
        d.ellipse([c - r0, c - r0, c + r0, c + r0], fill=(0, 0, 0, 0))
        for i in range(WHEEL_SPOKES):
            thick_line(d, at(i, 2.5 * k), at(i, 7.2 * k), 0.75 * k, spoke_colour(i))
        x, y = at(lead, 9.6 * k)
        diamond(d, x, y, 1.85 * k, CREAM)
        d.ellipse([c - 2.9 * k, c - 2.9 * k, c + 2.9 * k, c + 2.9 * k], fill=GOLD)
        d.ellipse([c - 1.5 * k, c - 1.5 * k, c + 1.5 * k, c + 1.5 * k], fill=CREAM)
    return draw


def make_overlay_art():
    os.makedirs(PNG, exist_ok=True)
    # Black at alpha 230: over the overlay's white fill it gives RGB(25, 25, 25).
    Image.new("RGBA", (1, 1), (0, 0, 0, 230)).save(os.path.join(PNG, "275.png"))
    for frame in range(4):
        wheel = without_ringing(supersampled(23, wheel_drawer(frame), factor=8), ceiling=246)
        wheel.save(os.path.join(PNG, "%d.png" % (276 + frame)))


if __name__ == "__main__":
    make_icon()
    make_confirm_art()
    make_login_art()
    make_frame_art()
    make_uninstall_icon()
    make_overlay_art()
