#!/usr/bin/python3
"""Draws Ardane's toolbar and palette button images.

Every image is drawn once on a 16 x 15 grid of "units" at 16 times that size
and reduced to 16 x 15 (normal screens) and 32 x 30 (the @2x images for
high-density screens). Shapes sit on whole units, so the small images stay
sharp. Writes the PNG files under resources/icons/ and resources/palettes.qrc.

Run from anywhere:  tools/make_icons.py
"""

import math
import os
import random

from PIL import Image, ImageChops, ImageDraw, ImageFont

ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), ".."))
OUT = os.path.join(ROOT, "resources", "icons")
FONTS = "/usr/share/fonts/truetype/dejavu"

W, H = 16, 15          # the button image, in units
S = 16                 # drawing pixels per unit

INK = (34, 34, 44, 255)
WHITE = (255, 255, 255, 255)
PAPER = (250, 250, 246, 255)
LGREY = (200, 202, 206, 255)
GREY = (128, 130, 136, 255)
BLUE = (40, 104, 196, 255)
LBLUE = (168, 204, 240, 255)
TEAL = (0, 128, 128, 255)
RED = (204, 44, 40, 255)
YELLOW = (244, 196, 48, 255)
GREEN = (52, 150, 64, 255)
BROWN = (150, 92, 44, 255)
WOOD = (232, 200, 150, 255)
TAN = (236, 204, 164, 255)
CLEAR = (0, 0, 0, 0)


class Canvas:
    """A drawing surface addressed in units; (x, y) of a cell is its top-left."""

    def __init__(self):
        self.img = Image.new("RGBA", (W * S, H * S), CLEAR)
        self.d = ImageDraw.Draw(self.img)

    @staticmethod
    def p(x, y):
        return (x * S, y * S)

    # Cells, inclusive: cells(x0, y0, x1, y1) covers x0..x1 and y0..y1.
    def cells(self, x0, y0, x1, y1, color):
        self.d.rectangle([x0 * S, y0 * S, (x1 + 1) * S - 1, (y1 + 1) * S - 1], fill=color)

    def cell(self, x, y, color):
        self.cells(x, y, x, y, color)

    def box(self, x0, y0, x1, y1, fill=None, outline=INK, width=1):
        """A rectangle over cells x0..x1, y0..y1 with a border one cell wide."""
        if outline is not None:
            self.cells(x0, y0, x1, y1, outline)
            if fill is not None:
                self.cells(x0 + width, y0 + width, x1 - width, y1 - width, fill)
            else:
                self.cells(x0 + width, y0 + width, x1 - width, y1 - width, CLEAR)
        elif fill is not None:
            self.cells(x0, y0, x1, y1, fill)

    def oval(self, x0, y0, x1, y1, fill=None, outline=INK, width=1.0):
        """An ellipse inscribed in cells x0..x1, y0..y1."""
        outer = [x0 * S, y0 * S, (x1 + 1) * S - 1, (y1 + 1) * S - 1]
        if outline is not None:
            self.d.ellipse(outer, fill=outline)
            inner = [outer[0] + width * S, outer[1] + width * S, outer[2] - width * S, outer[3] - width * S]
            self.d.ellipse(inner, fill=fill if fill is not None else CLEAR)
        else:
            self.d.ellipse(outer, fill=fill)

    def line(self, pts, color=INK, width=1.0):
        """A polyline through cell centres."""
        xy = [((x + 0.5) * S, (y + 0.5) * S) for x, y in pts]
        self.d.line(xy, fill=color, width=max(1, int(width * S)), joint="curve")
        r = width * S / 2
        for cx, cy in (xy[0], xy[-1]):
            self.d.ellipse([cx - r, cy - r, cx + r, cy + r], fill=color)

    def polygon(self, pts, fill, outline=INK, width=1.0):
        """A polygon whose corners are given in units (not cell centres)."""
        xy = [(x * S, y * S) for x, y in pts]
        self.d.polygon(xy, fill=fill)
        if outline is not None:
            self.d.line(xy + [xy[0]], fill=outline, width=int(width * S), joint="curve")

    def dashed(self, pts, color=INK, on=2.0, off=1.25, width=1.0, closed=True):
        """A dashed polyline through cell centres, like a selection outline."""
        pts = list(pts) + ([pts[0]] if closed else [])
        phase, drawing = 0.0, True
        for (ax, ay), (bx, by) in zip(pts, pts[1:]):
            seg = math.hypot(bx - ax, by - ay)
            t = 0.0
            while t < seg:
                left = (on if drawing else off) - phase
                step = min(left, seg - t)
                if drawing:
                    f0, f1 = t / seg, (t + step) / seg
                    self.line([(ax + (bx - ax) * f0, ay + (by - ay) * f0),
                               (ax + (bx - ax) * f1, ay + (by - ay) * f1)], color, width)
                t += step
                phase += step
                if phase >= (on if drawing else off) - 1e-9:
                    phase, drawing = 0.0, not drawing

    def text(self, s, cx, cy, size, font="DejaVuSans-Bold.ttf", color=INK):
        f = ImageFont.truetype(os.path.join(FONTS, font), int(size * S))
        self.d.text((cx * S, cy * S), s, font=f, fill=color, anchor="mm")

    def save(self, path):
        premul = self.img.convert("RGBa")
        for scale, suffix in ((1, ""), (2, "@2x")):
            small = premul.resize((W * scale, H * scale), Image.BOX).convert("RGBA")
            small.save(f"{path}{suffix}.png", optimize=True)


def ellipse_points(cx, cy, rx, ry, n=48, start=0.0, sweep=360.0):
    return [(cx + rx * math.cos(math.radians(start + sweep * i / n)),
             cy + ry * math.sin(math.radians(start + sweep * i / n))) for i in range(n + 1)]


def band(p0, p1, width):
    """The four corners of a strip of the given width along p0 -> p1 (units)."""
    (x0, y0), (x1, y1) = p0, p1
    dx, dy = x1 - x0, y1 - y0
    n = math.hypot(dx, dy)
    ox, oy = -dy / n * width / 2, dx / n * width / 2
    return [(x0 + ox, y0 + oy), (x1 + ox, y1 + oy), (x1 - ox, y1 - oy), (x0 - ox, y0 - oy)]


def arrow_head(c, tip, direction, size=3.0, color=INK):
    """A filled triangle with its point at tip (units), pointing along direction (degrees)."""
    a = math.radians(direction)
    back = (tip[0] - size * math.cos(a), tip[1] - size * math.sin(a))
    side = (-math.sin(a) * size * 0.6, math.cos(a) * size * 0.6)
    c.polygon([tip, (back[0] + side[0], back[1] + side[1]), (back[0] - side[0], back[1] - side[1])],
              color, outline=None)


# --- tools -------------------------------------------------------------------

def tool_select_rect(c):
    c.dashed([(1, 2), (14, 2), (14, 12), (1, 12)])


def tool_select_ellipse(c):
    c.dashed(ellipse_points(7.5, 7, 6.5, 5.2, 40)[:-1])


def tool_select_freehand(c):
    c.dashed([(3, 4), (6, 1.5), (10, 2.5), (13.5, 1.5), (13, 6), (14, 10), (10, 12.5),
              (6, 11), (2, 12.5), (1.5, 8)])


def tool_text(c):
    c.text("A", 7.5, 7.3, 15, "DejaVuSerif-Bold.ttf")


def tool_ellipse(c):
    c.oval(1, 2, 14, 12, fill=LBLUE)


def tool_line(c):
    c.line([(2.5, 11.5), (12.5, 2.5)], INK, 1.2)
    c.box(1, 10, 3, 12, fill=None, outline=BLUE)
    c.box(12, 2, 14, 4, fill=None, outline=BLUE)
    c.cells(2, 11, 2, 11, BLUE)
    c.cells(13, 3, 13, 3, BLUE)


def tool_rect(c):
    c.box(1, 2, 14, 12, fill=LBLUE)


def pencil(c, tip, end, width=4.4, body=YELLOW):
    """A pencil lying from its point (tip) to its end, in units."""
    tx, ty = tip
    ex, ey = end
    n = math.hypot(ex - tx, ey - ty)
    ux, uy = (ex - tx) / n, (ey - ty) / n
    cone = (tx + ux * 4.2, ty + uy * 4.2)
    cap = (ex - ux * 2.4, ey - uy * 2.4)
    body_pts = band(cone, cap, width)
    c.polygon(band(cap, end, width), (236, 140, 150, 255))
    c.polygon(body_pts, body)
    c.polygon([tip, body_pts[0], body_pts[3]], WOOD)
    lead = (tx + ux * 1.6, ty + uy * 1.6)
    half = band(tip, lead, 1.6)
    c.polygon([tip, half[1], half[2]], INK, outline=None)


def tool_pen(c):
    pencil(c, (1.2, 13.8), (14.6, 0.4))


def tool_brush(c):
    c.polygon(band((14.6, 0.4), (8.6, 6.4), 2.6), BROWN)
    c.polygon(band((8.6, 6.4), (6.4, 8.6), 3.6), LGREY)
    c.polygon([(5.2, 7.4), (7.6, 9.8), (5.6, 12.6), (1.0, 14.0), (2.4, 9.4)], BLUE)


def tool_spray(c):
    c.box(7, 5, 13, 14, fill=RED)
    c.cells(8, 6, 8, 13, (232, 110, 100, 255))
    c.box(8, 3, 12, 5, fill=LGREY)
    c.box(9, 1, 10, 3, fill=GREY)
    c.cell(8, 1, INK)
    for x, y in ((5, 1), (3, 2), (1, 1), (4, 4), (2, 5), (0, 3), (5, 6), (1, 7), (3, 8)):
        c.cell(x, y, BLUE)


def tool_pick_color(c):
    c.polygon(band((3.0, 12.0), (9.6, 5.4), 2.4), (220, 236, 250, 255))
    c.polygon(band((8.6, 6.4), (12.6, 2.4), 3.8), INK, outline=None)
    c.oval(11, 0, 14, 3, fill=INK, outline=INK)
    c.polygon(band((3.0, 12.0), (6.0, 9.0), 1.2), BLUE, outline=None)
    c.line([(1.2, 13.8), (2.6, 12.4)], INK, 1.0)


def tool_fill(c):
    c.polygon([(1.5, 7.5), (7, 2), (12.5, 7.5), (7, 13)], LGREY)
    c.line([(7.5, 2.5), (12, 7)], BLUE, 1.6)
    c.line([(12.5, 7.5), (13.5, 10)], BLUE, 1.6)
    c.oval(12, 9, 15, 13, fill=BLUE, outline=BLUE)
    c.line([(2, 7), (4, 2.5), (7, 2)], INK, 1.0)


def tool_scroll(c):
    c.line([(7.5, 2), (7.5, 12)], INK, 1.2)
    c.line([(2, 7), (13, 7)], INK, 1.2)
    arrow_head(c, (8, 0.2), -90)
    arrow_head(c, (8, 14.8), 90)
    arrow_head(c, (0.2, 7.5), 180)
    arrow_head(c, (15.8, 7.5), 0)


def drop(c, scale):
    """A water drop standing on the bottom centre, of relative size scale."""
    cx, bottom = 8.0, 14.2
    r = 5.4 * scale
    cy = bottom - r
    pts = [(cx + r * math.cos(math.radians(a)), cy + r * math.sin(math.radians(a))) for a in range(-30, 211, 10)]
    top = (cx, cy - r * 2.1)
    c.polygon([top] + pts, LBLUE)
    c.d.ellipse([(cx - r * 0.45) * S, (cy - r * 0.2) * S, (cx - r * 0.05) * S, (cy + r * 0.45) * S], fill=WHITE)


def blur(scale):
    return lambda c: drop(c, scale)


def copy_paste(side):
    def draw(c):
        c.dashed([(0, 0), (side - 1, 0), (side - 1, side - 1), (0, side - 1)], INK, 1.5, 1.0)
        x0, y0 = 15 - side, 14 - side
        c.box(x0, y0, 15, 14, fill=LBLUE)
    return draw


def shuffle(side, seed):
    def draw(c):
        rnd = random.Random(seed)
        x0, y0 = (16 - side) // 2, (15 - side) // 2
        colours = [RED, BLUE, YELLOW, GREEN, WHITE]
        c.box(x0 - 1, y0 - 1, x0 + side, y0 + side, fill=WHITE)
        for y in range(y0, y0 + side):
            for x in range(x0, x0 + side):
                c.cell(x, y, rnd.choice(colours))
    return draw


TOOLS = [
    tool_select_rect, tool_select_ellipse, tool_select_freehand, tool_text, tool_ellipse, tool_line,
    tool_rect, tool_pen, tool_brush, tool_spray, tool_pick_color, tool_fill, tool_scroll,
    blur(0.5), blur(0.75), blur(1.0),
    copy_paste(6), copy_paste(8), copy_paste(10),
    shuffle(5, 19), shuffle(8, 20), shuffle(11, 21),
]


# --- brush and spray styles ---------------------------------------------------

def brush_style(style):
    """The dab each brush style paints, at its real size in pixels."""
    def draw(c):
        cx, cy = 7, 7
        size = style % 4
        if style < 4:
            s = 3 * style + 3
            c.cells(cx - s // 2, cy - s // 2, cx - s // 2 + s - 1, cy - s // 2 + s - 1, INK)
        elif style < 8:
            s = 3 * style - 9
            if s <= 3:
                c.cells(cx - 1, cy, cx + 1, cy, INK)
                c.cells(cx, cy - 1, cx, cy + 1, INK)
            else:
                c.oval(cx - s // 2, cy - s // 2, cx - s // 2 + s - 1, cy - s // 2 + s - 1, fill=INK)
        else:
            e = (1, 3, 4, 6)[size]
            kind = (style - 8) // 4
            for i in range(-e, e + 1):
                if kind == 0:
                    c.cell(cx - i, cy + i, INK)   # rising
                elif kind == 1:
                    c.cell(cx + i, cy + i, INK)   # falling
                else:
                    c.cell(cx, cy + i, INK)       # vertical bar
    return draw


def spray_style(style):
    """Dots scattered in a square box: size by style / 4, density by style % 4."""
    def draw(c):
        side = (6, 10, 14)[style // 4]
        density = (0.55, 0.36, 0.22, 0.1)[style % 4]
        x0, y0 = (16 - side) // 2, (15 - side) // 2
        rnd = random.Random(100 + style)
        spots = [(x, y) for y in range(y0, y0 + side) for x in range(x0, x0 + side)]
        for x, y in rnd.sample(spots, max(4, round(density * side * side))):
            c.cell(x, y, INK)
    return draw


# --- main toolbar ---------------------------------------------------------------

def letter(ch, font, underline=False):
    def draw(c):
        c.text(ch, 7.5, 6.8 if underline else 7.4, 13, font)
        if underline:
            c.cells(3, 13, 12, 13, INK)
    return draw


def page(c, x0, y0, x1, y1, fold=3):
    c.polygon([(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)], PAPER)
    c.polygon([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], LGREY)


def cmd_new(c):
    page(c, 2.5, 0.5, 13.5, 14.5, 4)


def cmd_open(c):
    c.polygon([(0.5, 2.5), (5, 2.5), (6.5, 4), (12.5, 4), (12.5, 13.5), (0.5, 13.5)], (222, 170, 40, 255))
    c.polygon([(3, 7), (15.5, 7), (12.5, 13.5), (0.5, 13.5)], YELLOW)


def cmd_save(c):
    c.box(1, 0, 14, 14, fill=BLUE)
    c.box(4, 0, 11, 5, fill=LGREY)
    c.cells(8, 1, 9, 4, GREY)
    c.box(3, 8, 12, 14, fill=PAPER)
    c.cells(5, 10, 10, 10, LGREY)
    c.cells(5, 12, 10, 12, LGREY)


def cmd_print(c):
    c.box(3, 0, 12, 6, fill=PAPER)
    c.box(0, 5, 15, 11, fill=LGREY)
    c.cell(12, 7, GREEN)
    c.box(3, 9, 12, 14, fill=PAPER)
    c.cells(5, 11, 10, 11, GREY)


def cmd_copy(c):
    page(c, 0.5, 0.5, 9.5, 10.5, 3)
    page(c, 5.5, 3.5, 14.5, 14.5, 3)


def cmd_paste(c):
    c.box(1, 1, 12, 14, fill=BROWN)
    c.box(4, 0, 9, 3, fill=LGREY)
    page(c, 5.5, 4.5, 15.5, 14.5, 3)


def swatches(front_filled):
    def draw(c):
        c.box(5, 5, 15, 14, fill=TEAL if not front_filled else PAPER)
        c.box(0, 0, 10, 9, fill=RED if front_filled else PAPER)
    return draw


def rotation(sweep, angle_mark=False):
    """A clockwise arrow from the top through sweep degrees over a faint full turn."""
    def draw(c):
        cx, cy, r = 7.5, 7.0, 5.8
        c.line(ellipse_points(cx - 0.5, cy - 0.5, r, r, 48), LGREY, 1.0)
        head = 4.6
        arc_end = sweep - math.degrees(head * 0.8 / r)
        pts = ellipse_points(cx - 0.5, cy - 0.5, r, r, 36, -90.0, arc_end)
        c.line(pts, BLUE, 2.0)
        end = math.radians(-90.0 + sweep)
        tip = (cx + r * math.cos(end), cy + r * math.sin(end))
        arrow_head(c, tip, -90.0 + sweep + 90 - math.degrees(head * 0.5 / r), head, BLUE)
        if angle_mark:
            c.line([(7, 7), (10.5, 7)], INK, 1.0)
            c.line([(7, 7), (9.5, 3.5)], INK, 1.0)
        else:
            c.cells(7, 6, 7, 6, INK)
    return draw


# --- quick command bar ----------------------------------------------------------

def magnifier(mark):
    def draw(c):
        c.line([(9.5, 9.5), (13.5, 13.5)], BROWN, 2.4)
        c.oval(0, 0, 11, 11, fill=(226, 240, 252, 255), width=1.3)
        if mark == "+":
            c.cells(3, 5, 8, 6, INK)
            c.cells(5, 3, 6, 8, INK)
        elif mark == "-":
            c.cells(3, 5, 8, 6, INK)
        else:
            c.cells(5, 3, 6, 8, INK)
            c.cells(4, 3, 4, 4, INK)
            c.cells(4, 8, 7, 8, INK)
    return draw


def cmd_delete(c):
    c.line([(2.5, 2.5), (12.5, 11.5)], RED, 2.6)
    c.line([(12.5, 2.5), (2.5, 11.5)], RED, 2.6)


def cmd_merge(c):
    c.box(0, 8, 15, 14, fill=LGREY)
    c.box(4, 0, 11, 5, fill=LBLUE)
    c.line([(7.5, 5.5), (7.5, 8)], INK, 1.2)
    arrow_head(c, (8, 12), 90, 3.4)


def cmd_scanner(c):
    c.polygon([(0.5, 6.5), (15.5, 6.5), (15.5, 12.5), (0.5, 12.5)], LGREY)
    c.polygon([(0.5, 6.5), (3, 2.5), (15.5, 2.5), (15.5, 6.5)], GREY)
    c.cells(2, 8, 13, 8, GREEN)
    c.cells(11, 10, 13, 10, INK)


def monitor(c, x1, y1):
    c.box(0, 0, x1, y1, fill=LBLUE)
    mid = x1 // 2
    c.cells(mid - 1, y1 + 1, mid + 1, y1 + 1, INK)
    c.cells(mid - 3, y1 + 2, mid + 3, y1 + 2, INK)


def cmd_capture(c):
    monitor(c, 15, 10)
    for x, y, dx, dy in ((3, 3, 1, 1), (12, 3, -1, 1), (3, 7, 1, -1), (12, 7, -1, -1)):
        c.cells(min(x, x + 2 * dx), y, max(x, x + 2 * dx), y, RED)
        c.cells(x, min(y, y + dy), x, max(y, y + dy), RED)


def cmd_capture_option(c):
    monitor(c, 11, 8)
    c.cells(3, 3, 8, 3, RED)
    c.cells(3, 4, 3, 5, RED)
    c.polygon([(9, 10), (16, 10), (12.5, 14)], INK, outline=None)


def cmd_enhance(c):
    c.line([(1.5, 13.5), (9.5, 5.5)], INK, 1.8)
    c.line([(8.5, 6.5), (10.5, 4.5)], WHITE, 1.0)
    for x, y, r in ((12.5, 2.5, 2.2), (6.5, 1.5, 1.3), (13.5, 8.5, 1.3)):
        c.line([(x - r, y), (x + r, y)], YELLOW, 1.0)
        c.line([(x, y - r), (x, y + r)], YELLOW, 1.0)


def cmd_draw_mode(c):
    a = [0, 2 * S, 10 * S - 1, 12 * S - 1]
    b = [6 * S, 2 * S, 16 * S - 1, 12 * S - 1]
    c.d.ellipse(a, fill=RED)
    c.d.ellipse(b, fill=BLUE)
    # Where the discs overlap they cancel, as with an exclusive-or pen.
    ma = Image.new("L", c.img.size, 0)
    ImageDraw.Draw(ma).ellipse(a, fill=255)
    mb = Image.new("L", c.img.size, 0)
    ImageDraw.Draw(mb).ellipse(b, fill=255)
    c.img.paste(Image.new("RGBA", c.img.size, PAPER), (0, 0), ImageChops.multiply(ma, mb))
    c.d.ellipse(a, outline=INK, width=S)
    c.d.ellipse(b, outline=INK, width=S)


def fill_icon(where):
    def draw(c):
        if where == "entire":
            c.box(0, 1, 15, 13, fill=BLUE)
        elif where == "inside":
            c.box(0, 1, 15, 13, fill=PAPER)
            c.oval(3, 3, 12, 11, fill=BLUE, outline=BLUE)
            c.dashed(ellipse_points(7.5, 7, 4.5, 4, 32)[:-1], INK, 1.6, 1.0)
        else:
            c.box(0, 1, 15, 13, fill=BLUE)
            c.oval(3, 3, 12, 11, fill=PAPER, outline=PAPER)
            c.dashed(ellipse_points(7.5, 7, 4.5, 4, 32)[:-1], INK, 1.6, 1.0)
    return draw


def cmd_patch(c):
    c.polygon(band((1.8, 13.2), (14.2, 1.8), 6.2), TAN)
    c.polygon(band((5.8, 9.2), (10.2, 4.8), 6.2), (214, 166, 120, 255), outline=None)
    c.line([(5.5, 9.5), (9.5, 5.5)], (214, 166, 120, 255), 1.0)
    for x, y in ((2, 10), (4, 12), (11, 2), (13, 4)):
        c.cell(x, y, BROWN)


def cmd_detailed(c):
    for y, knob, col in ((2, 10, RED), (7, 4, GREEN), (12, 8, BLUE)):
        c.cells(0, y, 15, y, GREY)
        c.box(knob - 1, y - 2, knob + 1, y + 2, fill=col)


def graph(c):
    c.box(0, 0, 15, 14, fill=PAPER)
    c.cells(1, 13, 14, 13, LGREY)


def cmd_curve(c):
    graph(c)
    pts = [(1.5 + 12 * t, 12.5 - 11 * (3 * t * t - 2 * t * t * t)) for t in [i / 24 for i in range(25)]]
    c.line([(x - 0.5, y - 0.5) for x, y in pts], BLUE, 1.3)


def cmd_flat(c):
    graph(c)
    c.line([(1, 9), (14, 3)], BLUE, 1.3)


# --- font kinds -----------------------------------------------------------------

def font_truetype(c):
    c.text("T", 5.5, 5.8, 11, "DejaVuSerif-Bold.ttf", GREY)
    c.text("T", 10.0, 9.0, 11, "DejaVuSerif-Bold.ttf", INK)


def font_device(c):
    c.box(1, 5, 13, 10, fill=LGREY)
    c.box(3, 1, 11, 5, fill=PAPER)
    c.box(3, 9, 11, 13, fill=PAPER)


COMMANDS = {
    "bold": letter("B", "DejaVuSans-Bold.ttf"),
    "italic": letter("I", "DejaVuSerif-BoldItalic.ttf"),
    "underline": letter("U", "DejaVuSans-Bold.ttf", underline=True),
    "new": cmd_new,
    "open": cmd_open,
    "save": cmd_save,
    "print": cmd_print,
    "copy": cmd_copy,
    "paste": cmd_paste,
    "pen_color": swatches(True),
    "background_color": swatches(False),
    "rotate_angle": rotation(300, angle_mark=True),
    "zoom_normal": magnifier("1"),
    "zoom_in": magnifier("+"),
    "zoom_out": magnifier("-"),
    "delete": cmd_delete,
    "merge": cmd_merge,
    "scanner": cmd_scanner,
    "capture": cmd_capture,
    "capture_option": cmd_capture_option,
    "rotate_90": rotation(90),
    "rotate_180": rotation(180),
    "rotate_270": rotation(270),
    "enhance": cmd_enhance,
    "draw_mode": cmd_draw_mode,
    "fill_entirely": fill_icon("entire"),
    "fill_inside": fill_icon("inside"),
    "fill_outside": fill_icon("outside"),
    "patch": cmd_patch,
    "adjust_detailed": cmd_detailed,
    "adjust_curve": cmd_curve,
    "adjust_flat": cmd_flat,
}

FONT_KINDS = {"font_truetype": font_truetype, "font_device": font_device}


def render(folder, name, draw, files):
    os.makedirs(os.path.join(OUT, folder), exist_ok=True)
    c = Canvas()
    draw(c)
    base = os.path.join(OUT, folder, name)
    c.save(base)
    for suffix in ("", "@2x"):
        files.append(f"icons/{folder}/{name}{suffix}.png")


def main():
    files = []
    for i, draw in enumerate(TOOLS):
        render("tools", f"tool_{i:02d}", draw, files)
    for i in range(12):
        render("spray", f"spray_{i:02d}", spray_style(i), files)
    for i in range(20):
        render("brush", f"brush_{i:02d}", brush_style(i), files)
    for name, draw in COMMANDS.items():
        render("commands", name, draw, files)
    for name, draw in FONT_KINDS.items():
        render("fonts", name, draw, files)
    with open(os.path.join(ROOT, "resources", "palettes.qrc"), "w") as qrc:
        qrc.write("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n")
        for f in files:
            qrc.write(f"  <file>{f}</file>\n")
        qrc.write("</qresource>\n</RCC>\n")
    print(f"{len(files)} images")


if __name__ == "__main__":
    main()
