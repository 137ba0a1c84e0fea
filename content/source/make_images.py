#!/usr/bin/python3
"""Draws the catalogue pictures and the default logo.

    /usr/bin/python3 content/source/make_images.py

Needs Debian's python3-pil and fonts-dejavu-core. Writes content/images/*.png
(a shaded rendering and a general-arrangement drawing per range, plus the
pictures some bodies carry) and content/documents/Logo.gif.
"""

import math
import os
import random

from PIL import Image, ImageDraw, ImageFilter, ImageFont

CONTENT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
IMAGES = os.path.join(CONTENT, "images")
DOCUMENTS = os.path.join(CONTENT, "documents")
FONT_DIR = "/usr/share/fonts/truetype/dejavu"
MAKER = "Tarnholm Acoustics"

SS = 3  # supersampling factor of the renderings
PHOTO = (400, 300)
GA = (640, 400)

LIGHT = (-0.45, -0.75, 0.48)  # towards the viewer, from the upper left


def font(size, bold=False):
    name = "DejaVuSans-Bold.ttf" if bold else "DejaVuSans.ttf"
    try:
        return ImageFont.truetype(os.path.join(FONT_DIR, name), size)
    except OSError:
        return ImageFont.load_default()


def norm(v):
    n = math.sqrt(sum(c * c for c in v))
    return tuple(c / n for c in v)


L_DIR = norm(LIGHT)


def shade(base, normal, spec=0.35, amb=0.38):
    n = norm(normal)
    d = max(0.0, n[0] * L_DIR[0] + n[1] * L_DIR[1] + n[2] * L_DIR[2])
    # Blinn highlight with the viewer on +z
    h = norm((L_DIR[0], L_DIR[1], L_DIR[2] + 1.0))
    s = max(0.0, n[0] * h[0] + n[1] * h[1] + n[2] * h[2]) ** 24
    return tuple(min(255, int(c * (amb + 0.7 * d) + 255 * spec * s)) for c in base)


GALV = (176, 182, 186)
GALV_DARK = (120, 126, 131)
INTERIOR = (38, 40, 44)
WOOL = (214, 206, 176)


def backdrop(size):
    w, h = size
    img = Image.new("RGB", size)
    px = img.load()
    for y in range(h):
        t = y / h
        c = (int(236 - 22 * t), int(240 - 20 * t), int(244 - 16 * t))
        for x in range(w):
            px[x, y] = c
    return img


def soft_shadow(img, box, strength=90):
    w, h = img.size
    mask = Image.new("L", (w, h), 0)
    ImageDraw.Draw(mask).ellipse(box, fill=strength)
    mask = mask.filter(ImageFilter.GaussianBlur(radius=w / 60))
    shadow = Image.new("RGB", (w, h), (70, 76, 84))
    img.paste(shadow, (0, 0), mask)


def finish(img, name, size):
    out = img.resize(size, Image.LANCZOS)
    out = out.quantize(colors=192, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.FLOYDSTEINBERG)
    out.save(os.path.join(IMAGES, name), optimize=True)


# Cylinders -------------------------------------------------------------------

def cylinder_side(draw, x0, x1, cy, r, base, seams=0, cap_e=0):
    """Horizontal cylinder body seen from the side, shaded row by row.

    cap_e: half-width of the far end's silhouette (seen slightly from the
    near end, the far end bulges out as half an ellipse)."""
    for dy in range(-r, r + 1):
        ny = dy / r
        nz = math.sqrt(max(0.0, 1 - ny * ny))
        c = shade(base, (0.0, ny, nz))
        draw.line([(x0, cy + dy), (x1 + cap_e * nz, cy + dy)], fill=c)
    if seams:
        # spiral lock-seam: a helix seen from the side
        step = (x1 - x0) / seams
        for i in range(1, seams):
            xc = x0 + i * step
            pts = []
            for k in range(-20, 21):
                ny = k / 20.0 * 0.97
                pts.append((xc + 0.32 * r * math.asin(ny) / (math.pi / 2), cy + ny * r))
            nz_col = tuple(int(c * 0.8) for c in base)
            draw.line(pts, fill=nz_col, width=max(1, r // 45))


def end_disc(draw, cx, cy, r, e, base):
    """Flat end plate seen obliquely (ellipse e wide, r tall)."""
    draw.ellipse([cx - e, cy - r, cx + e, cy + r], fill=shade(base, (-0.9, -0.2, 0.4)),
                 outline=tuple(int(c * 0.7) for c in base), width=SS)


def open_end(draw, cx, cy, r, e, pod=0.0, liner_dots=True):
    """The open inlet: dark bore, perforated liner band, optional pod nose."""
    draw.ellipse([cx - e, cy - r, cx + e, cy + r], fill=INTERIOR)
    rim = max(2, r // 14)
    draw.ellipse([cx - e, cy - r, cx + e, cy + r], outline=shade(GALV, (-0.7, -0.3, 0.6)), width=rim)
    if liner_dots:
        rnd = random.Random(7)
        for k in range(14):  # perforated liner seen inside the bore
            a = math.pi * (0.6 + 0.8 * k / 13)
            for q in range(5):
                rr = 0.78 - q * 0.09
                x = cx + math.cos(a) * e * rr * (0.9 - 0.1 * q)
                y = cy + math.sin(a) * r * rr
                draw.ellipse([x - SS, y - SS, x + SS, y + SS], fill=(80, 84, 88))
    if pod > 0:
        pr, pe = r * pod, e * pod
        px = cx + e * 0.25
        for i in range(int(pe * 2), 0, -1):
            f = i / (pe * 2)
            c = shade((200, 204, 206), (-f, -0.3, 0.6 + (1 - f)))
            draw.ellipse([px - pe * f, cy - pr * f, px + pe * f, cy + pr * f], fill=c)
        rnd = random.Random(11)
        for k in range(60):
            a = rnd.uniform(0, 2 * math.pi)
            rr = rnd.uniform(0.2, 0.85)
            x = px + math.cos(a) * pe * rr
            y = cy + math.sin(a) * pr * rr
            draw.ellipse([x - SS, y - SS, x + SS, y + SS], fill=(140, 144, 148))


def render_cylinder(name, pod=0.0, flanged=False, long=1.0, ends="spigot", size=PHOTO):
    W, H = size[0] * SS, size[1] * SS
    img = backdrop((W, H))
    d = ImageDraw.Draw(img)
    cy = int(H * 0.47)
    r = int(H * 0.25)
    e = int(r * 0.38)
    x0 = int(W * 0.22)
    x1 = int(W * (0.22 + 0.56 * long))
    soft_shadow(img, (x0 - e, cy + r * 0.8, x1 + e * 2, cy + r * 1.35))
    d = ImageDraw.Draw(img)
    sr = int(r * 0.78)  # spigot / bore radius
    se = int(e * 0.78)
    # outlet spigot or flange on the far end
    if flanged or ends == "flange":
        cylinder_side(d, x1, x1 + 3 * SS, cy, int(r * 1.08), GALV_DARK, cap_e=int(e * 1.08))
    else:
        cylinder_side(d, x1, x1 + int(W * 0.07), cy, sr, GALV, cap_e=se)
    cylinder_side(d, x0, x1, cy, r, GALV, seams=int(6 * long), cap_e=e)
    if flanged or ends == "flange":
        fr, fe = int(r * 1.1), int(e * 1.1)
        end_disc(d, x0 - 2 * SS, cy, fr, fe, GALV_DARK)
        for k in range(12):  # bolt holes
            a = k * math.pi / 6
            x = x0 - 2 * SS + math.cos(a) * fe * 0.93
            y = cy + math.sin(a) * fr * 0.93
            d.ellipse([x - 2 * SS, y - 2 * SS, x + 2 * SS, y + 2 * SS], fill=(60, 62, 66))
        open_end(d, x0 - 2 * SS, cy, int(r * 0.86), int(e * 0.86), pod=pod)
    else:
        end_disc(d, x0, cy, r, e, GALV)
        sx = x0 - int(W * 0.07)
        cylinder_side(d, sx, x0, cy, sr, GALV)
        d.rectangle([sx + int(W * 0.035), cy - sr, sx + int(W * 0.035) + SS * 2, cy + sr],
                    fill=(128, 133, 137))  # bead on the spigot
        open_end(d, sx, cy, sr, se, pod=pod)
    label_plate(d, int((x0 + x1) / 2) + e, cy - int(r * 0.15), r)
    finish(img, name, size)


def label_plate(d, cx, cy, r):
    w, h = int(r * 0.5), int(r * 0.22)
    d.rounded_rectangle([cx - w, cy - h, cx + w, cy + h], radius=SS * 3, fill=(238, 238, 232),
                        outline=(120, 120, 120), width=SS)
    d.rectangle([cx - w + SS * 4, cy - h + SS * 4, cx - w + SS * 4 + w // 2, cy - h + SS * 8],
                fill=(11, 79, 108))
    for k in range(3):
        y = cy - h // 3 + k * h // 3 + SS * 3
        d.line([(cx - w + SS * 4, y), (cx + w - SS * 6, y)], fill=(150, 150, 150), width=SS)


# Boxes -----------------------------------------------------------------------

def render_box(name, splitters=3, airway_ratio=0.33, modules=1, depth=0.55, aspect=0.62,
               size=PHOTO, split_casing=False):
    W, H = size[0] * SS, size[1] * SS
    img = backdrop((W, H))
    fw = int(W * 0.42)  # front face
    fh = int(fw * aspect)
    fx, fy = int(W * 0.12), int(H * 0.30)
    dx, dy = int(W * 0.40 * depth), -int(H * 0.36 * depth)
    soft_shadow(img, (fx - SS * 10, fy + fh - SS * 8, fx + fw + dx + SS * 20, fy + fh + SS * 30))
    d = ImageDraw.Draw(img)
    # top and side faces with a gentle gradient along the depth
    steps = 40
    for i in range(steps):
        t0, t1 = i / steps, (i + 1) / steps
        top = [(fx + dx * t0, fy + dy * t0), (fx + fw + dx * t0, fy + dy * t0),
               (fx + fw + dx * t1, fy + dy * t1), (fx + dx * t1, fy + dy * t1)]
        d.polygon(top, fill=shade(GALV, (0.05 * t0, -1.0, 0.35)))
        side = [(fx + fw + dx * t0, fy + dy * t0), (fx + fw + dx * t1, fy + dy * t1),
                (fx + fw + dx * t1, fy + fh + dy * t1), (fx + fw + dx * t0, fy + fh + dy * t0)]
        d.polygon(side, fill=shade(GALV, (0.8, -0.25, 0.75 + 0.2 * t0)))
    # module joints or section joint
    joints = []
    if modules > 1:
        joints = [fw * k / modules for k in range(1, modules)]
    for jx in joints:
        d.line([(fx + jx, fy), (fx + jx + dx, fy + dy)], fill=(112, 118, 122), width=SS * 2)
    if split_casing:
        d.line([(fx, fy + fh / 2 + 0), (fx, fy + fh / 2)], fill=(0, 0, 0))
        d.line([(fx + fw, fy + fh / 2), (fx + fw + dx, fy + fh / 2 + dy)], fill=(112, 118, 122),
               width=SS * 2)
    # flanges along the edges
    edge = shade(GALV_DARK, (0, -0.6, 0.8))
    for a, b in (((fx + dx, fy + dy), (fx + fw + dx, fy + dy)),
                 ((fx + fw + dx, fy + dy), (fx + fw + dx, fy + fh + dy))):
        d.line([a, b], fill=edge, width=SS * 3)
    # front face: flange frame, splitters and airways
    f = SS * 6
    d.rectangle([fx - f, fy - f, fx + fw + f, fy + fh + f], fill=shade(GALV, (-0.2, -0.2, 1.0)))
    for k in range(8):
        for (x, y) in ((fx - f / 2 + (fw + f) * k / 7, fy - f / 2), (fx - f / 2 + (fw + f) * k / 7, fy + fh + f / 2)):
            d.ellipse([x - SS * 1.5, y - SS * 1.5, x + SS * 1.5, y + SS * 1.5], fill=(70, 72, 76))
    d.rectangle([fx, fy, fx + fw, fy + fh], fill=INTERIOR)
    n = splitters * modules
    pitch = fw / n
    sw = pitch * (1 - airway_ratio)
    for i in range(n):
        cx = fx + pitch * (i + 0.5)
        x0, x1 = cx - sw / 2, cx + sw / 2
        cols = int(max(2, x1 - x0))
        for j in range(cols):
            u = (j / max(1, cols - 1)) * 2 - 1  # -1..1 across the rounded nose
            c = shade((206, 210, 212), (u * 0.9, -0.15, math.sqrt(max(0.05, 1 - 0.8 * u * u))))
            d.line([(x0 + j, fy + SS), (x0 + j, fy + fh - SS)], fill=c)
        rnd = random.Random(i)
        for k in range(int(fh / (SS * 9))):
            for q in range(max(1, int(sw / (SS * 9)))):
                x = x0 + (q + 0.5) * sw / max(1, int(sw / (SS * 9)))
                y = fy + (k + 0.5) * SS * 9
                d.ellipse([x - SS, y - SS, x + SS, y + SS], fill=(150, 154, 158))
    if split_casing:
        d.line([(fx - f, fy + fh / 2), (fx + fw + f, fy + fh / 2)], fill=(95, 100, 104), width=SS * 3)
    label_plate(d, int(fx + fw + dx * 0.5), int(fy + fh * 0.55 + dy * 0.5), int(fh * 0.42))
    finish(img, name, size)


# General-arrangement drawings -------------------------------------------------

INK = (20, 24, 28)
DIM = (25, 70, 120)
HIDDEN = (90, 96, 102)


class Ga:
    """A drawing sheet at twice the output size: frame, title, title block."""

    def __init__(self, title):
        self.img = Image.new("RGB", (GA[0] * 2, GA[1] * 2), "white")
        self.d = ImageDraw.Draw(self.img)
        self.f = font(22)
        self.fb = font(26, bold=True)
        self.fs = font(18)
        d = self.d
        W, H = self.img.size
        d.rectangle([8, 8, W - 9, H - 9], outline=INK, width=3)
        d.text((28, 22), title, font=self.fb, fill=INK)
        bx, by = W - 560, H - 92
        d.rectangle([bx, by, W - 9, H - 9], outline=INK, width=2)
        d.line([(bx, by + 42), (W - 9, by + 42)], fill=INK, width=2)
        d.text((bx + 14, by + 9), MAKER, font=self.f, fill=INK)
        d.text((bx + 14, by + 52), "General arrangement, dimensions in mm, not to scale",
               font=self.fs, fill=INK)

    def line(self, pts, width=3, fill=INK):
        self.d.line(pts, fill=fill, width=width)

    def dashed(self, a, b, dash=14, gap=9, fill=HIDDEN, width=2, dot=False):
        (x0, y0), (x1, y1) = a, b
        length = math.hypot(x1 - x0, y1 - y0)
        if length == 0:
            return
        ux, uy = (x1 - x0) / length, (y1 - y0) / length
        t = 0.0
        while t < length:
            t1 = min(length, t + dash)
            self.d.line([(x0 + ux * t, y0 + uy * t), (x0 + ux * t1, y0 + uy * t1)], fill=fill, width=width)
            t = t1 + gap
            if dot and t < length:
                self.d.line([(x0 + ux * t, y0 + uy * t), (x0 + ux * (t + 3), y0 + uy * (t + 3))],
                            fill=fill, width=width)
                t += 3 + gap

    def centre(self, a, b):
        self.dashed(a, b, dash=28, gap=7, fill=(150, 60, 60), width=2, dot=True)

    def arrow(self, tip, direction):
        x, y = tip
        ux, uy = direction
        px, py = -uy, ux
        size = 14
        self.d.polygon([(x, y), (x - ux * size + px * 5, y - uy * size + py * 5),
                        (x - ux * size - px * 5, y - uy * size - py * 5)], fill=DIM)

    def boxed_text(self, cx, cy, text, fnt=None):
        fnt = fnt or self.f
        tw = self.d.textlength(text, font=fnt)
        self.d.rectangle([cx - tw / 2 - 4, cy - 13, cx + tw / 2 + 4, cy + 13], fill="white")
        self.d.text((cx - tw / 2, cy - 13), text, font=fnt, fill=DIM)

    def dim_h(self, x0, x1, y, ref_y, text, above=True):
        """Horizontal dimension at height y with extension lines from ref_y."""
        for x in (x0, x1):
            self.line([(x, ref_y), (x, y + (8 if y > ref_y else -8))], width=1, fill=DIM)
        self.line([(x0, y), (x1, y)], width=2, fill=DIM)
        self.arrow((x0, y), (-1, 0))
        self.arrow((x1, y), (1, 0))
        tw = self.d.textlength(text, font=self.f)
        if above and tw + 8 < abs(x1 - x0):
            self.d.text(((x0 + x1) / 2 - tw / 2, y - 30), text, font=self.f, fill=DIM)
        elif above:  # no room between the arrows: write it beyond the right one
            self.d.text((max(x0, x1) + 6, y - 30), text, font=self.f, fill=DIM)
        else:
            self.boxed_text((x0 + x1) / 2, y, text)

    def dim_v(self, y0, y1, x, ref_x, text):
        for y in (y0, y1):
            self.line([(ref_x, y), (x + (8 if x > ref_x else -8), y)], width=1, fill=DIM)
        self.line([(x, y0), (x, y1)], width=2, fill=DIM)
        self.arrow((x, y0), (0, -1))
        self.arrow((x, y1), (0, 1))
        self.boxed_text(x, (y0 + y1) / 2, text)

    def label(self, xy, text, small=False):
        self.d.text(xy, text, font=self.fs if small else self.f, fill=INK)

    def leader(self, frm, to, text):
        self.line([frm, to], width=1, fill=DIM)
        self.line([to, (to[0] + 12, to[1])], width=1, fill=DIM)
        self.d.ellipse([frm[0] - 4, frm[1] - 4, frm[0] + 4, frm[1] + 4], fill=DIM)
        self.d.text((to[0] + 16, to[1] - 12), text, font=self.fs, fill=DIM)

    def flow_arrow(self, x, y):
        self.line([(x, y), (x + 90, y)], width=2, fill=DIM)
        self.arrow((x + 90, y), (1, 0))
        self.d.text((x + 104, y - 12), "airflow", font=self.fs, fill=DIM)

    def save(self, name):
        col = self.img.resize(GA, Image.LANCZOS).quantize(colors=64, dither=Image.Dither.NONE)
        col.save(os.path.join(IMAGES, name), optimize=True)


def ga_circular(name, title, pod=False, flanged=False, lining_text="t = 50"):
    g = Ga(title)
    cy = 390
    x0, x1 = 190, 640
    R, r = 140, 105  # casing and bore radius in drawing units
    g.label((x0, 80), "SIDE ELEVATION", small=True)
    g.line([(x0, cy - R), (x1, cy - R)])
    g.line([(x0, cy + R), (x1, cy + R)])
    g.line([(x0, cy - R), (x0, cy + R)])
    g.line([(x1, cy - R), (x1, cy + R)])
    if flanged:
        for x in (x0, x1):
            g.line([(x - 6, cy - R - 14), (x - 6, cy + R + 14)], width=5)
        ends = (x0, x1)
    else:
        sl = 70
        for xa, xb in ((x0 - sl, x0), (x1, x1 + sl)):
            g.line([(xa, cy - r), (xb, cy - r)])
            g.line([(xa, cy + r), (xb, cy + r)])
            g.line([(xa if xa < x0 else xb, cy - r), (xa if xa < x0 else xb, cy + r)])
        ends = (x0 - sl, x1 + sl)
    g.dashed((x0, cy - r), (x1, cy - r))
    g.dashed((x0, cy + r), (x1, cy + r))
    g.centre((ends[0] - 30, cy), (ends[1] + 30, cy))
    g.flow_arrow(x0 + 20, cy - R - 110)
    if pod:
        p = 58
        nose, tail = 60, 90
        g.dashed((x0 + nose, cy - p), (x1 - tail, cy - p))
        g.dashed((x0 + nose, cy + p), (x1 - tail, cy + p))
        g.dashed((x0 + nose, cy - p), (x0 + 8, cy))
        g.dashed((x0 + nose, cy + p), (x0 + 8, cy))
        g.dashed((x1 - tail, cy - p), (x1 - 8, cy))
        g.dashed((x1 - tail, cy + p), (x1 - 8, cy))
        g.d.text(((x0 + x1) / 2 - 60, cy + 10), "absorptive pod", font=g.fs, fill=HIDDEN)
    g.dim_h(x0, x1, cy + R + 60, cy + R, "L")
    if not flanged:
        g.dim_h(ends[0], x0, cy + R + 60, cy + r, "80")
        g.dim_h(x1, ends[1], cy + R + 60, cy + r, "80")
    g.dim_v(cy - r, cy + r, ends[0] - 40, ends[0], "ØD")
    g.dim_v(cy - R, cy + R, ends[1] + (50 if not flanged else 80), ends[1], "ØD+2t")
    g.leader((x0 + 60, cy - R + 17), (x0 + 20, cy - R - 45), "absorbent lining, " + lining_text)
    g.leader((x1 - 40, cy - r), (x1 - 120, cy - R - 80), "perforated liner")
    # end view
    ex, ey = 1010, cy
    g.label((ex - 160, 80), "END VIEW", small=True)
    if flanged:
        g.d.ellipse([ex - R - 22, ey - R - 22, ex + R + 22, ey + R + 22], outline=INK, width=2)
        for k in range(12):
            a = k * math.pi / 6 + math.pi / 12
            x, y = ex + math.cos(a) * (R + 11), ey + math.sin(a) * (R + 11)
            g.d.ellipse([x - 5, y - 5, x + 5, y + 5], outline=INK, width=2)
    g.d.ellipse([ex - R, ey - R, ex + R, ey + R], outline=INK, width=3)
    g.d.ellipse([ex - r, ey - r, ex + r, ey + r], outline=INK, width=3)
    for k in range(24):
        a = k * math.pi / 12
        g.line([(ex + math.cos(a) * r, ey + math.sin(a) * r),
                (ex + math.cos(a + 0.2) * R, ey + math.sin(a + 0.2) * R)], width=1, fill=HIDDEN)
    g.centre((ex - R - 40, ey), (ex + R + 40, ey))
    g.centre((ex, ey - R - 40), (ex, ey + R + 40))
    if pod:
        p = 58
        g.d.ellipse([ex - p, ey - p, ex + p, ey + p], outline=INK, width=3)
        g.leader((ex + p * 0.7, ey - p * 0.7), (ex + 120, ey - R - 60), "ØP")
    g.leader((ex - r * 0.7, ey + r * 0.7), (ex - 150, ey + R + 60), "ØD")
    g.save(name)


def ga_rect(name, title, splitters=3, airway_ratio=0.33, modules=1, labels=("t", "a"),
            split_casing=False, made_to_size=False):
    g = Ga(title)
    x0, x1 = 170, 660
    y0, y1 = 200, 560
    g.label((x0, 80), "PLAN", small=True)
    g.flow_arrow(x0 + 20, y0 - 60)
    g.line([(x0, y0), (x1, y0)])
    g.line([(x0, y1), (x1, y1)])
    g.line([(x0, y0), (x0, y1)])
    g.line([(x1, y0), (x1, y1)])
    for x in (x0, x1):
        g.line([(x - 5, y0 - 12), (x - 5, y1 + 12)], width=5)
    n = splitters * modules
    pitch = (y1 - y0) / n
    sw = pitch * (1 - airway_ratio)
    for i in range(n):
        cy = y0 + pitch * (i + 0.5)
        a, b = cy - sw / 2, cy + sw / 2
        g.dashed((x0 + sw / 2, a), (x1 - sw / 2, a))
        g.dashed((x0 + sw / 2, b), (x1 - sw / 2, b))
        g.d.arc([x0 + 2, a, x0 + sw, b], 90, 270, fill=HIDDEN, width=2)
        g.d.arc([x1 - sw, a, x1 - 2, b], 270, 90, fill=HIDDEN, width=2)
    if modules > 1:
        for k in range(1, modules):
            y = y0 + (y1 - y0) * k / modules
            g.line([(x0, y), (x1, y)], width=2)
    g.dim_h(x0, x1, y1 + 70, y1, "L")
    g.dim_v(y0, y1, x0 - 60, x0, "W")
    if made_to_size:
        g.d.text((x0, y1 + 95), "W and H made to the duct" + (", W in whole modules" if modules > 1 else ""),
                 font=g.fs, fill=HIDDEN)
    # end view: splitters and airways
    ex0, ex1 = 820, 1120
    ey0, ey1 = 250, 540
    g.label((ex0, 80), "END VIEW", small=True)
    g.d.rectangle([ex0 - 12, ey0 - 12, ex1 + 12, ey1 + 12], outline=INK, width=5)
    g.d.rectangle([ex0, ey0, ex1, ey1], outline=INK, width=3)
    epitch = (ex1 - ex0) / n
    esw = epitch * (1 - airway_ratio)
    for i in range(n):
        cx = ex0 + epitch * (i + 0.5)
        g.d.rectangle([cx - esw / 2, ey0, cx + esw / 2, ey1], outline=INK, width=2, fill=(236, 232, 214))
        for k in range(int((ey1 - ey0) / 16)):
            y = ey0 + 8 + k * 16
            g.line([(cx - esw / 2 + 3, y), (cx + esw / 2 - 3, y + 10)], width=1, fill=(180, 170, 140))
    if modules > 1:
        for k in range(1, modules):
            x = ex0 + (ex1 - ex0) * k / modules
            g.line([(x, ey0 - 12), (x, ey1 + 12)], width=3)
        g.dim_h(ex0, ex0 + (ex1 - ex0) / modules, ey0 - 80, ey0, "module")
    if split_casing:
        g.line([(ex0 - 20, (ey0 + ey1) / 2), (ex1 + 20, (ey0 + ey1) / 2)], width=4)
        g.leader((ex0 + 40, (ey0 + ey1) / 2), (ex0 - 40, ey1 + 110), "section joint")
    g.dim_h(ex0, ex1, ey1 + 60, ey1, "W")
    g.dim_v(ey0, ey1, ex1 + 60, ex1, "H")
    cx = ex0 + epitch * 0.5
    g.dim_h(cx - esw / 2, cx + esw / 2, ey0 - 30, ey0, labels[0], above=True)
    a0 = cx + esw / 2
    g.dim_h(a0, a0 + epitch - esw, ey0 - 30, ey0, labels[1], above=True)
    g.save(name)


def logo():
    s = 4
    W, H = 360 * s, 100 * s
    img = Image.new("RGB", (W, H), "white")
    d = ImageDraw.Draw(img)
    navy, teal = (11, 47, 78), (16, 128, 140)
    # mark: a silencer face with three splitters, waves fading through it
    mx, my, mw, mh = 10 * s, 14 * s, 72 * s, 72 * s
    d.rounded_rectangle([mx, my, mx + mw, my + mh], radius=10 * s, fill=navy)
    for i in range(3):
        x = mx + 12 * s + i * 20 * s
        d.rounded_rectangle([x, my + 10 * s, x + 9 * s, my + mh - 10 * s], radius=4 * s, fill="white")
    for k, a in enumerate((1.0, 0.6, 0.3)):
        r = (14 + 12 * k) * s
        cx, cy = mx + mw + 4 * s, my + mh / 2
        col = tuple(int(255 - (255 - c) * a) for c in teal)
        d.arc([cx - r, cy - r, cx + r, cy + r], -50, 50, fill=col, width=5 * s)
    d.text((130 * s, 20 * s), "TARNHOLM", font=font(36 * s, bold=True), fill=navy)
    d.text((132 * s, 64 * s), "A C O U S T I C S", font=font(15 * s), fill=teal)
    out = img.resize((360, 100), Image.LANCZOS).quantize(colors=32, dither=Image.Dither.NONE)
    os.makedirs(DOCUMENTS, exist_ok=True)
    out.save(os.path.join(DOCUMENTS, "Logo.gif"))


def main():
    os.makedirs(IMAGES, exist_ok=True)
    render_cylinder("tcr_photo.png", long=0.8)
    render_cylinder("tcr_flanged_photo.png", long=0.9, flanged=True)
    render_cylinder("tch_photo.png", long=1.0)
    render_cylinder("tcv_photo.png", long=0.9, ends="flange")
    render_cylinder("tap_photo.png", pod=0.55, long=0.9, ends="flange")
    render_cylinder("tap_large_photo.png", pod=0.56, long=0.75, flanged=True)
    render_cylinder("tav_photo.png", pod=0.62, long=1.0, ends="flange")
    render_box("trf_photo.png", splitters=3, airway_ratio=0.33, depth=0.7)
    render_box("trn_photo.png", splitters=4, airway_ratio=0.33, depth=0.55)
    render_box("trm_photo.png", splitters=2, airway_ratio=0.4, modules=3, depth=0.6, aspect=0.5)
    render_box("trv_photo.png", splitters=4, airway_ratio=0.5, depth=0.65, aspect=0.7)

    ga_circular("tcr_ga.png", "TCR circular silencer, 50 mm lining")
    ga_circular("tcr_flanged_ga.png", "TCR circular silencer, flanged (800 mm and over)", flanged=True)
    ga_circular("tch_ga.png", "TCH circular silencer, 100 mm lining", lining_text="t = 100")
    ga_circular("tcv_ga.png", "TCV circular silencer, made to duct diameter", flanged=True,
                lining_text="t = 50 to 100")
    ga_circular("tap_ga.png", "TAP annular pod silencer", pod=True, flanged=True,
                lining_text="t = 50 / 75")
    ga_circular("tav_ga.png", "TAV annular silencer, made to duct diameter", pod=True, flanged=True,
                lining_text="t = 75")
    ga_rect("trf_ga.png", "TRF splitter silencer, standard sizes", labels=("200", "100"))
    ga_rect("trf_split_ga.png", "TRF splitter silencer, two-section casing (H 1200)",
            labels=("200", "100"), split_casing=True)
    ga_rect("trn_ga.png", "TRN narrow-airway splitter silencer", splitters=4, labels=("150", "75"))
    ga_rect("trm_ga.png", "TRM modular splitter silencer", splitters=1, airway_ratio=0.4, modules=3,
            labels=("t", "a"), made_to_size=True)
    ga_rect("trv_ga.png", "TRV splitter silencer, made to duct size", splitters=4, airway_ratio=0.5,
            labels=("t", "a"), made_to_size=True)
    logo()


if __name__ == "__main__":
    main()
