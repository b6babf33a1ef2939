#!/usr/bin/python3
"""Draws the launcher's art into res/. Deterministic: same script, same bytes.

Run from anywhere: /usr/bin/python3 tools/make_art.py  (needs Debian's python3-pil).
The outputs are committed, so building never needs this script.
"""
import os

from PIL import Image, ImageDraw

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES = os.path.join(ROOT, "res")

NAVY = (20, 22, 28, 255)       # #14161c
PANEL = (35, 40, 58, 255)      # #23283a
GOLD = (203, 174, 91, 255)     # #CBAE5B
CREAM = (255, 245, 211, 255)   # #FFF5D3


def supersampled(size, draw_fn, factor=4):
    """Draws at factor x size and scales down, for anti-aliased edges."""
    big = Image.new("RGBA", (size * factor, size * factor), (0, 0, 0, 0))
    draw_fn(ImageDraw.Draw(big), size * factor)
    return big.resize((size, size), Image.LANCZOS)


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


if __name__ == "__main__":
    make_icon()
