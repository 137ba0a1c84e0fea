#!/usr/bin/python3
"""Writes the shipped catalogue: content/data/*.xml and content/catalog/*.htm.

Run from anywhere: /usr/bin/python3 content/source/make_catalogue.py
The figures come from acoustics.py; see content/data/README.md.
"""

import math
import os
import sys
from xml.sax.saxutils import escape, quoteattr

sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import acoustics as ac  # noqa: E402

CONTENT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))
DATA = os.path.join(CONTENT, "data")
CATALOG = os.path.join(CONTENT, "catalog")

APP_CODE = "{3A7E91C4-58D2-4B6F-A0E3-7C19D54B28F6}"
MAKER = "Tarnholm Acoustics"
MODEL_NOTES = "README.md"


def fmt_num(x):
    if abs(x - round(x)) < 1e-9:
        return str(int(round(x)))
    return ("%.3f" % x).rstrip("0").rstrip(".")


def fmt_list(values):
    return ", ".join(fmt_num(v) for v in values)


class Body:
    def __init__(self, name, size, sil, weight, k=None, k_param=None, k_list=None,
                 images=(), ancillaries=()):
        self.name = name
        self.size = size
        self.sil = sil
        self.weight = weight
        self.k = k
        self.k_param = k_param
        self.k_list = k_list
        self.images = list(images)  # (src, alt)
        self.ancillaries = list(ancillaries)  # (name, kg)


class Range:
    def __init__(self, **kw):
        self.__dict__.update(kw)
        self.bodies = []


# Ranges ---------------------------------------------------------------------

R20_CIRC = (100, 125, 160, 200, 250, 315, 355, 400, 450, 500, 560, 630, 710, 800, 900, 1000)
HEIGHTS_VAR = tuple(range(200, 2401, 100))
WIDTHS_MOD = tuple(range(200, 3601, 100))


def circ_lengths(d, offered):
    """Three lengths per diameter: longer units for the larger bores."""
    if d <= 315:
        want = (600, 900, 1200)
    elif d <= 630:
        want = (900, 1200, 1800)
    else:
        want = (1200, 1800, 2400)
    return [x for x in want if x in offered] or list(offered[:3])


def circ_ancillaries(d):
    return [("Mounting brackets", round(0.9 + 1.6 * d, 1))]


def rect_ancillaries(h, w):
    return [("Mounting feet", round(1.2 + 0.8 * w, 1)),
            ("Matching flanges", round(2 * 2 * (h + w) * 1.4, 1))]


def make_tcr():
    r = Range(
        file="tcr-circular.xml", prefix="TCR", page="tcr.htm",
        title="TCR circular silencers, 50 mm lining",
        description="Circular silencer, 50 mm lining",
        usage="Branch and riser ducts, 100 to 800 mm",
        shape="circular", kind="fixed",
        columns=["Diameter", "Length"], attrs={"diameter": "Diameter", "length": "Length"},
        lengths=[600, 900, 1200, 1800, 2400], heights=None, widths=None, kfactor=1.0,
        media=("mineral wool 40 kg/m3, glass tissue, perforated liner", 40),
        photo="tcr_photo.png", ga="tcr_ga.png",
        lining=0.05)
    for d in R20_CIRC[:14]:
        for length in circ_lengths(d, r.lengths):
            D, L = d / 1000, length / 1000
            imgs = []
            if d >= 800:
                imgs = [("tcr_flanged_photo.png", "photo"), ("tcr_flanged_ga.png", "ga")]
            r.bodies.append(Body(
                "%d-%d" % (d, length), [d, length], ac.circular_il(L, D, r.lining),
                ac.circular_weight(D, L, r.lining), k=ac.circular_k(L, D), images=imgs,
                ancillaries=circ_ancillaries(D)))
    return r


def make_tch():
    r = Range(
        file="tch-circular-hd.xml", prefix="TCH", page="tch.htm",
        title="TCH circular silencers, 100 mm lining",
        description="Circular silencer, 100 mm lining",
        usage="Main ducts and plant, 200 to 1000 mm",
        shape="circular", kind="fixed",
        columns=["Diameter", "Length"], attrs={"diameter": "Diameter", "length": "Length"},
        lengths=[900, 1200, 1800, 2400], heights=None, widths=None, kfactor=1.0,
        media=("mineral wool 40 kg/m3, glass tissue, perforated liner", 40),
        photo="tch_photo.png", ga="tch_ga.png",
        lining=0.1)
    for d in R20_CIRC[3:]:
        for length in circ_lengths(d, r.lengths):
            D, L = d / 1000, length / 1000
            r.bodies.append(Body(
                "%d-%d" % (d, length), [d, length], ac.circular_il(L, D, r.lining),
                ac.circular_weight(D, L, r.lining), k=ac.circular_k(L, D),
                ancillaries=circ_ancillaries(D)))
    return r


def make_tcv():
    r = Range(
        file="tcv-circular-var.xml", prefix="TCV", page="tcv.htm",
        title="TCV circular silencers made to duct diameter",
        description="Circular silencer made to duct diameter",
        usage="Ducts 200 to 630 mm; data for 630 mm",
        shape="circular", kind="variable",
        columns=["Length", "Lining"], attrs={"length": "Length"},
        lengths=[900, 1200, 1500, 1800, 2400], heights=None, widths=None, kfactor=1.0,
        media=("mineral wool 40 kg/m3, glass tissue, perforated liner", 40),
        photo="tcv_photo.png", ga="tcv_ga.png",
        d_ref=0.63)
    for lining in (50, 75, 100):
        for length in r.lengths:
            t, L = lining / 1000, length / 1000
            r.bodies.append(Body(
                "%d-%d" % (lining, length), [length, lining],
                ac.circular_il(L, r.d_ref, t), ac.circular_weight(r.d_ref, L, t),
                k=ac.circular_k(L, r.d_ref)))
    return r


def tap_pod(d):
    return int(round(0.56 * d / 10.0)) * 10


def make_tap():
    r = Range(
        file="tap-annular.xml", prefix="TAP", page="tap.htm",
        title="TAP annular pod silencers",
        description="Annular silencer with central pod",
        usage="Axial fan inlets and outlets, 315 to 1600 mm",
        shape="annular", kind="fixed",
        columns=["Diameter", "Pod", "Length"],
        attrs={"diameter": "Diameter", "pod": "Pod", "length": "Length"},
        lengths=[600, 900, 1200, 1800, 2400, 3000], heights=None, widths=None, kfactor=1.0,
        media=("mineral wool 40 kg/m3, glass tissue, perforated facings", 40),
        photo="tap_photo.png", ga="tap_ga.png")
    for d in (315, 400, 500, 630, 710, 800, 900, 1000, 1120, 1250, 1400, 1600):
        p = tap_pod(d)
        lining = 0.05 if d <= 500 else 0.075
        if d <= 500:
            lengths = (600, 900, 1200)
        elif d <= 1000:
            lengths = (1200, 1800, 2400)
        else:
            lengths = (1800, 2400, 3000)
        for length in lengths:
            D, P, L = d / 1000, p / 1000, length / 1000
            imgs = [("tap_large_photo.png", "photo")] if d >= 1120 else []
            r.bodies.append(Body(
                "%d-%d" % (d, length), [d, p, length], ac.annular_il(L, D, P, lining),
                ac.annular_weight(D, P, L, lining), k=ac.annular_k(L, D, P), images=imgs,
                ancillaries=circ_ancillaries(D)))
    return r


def make_tav():
    r = Range(
        file="tav-annular-var.xml", prefix="TAV", page="tav.htm",
        title="TAV annular silencers made to duct diameter",
        description="Annular pod silencer made to duct diameter",
        usage="Ducts 400 to 800 mm; data for 800 mm",
        shape="annular", kind="variable",
        columns=["Length", "Ratio"], attrs={"length": "Length"},
        lengths=[900, 1200, 1800, 2400, 3000], heights=None, widths=None, kfactor=1.0,
        media=("mineral wool 40 kg/m3, glass tissue, perforated facings", 40),
        photo="tav_photo.png", ga="tav_ga.png",
        d_ref=0.8, lining=0.075)
    for ratio in (50, 60, 70):
        for length in r.lengths:
            D, L = r.d_ref, length / 1000
            P = D * ratio / 100
            sigma = (D * D - P * P) / (D * D)
            r.bodies.append(Body(
                "%d-%d" % (ratio, length), [length, ratio], ac.annular_il(L, D, P, r.lining),
                ac.annular_weight(D, P, L, r.lining), k=ac.annular_k(L, D, P) / sigma ** 2))
    return r


def splitter_count(width, module):
    return int(round(width / module))


def make_trf():
    r = Range(
        file="trf-splitter.xml", prefix="TRF", page="trf.htm",
        title="TRF splitter silencers, standard sizes",
        description="Splitter silencer, 200 mm splitters, 100 mm airways",
        usage="Air-handling units and plant rooms",
        shape="rectangular", kind="fixed",
        columns=["Height", "Width", "Length", "Gap", "Splitters"],
        attrs={"height": "Height", "width": "Width", "length": "Length", "gap": "Gap"},
        lengths=[1200, 1800, 2400], heights=[300, 450, 600, 900, 1200],
        widths=[600, 900, 1200, 1500, 1800], kfactor=1.0,
        media=("mineral wool 48 kg/m3, glass tissue, perforated facings", 48),
        photo="trf_photo.png", ga="trf_ga.png",
        splitter=0.2, airway=0.1)
    module = r.splitter + r.airway
    for h in r.heights:
        for w in r.widths:
            for length in r.lengths:
                H, W, L = h / 1000, w / 1000, length / 1000
                n = splitter_count(W, module)
                gap = int(round(n * r.airway * 1000))
                imgs = [("trf_split_ga.png", "ga")] if h >= 1200 else []
                r.bodies.append(Body(
                    "%dx%d-%d" % (h, w, length), [h, w, length, gap, n],
                    ac.splitter_il(L, r.airway, r.splitter),
                    ac.rect_weight(H, W, L, n, r.splitter),
                    k=ac.splitter_k(L, r.airway, r.splitter, H), images=imgs,
                    ancillaries=rect_ancillaries(H, W)))
    return r


def make_trn():
    r = Range(
        file="trn-splitter-na.xml", prefix="TRN", page="trn.htm",
        title="TRN narrow-airway splitter silencers",
        description="Splitter silencer, 150 mm splitters, 75 mm airways",
        usage="High loss at 1 to 8 kHz in short lengths",
        shape="rectangular", kind="fixed",
        columns=["Height", "Width", "Length", "Gap", "Splitters"],
        attrs={"height": "Height", "width": "Width", "length": "Length", "gap": "Gap"},
        lengths=[1200, 1800, 2400], heights=[300, 450, 600, 900],
        widths=[675, 900, 1350, 1800], kfactor=1.1,
        media=("mineral wool 48 kg/m3, glass tissue, perforated facings", 48),
        photo="trn_photo.png", ga="trn_ga.png",
        splitter=0.15, airway=0.075)
    module = r.splitter + r.airway
    for h in r.heights:
        for w in r.widths:
            for length in r.lengths:
                H, W, L = h / 1000, w / 1000, length / 1000
                n = splitter_count(W, module)
                gap = int(round(n * r.airway * 1000))
                r.bodies.append(Body(
                    "%dx%d-%d" % (h, w, length), [h, w, length, gap, n],
                    ac.splitter_il(L, r.airway, r.splitter),
                    ac.rect_weight(H, W, L, n, r.splitter),
                    k=ac.splitter_k(L, r.airway, r.splitter, H),
                    ancillaries=rect_ancillaries(H, W)))
    return r


def make_trm():
    r = Range(
        file="trm-modular.xml", prefix="TRM", page="trm.htm",
        title="TRM modular splitter silencers",
        description="Modular splitter silencer made to duct size",
        usage="Made to duct height, width in whole modules",
        shape="rectangular", kind="variable",
        columns=["Length", "Width", "Gap", "Modules"],
        attrs={"length": "Length", "width": "Width", "gap": "Gap", "maxmodules": "Modules"},
        lengths=[900, 1200, 1500, 1800, 2400], heights=list(HEIGHTS_VAR),
        widths=list(WIDTHS_MOD), kfactor=1.0,
        media=("mineral wool 48 kg/m3, glass tissue, perforated facings", 48),
        photo="trm_photo.png", ga="trm_ga.png")
    for splitter, airway in ((100, 100), (200, 100), (150, 150), (200, 200), (300, 200), (300, 250)):
        m = splitter + airway
        max_modules = min(12, 3600 // m)
        for length in r.lengths:
            t, a, L = splitter / 1000, airway / 1000, length / 1000
            k_list = [round(ac.splitter_k(L, a, t, h / 1000), 3) for h in r.heights]
            r.bodies.append(Body(
                "%d-%d-%d" % (splitter, airway, length), [length, m, airway, max_modules],
                ac.splitter_il(L, a, t), ac.rect_weight(1.0, 1.0, L, 1000.0 / m, t),
                k_param="height", k_list=k_list))
    return r


def side_wall_k(length, airway, module, width):
    """Extra loss of the two half airways against the side walls.

    They carry 1/n of the flow (n = width / module airways) through a
    passage of half the hydraulic diameter of a full airway."""
    return (module / width) * ac.FRICTION * length / airway


def make_trv():
    r = Range(
        file="trv-splitter-var.xml", prefix="TRV", page="trv.htm",
        title="TRV splitter silencers made to duct size",
        description="Splitter silencer made to duct size",
        usage="Ducts 200 x 200 to 2400 x 2400 mm",
        shape="rectangular", kind="variable",
        columns=["Length", "Splitter", "Airway"], attrs={"length": "Length"},
        lengths=[900, 1200, 1800, 2400], heights=list(HEIGHTS_VAR),
        widths=list(HEIGHTS_VAR), kfactor=1.0,
        media=("mineral wool 48 kg/m3, glass tissue, perforated facings", 48),
        photo="trv_photo.png", ga="trv_ga.png")
    for splitter, airway in ((100, 100), (200, 100), (200, 150), (200, 200), (300, 300)):
        m = splitter + airway
        sigma_nom = airway / m
        for length in r.lengths:
            t, a, L = splitter / 1000, airway / 1000, length / 1000
            name = "%d-%d-%d" % (splitter, airway, length)
            size = [length, splitter, airway]
            sil = ac.splitter_il(L, a, t)
            weight = ac.rect_weight(1.0, 1.0, L, 1000.0 / m, t)
            if splitter == 200 and airway in (100, 150):
                # Narrow units: the top and bottom casing walls add friction.
                k_list = [round(ac.splitter_k(L, a, t, h / 1000) / sigma_nom ** 2, 3)
                          for h in r.heights]
                body = Body(name, size, sil, weight, k_param="height", k_list=k_list)
            elif splitter == 100 or (splitter == 200 and airway == 200):
                # Narrow units: the half airways at the side walls weigh more.
                k_list = [round((ac.splitter_k(L, a, t, 1.0)
                                 + side_wall_k(L, a, m / 1000, w / 1000)) / sigma_nom ** 2, 3)
                          for w in r.widths]
                body = Body(name, size, sil, weight, k_param="width", k_list=k_list)
            else:
                body = Body(name, size, sil, weight,
                            k=ac.splitter_k(L, a, t, 1.0) / sigma_nom ** 2)
            r.bodies.append(body)
    return r


RANGES = [make_tcr(), make_tch(), make_tcv(), make_tap(), make_tav(),
          make_trf(), make_trn(), make_trm(), make_trv()]


# Weight equation of each range -----------------------------------------------

def weight_samples(r):
    out = []
    if r.shape == "rectangular" and r.kind == "fixed":
        for b in r.bodies:
            h, w, length = b.size[0] / 1000, b.size[1] / 1000, b.size[2] / 1000
            out.append((h * w, 2 * (h + w), length, b.weight))
    elif r.shape == "rectangular":
        # Made-to-size: sample the body model over the offered sizes.
        for b in r.bodies:
            for h in (0.4, 0.8, 1.2, 1.8):
                for w in (0.6, 1.2, 2.4):
                    length = b.size[0] / 1000
                    if "Splitter" in r.columns:
                        t = b.size[1] / 1000
                        m = (b.size[1] + b.size[2]) / 1000
                    else:
                        m = b.size[1] / 1000
                        t = m - b.size[2] / 1000
                    out.append((h * w, 2 * (h + w), length,
                                ac.rect_weight(h, w, length, max(1, round(w / m)), t)))
    else:
        for b in r.bodies:
            if r.kind == "fixed":
                d = b.size[0] / 1000
                length = b.size[-1] / 1000
            else:
                d = r.d_ref
                length = b.size[0] / 1000
            out.append((math.pi / 4 * d * d, math.pi * d, length, b.weight))
    return out


# XML ------------------------------------------------------------------------

def write_xml(r):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>',
             '<catalogue type="silencer">',
             "  <head>"]

    def el(indent, tag, text, **attrs):
        a = "".join(" %s=%s" % (k, quoteattr(v)) for k, v in attrs.items())
        lines.append("%s<%s%s>%s</%s>" % (" " * indent, tag, a, escape(text), tag))

    el(4, "code", APP_CODE)
    el(4, "title", r.title)
    el(4, "maker", MAKER)
    el(4, "description", r.description)
    el(4, "usage", r.usage)
    el(4, "prefix", r.prefix)
    size_attrs = {"shape": r.shape, "kind": r.kind}
    size_attrs.update(r.attrs)
    el(4, "size", ",".join(r.columns), **size_attrs)
    el(4, "length", fmt_list(r.lengths))
    if r.heights:
        el(4, "height", fmt_list(r.heights))
    if r.widths:
        el(4, "width", fmt_list(r.widths))
    el(4, "kfactor", fmt_num(r.kfactor))
    c = ac.fit_weight(weight_samples(r))
    r.weight_coeffs = c
    el(4, "weight", "%.1f, %.1f, %.1f" % tuple(c), eqn="kg=c0*A+c1*A*L+c2*P*L")
    el(4, "media", fmt_num(r.media[1]), kind=r.media[0])
    lines.append("    <img src=%s alt=\"photo\"/>" % quoteattr(r.photo))
    lines.append("    <img src=%s alt=\"ga\"/>" % quoteattr(r.ga))
    lines.append("    <ref href=%s/>" % quoteattr("../catalog/" + r.page))
    lines.append("    <ref href=%s/>" % quoteattr(MODEL_NOTES))
    lines.append("    <page href=%s/>" % quoteattr(r.page))
    lines.append("  </head>")
    lines.append("  <body>")
    for b in r.bodies:
        lines.append("    <item>")
        el(6, "name", b.name)
        el(6, "size", ",".join(fmt_num(v) for v in b.size))
        el(6, "sil", ", ".join(str(v) for v in b.sil))
        if b.k_param:
            el(6, "kfactor", ", ".join("%.3f" % k for k in b.k_list), param=b.k_param)
        else:
            el(6, "kfactor", "%.3f" % b.k)
        el(6, "weight", "%.1f" % b.weight)
        for src, alt in b.images:
            lines.append("      <img src=%s alt=%s/>" % (quoteattr(src), quoteattr(alt)))
        for name, kg in b.ancillaries:
            lines.append("      <ancillary>")
            el(8, "name", name)
            el(8, "weight", "%.1f" % kg)
            lines.append("      </ancillary>")
        lines.append("    </item>")
    lines.append("  </body>")
    lines.append("</catalogue>")
    with open(os.path.join(DATA, r.file), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


# Catalogue pages ------------------------------------------------------------

BAND_HEADS = ("63", "125", "250", "500", "1k", "2k", "4k", "8k")

PAGE_HEAD = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>%s</title>
<link rel="stylesheet" href="catalog.css">
</head>
<body>
<div class="top"><a href="index.htm#noise_control">Noise control catalogue</a> &middot; %s</div>
"""

PAGE_FOOT = """<p class="foot">Insertion losses measured to ISO 7235 without airflow, in whole dB,
rounded; figures above 55 dB are published as 55 dB. Weights are for galvanised steel casings
without ancillaries. Data subject to change without notice.</p>
</body>
</html>
"""


def kind_text(r):
    shape = {"circular": "Circular", "annular": "Annular", "rectangular": "Rectangular"}[r.shape]
    return "%s, %s" % (shape, "standard sizes" if r.kind == "fixed" else "made to duct size")


def velocity_basis(r):
    if r.kind == "fixed":
        if r.shape == "rectangular":
            return "the airway (passage) velocity, airflow / (H &times; W &times; Gap / Width)"
        if r.shape == "annular":
            return "the velocity in the annulus, airflow / (&pi;/4 &times; (D&sup2; &minus; P&sup2;))"
        return "the duct velocity, airflow / (&pi;/4 &times; D&sup2;)"
    if r.shape == "rectangular" and "maxmodules" in r.attrs:
        return ("the airway velocity, airflow / (H &times; n &times; module width &times; airway / "
                "module width), n whole modules")
    if r.shape == "rectangular":
        return "the duct face velocity, airflow / (H &times; W)"
    return "the duct face velocity, airflow / (&pi;/4 &times; D&sup2;)"


def body_k_text(r, b):
    if b.k_param:
        lo, hi = min(b.k_list), max(b.k_list)
        return "%.2f&ndash;%.2f (by %s)" % (lo, hi, b.k_param)
    return "%.2f" % b.k


def example_dp(r):
    """A worked example at a typical velocity, for the notes."""
    b = r.bodies[len(r.bodies) // 2]
    k = (b.k if not b.k_param else b.k_list[len(b.k_list) // 2]) * r.kfactor
    v = 10.0 if r.kind == "fixed" or "maxmodules" in r.attrs else 5.0
    return b, k, v, ac.pressure_drop(k, v)


def write_page(r):
    out = [PAGE_HEAD % (escape(r.title), escape(r.title))]
    out.append("<h1>%s</h1>" % escape(r.title))
    out.append('<div class="pics"><img src="../program/images/%s" alt="%s photograph">'
               '<img src="../program/images/%s" alt="%s general arrangement"></div>'
               % (r.photo, r.prefix, r.ga, r.prefix))
    out.append("<p class=\"lead\">%s.</p>" % escape(r.description))
    out.append("<table class=\"facts\">")
    out.append("<tr><th>Maker</th><td>%s</td></tr>" % escape(MAKER))
    out.append("<tr><th>Type</th><td>%s</td></tr>" % kind_text(r))
    out.append("<tr><th>Application</th><td>%s</td></tr>" % escape(r.usage))
    out.append("<tr><th>Model code</th><td>%s-<i>name</i></td></tr>" % r.prefix)
    out.append("<tr><th>Infill</th><td>%s</td></tr>" % escape(r.media[0]))
    out.append("<tr><th>Offered lengths</th><td>%s mm</td></tr>" % fmt_list(r.lengths))
    if r.kind == "variable" and r.heights:
        out.append("<tr><th>Heights</th><td>%d to %d mm in 100 mm steps</td></tr>"
                   % (r.heights[0], r.heights[-1]))
    out.append("<tr><th>Bodies</th><td>%d</td></tr>" % len(r.bodies))
    out.append("</table>")
    out.append(construction_text(r))

    out.append("<h2>Sizes and insertion loss</h2>")
    out.append('<table class="data"><thead><tr><th rowspan="2">Model</th>')
    for col in r.columns:
        out.append('<th rowspan="2">%s<br>[mm]</th>' % col if col not in ("Modules", "Splitters", "Ratio")
                   else '<th rowspan="2">%s%s</th>' % (col, "<br>[%]" if col == "Ratio" else ""))
    out.append('<th colspan="8">Insertion loss [dB], octave band centre [Hz]</th>'
               '<th rowspan="2">K</th><th rowspan="2">Weight<br>[kg]</th></tr><tr>')
    out.extend("<th>%s</th>" % h for h in BAND_HEADS)
    out.append("</tr></thead><tbody>")
    for b in r.bodies:
        cells = ["<td class=\"m\">%s-%s</td>" % (r.prefix, escape(b.name))]
        cells += ["<td>%s</td>" % fmt_num(v) for v in b.size]
        cells += ["<td>%d</td>" % v for v in b.sil]
        cells.append("<td>%s</td>" % body_k_text(r, b))
        cells.append("<td>%.0f</td>" % b.weight)
        out.append("<tr>%s</tr>" % "".join(cells))
    out.append("</tbody></table>")
    if r.kind == "variable" and r.shape == "rectangular":
        out.append("<p class=\"note\">Weights of made-to-size units are for a 1000 &times; 1000 mm face; "
                   "other sizes: kg = %.1f&middot;A + %.1f&middot;A&middot;L + %.1f&middot;P&middot;L "
                   "(A face area m&sup2;, P face perimeter m, L length m).</p>" % tuple(r.weight_coeffs))
    elif r.kind == "variable":
        out.append("<p class=\"note\">Insertion loss and weight are quoted for an %d mm duct. "
                   "Smaller diameters attenuate more at mid and high frequencies.</p>" % int(r.d_ref * 1000))

    out.append("<h2>Pressure drop</h2>")
    b, k, v, dp = example_dp(r)
    out.append("<p>Static pressure drop &Delta;p = K<sub>range</sub> &times; K &times; &frac12; &rho; v&sup2; "
               "with &rho; = 1.2 kg/m&sup3;, where v is %s. K<sub>range</sub> = %s for this range.</p>"
               % (velocity_basis(r), fmt_num(r.kfactor)))
    out.append("<p>Example: %s-%s at v = %.0f m/s: K = %.2f, &Delta;p = %.0f Pa.</p>"
               % (r.prefix, escape(b.name), v, k, dp))
    out.append(pressure_notes(r))
    out.append("<h2>Regenerated noise</h2><p>The selection program estimates the flow noise from the "
               "passage velocity, the number of modules and the height (rectangular) or diameter "
               "(circular). Keep airway velocities below about 15 m/s in noise-sensitive systems.</p>")
    out.append(PAGE_FOOT)
    with open(os.path.join(CATALOG, r.page), "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(out))


def construction_text(r):
    if r.shape == "circular":
        return ("<p>Spiral-seam galvanised casing with a perforated galvanised inner liner (23 % open) "
                "and glass-tissue faced mineral wool between the two. The free bore equals the duct "
                "diameter, so the unit adds no contraction. Spigot ends for push-fit ductwork up to "
                "710 mm, drilled flanges from 800 mm.</p>")
    if r.shape == "annular":
        return ("<p>Lined galvanised casing with a central pod of perforated galvanised sheet filled "
                "with mineral wool, with a nose cone and a tail cone. The pod is carried on four "
                "streamlined struts. Flanged ends drilled to suit fan flanges.</p>")
    return ("<p>Galvanised sheet casing with 30 mm folded flanges. Splitters of perforated galvanised "
            "sheet (23 % open) filled with glass-tissue faced mineral wool, with rounded nose and "
            "tail fairings. Half airways lie against the side walls.</p>")


def pressure_notes(r):
    if r.kind == "variable" and r.shape == "rectangular" and "maxmodules" not in r.attrs:
        return ("<p>K values of this range refer to the duct face velocity and include the "
                "contraction into the airways (K<sub>face</sub> = K<sub>airway</sub> / &sigma;&sup2;, "
                "&sigma; the open-area ratio). Units listed with a K range take their value from the "
                "duct height or width.</p>")
    if r.kind == "variable" and r.shape == "rectangular":
        return ("<p>K refers to the airway velocity; it falls slightly with the unit height because "
                "the top and bottom walls contribute less friction.</p>")
    if r.kind == "variable":
        return ("<p>K refers to the duct face velocity and includes the area taken by the pod "
                "(K<sub>face</sub> = K<sub>annulus</sub> / &sigma;&sup2;).</p>")
    return ("<p>Keep face velocities below about 8 m/s at the unit connection for quiet "
            "systems.</p>")


INDEX = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Tarnholm Acoustics - noise control catalogue</title>
<link rel="stylesheet" href="catalog.css">
</head>
<body>
<div class="top">Tarnholm Acoustics</div>
<h1 id="noise_control">Noise control: duct silencers</h1>
<p class="lead">Dissipative duct silencers for air-conditioning and ventilation systems. Every range
below is in the selection program; the pages give sizes, octave-band insertion loss, pressure-drop
factors and weights.</p>
<table class="data index">
<thead><tr><th>Range</th><th>Type</th><th>Application</th><th>Bodies</th></tr></thead>
<tbody>
%s
</tbody>
</table>
<h2>How the figures are obtained</h2>
<p>Insertion loss is the difference in sound power level in the duct with and without the
silencer, measured in octave bands without airflow to ISO 7235. Pressure drop is the static
pressure difference with uniform inflow and a straight outlet duct; add allowances for bends
or fans closer than three duct widths. Regenerated noise is estimated by the selection program
from the passage velocity.</p>
<h2>Choosing a silencer</h2>
<ul>
<li>Longer units attenuate more in every band; narrower airways raise the mid and high
frequency loss; thicker splitters or linings raise the low-frequency loss.</li>
<li>High frequencies beam through wide airways: for 4 kHz and 8 kHz choose airways of 100 mm or
less.</li>
<li>Pressure drop grows with the square of the velocity: a unit one size larger than the duct,
with transitions, often meets the pressure limit where a duct-size unit cannot.</li>
</ul>
<p class="foot">Data subject to change without notice.</p>
</body>
</html>
"""

CSS = """body { font-family: "DejaVu Sans", Arial, Helvetica, sans-serif; font-size: 10pt;
  color: #1b2a33; margin: 1.5em 2em; max-width: 62em; }
h1 { color: #0b4f6c; font-size: 1.6em; margin: 0.4em 0; }
h2 { color: #0b4f6c; font-size: 1.2em; margin-top: 1.4em; border-bottom: 1px solid #9fb8c4; }
a { color: #0b6e99; }
.top { font-size: 0.85em; color: #56707c; border-bottom: 3px solid #0b4f6c; padding-bottom: 0.3em; }
.lead { font-size: 1.1em; }
.pics img { max-height: 220px; margin: 0 1em 0.5em 0; border: 1px solid #c9d6dc; }
table.facts th { text-align: left; padding-right: 1.5em; color: #56707c; font-weight: normal; }
table.data { border-collapse: collapse; font-size: 0.9em; }
table.data th { background: #dbe8ee; padding: 2px 5px; border: 1px solid #b5c9d2; }
table.data td { padding: 1px 5px; border: 1px solid #d5e0e5; text-align: right; }
table.data td.m, table.index td { text-align: left; }
table.data tbody tr:nth-child(even) { background: #f3f7f9; }
.note { font-size: 0.9em; color: #56707c; }
.foot { margin-top: 2em; font-size: 0.8em; color: #7a8d96; border-top: 1px solid #c9d6dc; }
@media print { body { margin: 0; font-size: 8pt; } .top a { color: inherit; } }
"""


def write_index():
    rows = []
    for r in RANGES:
        rows.append('<tr><td><a href="%s">%s</a></td><td>%s</td><td>%s</td><td>%d</td></tr>'
                    % (r.page, escape(r.title), kind_text(r), escape(r.usage), len(r.bodies)))
    with open(os.path.join(CATALOG, "index.htm"), "w", encoding="utf-8", newline="\n") as f:
        f.write(INDEX % "\n".join(rows))
    with open(os.path.join(CATALOG, "catalog.css"), "w", encoding="utf-8", newline="\n") as f:
        f.write(CSS)


def main():
    os.makedirs(DATA, exist_ok=True)
    os.makedirs(CATALOG, exist_ok=True)
    for r in RANGES:
        write_xml(r)
        write_page(r)
    write_index()
    print("%d ranges, %d bodies" % (len(RANGES), sum(len(r.bodies) for r in RANGES)))


if __name__ == "__main__":
    main()
