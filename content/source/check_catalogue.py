#!/usr/bin/python3
"""Checks the shipped catalogue the way the program reads it.

    /usr/bin/python3 content/source/check_catalogue.py [content folder]

Reads every content/data/*.xml, applies the catalogue checker's rules and
the stricter rules the shipped data keeps, runs the silencer search for the
program's default duty with every range ticked, and sweeps a grid of duties
to prove that no accepted body gives a non-finite value. Exit status 0 when
everything holds. Standard library only.
"""

import math
import os
import re
import sys
import xml.etree.ElementTree as ET

APP_CODE = "{3A7E91C4-58D2-4B6F-A0E3-7C19D54B28F6}"

DEFAULT_DUTY = dict(airflow=2.8, maxdP=80.0, width=0.9, height=0.5, diameter=0.6,
                    atten=[9, 10, 15, 45, 50, 50, 45, 20])

# Capacities of the selection record's texts.
CAP_PREFIX, CAP_MODEL, CAP_RANGEDESC, CAP_SIZE, CAP_PICTURE, CAP_PAGE = 16, 48, 96, 96, 96, 16

REGEN_ROWS = ((-2, -6, -7, -10, -12, -16, -19, -22),
              (-3, -5, -8, -7, -8, -10, -13, -15),
              (-3, -6, -10, -7, -7, -8, -10, -12))

NUMBER = re.compile(r"^[+-]?(\d+(\.\d*)?|\.\d+)([eE][+-]?\d+)?$")


class BodyError(Exception):
    pass


# Text and number routines ----------------------------------------------------

def strict_float(text):
    if not NUMBER.match(text):
        raise ValueError("not a number: %r" % text)
    return float(text)


def comma_items(text):
    """Comma-text splitting: blanks and commas separate, quotes group."""
    items, i, n = [], 0, len(text)
    while i < n and 1 <= ord(text[i]) <= 32:
        i += 1
    while i < n:
        if text[i] == '"':
            i += 1
            item = []
            while i < n:
                if text[i] == '"':
                    if i + 1 < n and text[i + 1] == '"':
                        item.append('"')
                        i += 2
                        continue
                    i += 1
                    break
                item.append(text[i])
                i += 1
            items.append("".join(item))
        else:
            j = i
            while j < n and text[j] != "," and ord(text[j]) > 32:
                j += 1
            items.append(text[i:j])
            i = j
        while i < n and 1 <= ord(text[i]) <= 32:
            i += 1
        if i < n and text[i] == ",":
            i += 1
            if i == n:
                items.append("")
            while i < n and 1 <= ord(text[i]) <= 32:
                i += 1
    return items


def float_list(text):
    text = "".join(ch for ch in text if ch != " ")
    if text.endswith(","):
        text = text[:-1]
    return [strict_float(x) for x in comma_items(text)]


def str_to_octave(text):
    items = comma_items(text)
    bands = [0.0] * 8
    for i, item in enumerate(items[:8]):
        bands[i] = strict_float(item)
    return bands


def add_db(a, b):
    return 10.0 * math.log10(10.0 ** (a / 10.0) + 10.0 ** (b / 10.0))


def octave_total(s):
    t0, t1, t2, t3 = add_db(s[0], s[1]), add_db(s[2], s[3]), add_db(s[4], s[5]), add_db(s[6], s[7])
    return add_db(add_db(t0, t1), add_db(t2, t3))


def meets_all(a, b):
    return all(x >= y for x, y in zip(a, b))


def regen_spectrum(n, dim, v):
    if n <= 0 or dim <= 0 or v <= 0:
        raise ArithmeticError("regen")
    l1 = 10 * math.log10(dim) + 47
    l2 = 50 * math.log10(v / 10) + l1
    l3 = 10 * math.log10(n / 10) + 10
    row = REGEN_ROWS[0] if v < 8 else REGEN_ROWS[1] if v <= 32 else REGEN_ROWS[2]
    return [(l2 + l3) + r for r in row]


def fmt0(x):
    """%0.0f with halves away from zero."""
    r = math.floor(abs(x) + 0.5)
    r = -r if x < 0 and r != 0 else r
    return "%d" % r


# Catalogue model --------------------------------------------------------------

def child_text(parent, name, problems, where, required=True):
    el = parent.find(name)
    if el is None:
        if required:
            problems.append("%s: <%s> missing" % (where, name))
        return None
    if len(el):
        problems.append("%s: <%s> holds child elements" % (where, name))
        return None
    return el.text or ""


class Range:
    pass


def load_range(path, problems):
    raw = open(path, "rb").read()
    name = os.path.basename(path)
    if not raw.startswith(b"<?xml"):
        problems.append("%s: no XML declaration" % name)
    try:
        raw.decode("utf-8")
    except UnicodeDecodeError:
        problems.append("%s: not UTF-8" % name)
    if b"<!--" in raw:
        problems.append("%s: comments would be read as bodies or break text reads" % name)
    root = ET.fromstring(raw)
    r = Range()
    r.file = name
    r.type = root.get("type", "")
    if r.type.lower() != "silencer":
        return None
    head, body = root.find("head"), root.find("body")
    if head is None or body is None:
        problems.append("%s: head or body missing" % name)
        return None
    where = name + " head"
    r.code = child_text(head, "code", problems, where)
    if r.code != APP_CODE:
        problems.append("%s: Invalid silencer data file... (code %r)" % (name, r.code))
    for field in ("title", "maker", "description", "usage", "prefix"):
        value = child_text(head, field, problems, where)
        if not value:
            problems.append("%s: empty <%s>" % (where, field))
        setattr(r, field, value or "")
    size = head.find("size")
    if size is None:
        problems.append("%s: <size> missing" % where)
        return None
    r.columns = comma_items(size.text or "")
    r.shape = size.get("shape", "")
    r.kind_attr = size.get("kind", "")
    if r.shape.lower() not in ("circular", "annular", "rectangular"):
        problems.append("%s: %s not recognised as a valid silencer shape..." % (name, r.shape))
    if r.kind_attr.lower() not in ("fixed", "variable"):
        problems.append("%s: %s not recognised as a valid silencer kind..." % (name, r.kind_attr))
    r.kind = r.kind_attr or ("variable" if r.shape.lower() == "rectangular" else "fixed")
    lower = [c.lower() for c in r.columns]

    def col(attr):
        v = size.get(attr, "")
        if not v:
            return -1
        if v.lower() not in lower:
            problems.append("%s: column %r of attribute %s not among %s" % (where, v, attr, r.columns))
            return -1
        return lower.index(v.lower())

    r.col = {a: col(a) for a in ("length", "diameter", "pod", "height", "width", "gap", "maxmodules")}

    def head_list(tag):
        text = child_text(head, tag, problems, where, required=False)
        if text is None:
            return []
        try:
            return float_list(text)
        except ValueError as e:
            problems.append("%s: <%s> %s" % (where, tag, e))
            return []

    r.lengths, r.heights, r.widths = head_list("length"), head_list("height"), head_list("width")
    for tag, lst in (("height", r.heights), ("width", r.widths)):
        if any(b <= a for a, b in zip(lst, lst[1:])):
            problems.append("%s: <%s> list not ascending" % (where, tag))
    if not r.lengths:
        problems.append("%s: <length> list empty" % where)
    try:
        r.krange = strict_float(child_text(head, "kfactor", problems, where) or "")
    except ValueError:
        problems.append("%s: <kfactor> not a number" % where)
        r.krange = 1.0
    weight = head.find("weight")
    if weight is None or not weight.get("eqn") or not (weight.text or "").strip():
        problems.append("%s: <weight> with eqn and list missing" % where)
    media = head.find("media")
    if media is None or not media.get("kind") or not (media.text or "").strip():
        problems.append("%s: <media> with kind and value missing" % where)
    r.images = {img.get("alt", "").lower(): img.get("src", "") for img in head.findall("img")}
    for alt in ("photo", "ga"):
        if not r.images.get(alt):
            problems.append("%s: no <img alt=%r>" % (where, alt))
    if not head.findall("ref"):
        problems.append("%s: no <ref>" % where)
    page = head.find("page")
    r.page = page.get("href", "") if page is not None else ""
    if not r.page:
        problems.append("%s: no <page href>" % where)

    # Column rules that the search needs for this shape and kind.
    shape, fixed = r.shape.lower(), r.kind.lower() == "fixed"
    needed = ["length"] if not r.lengths else []
    if shape in ("circular", "annular") and fixed:
        needed += ["diameter"] + (["pod"] if shape == "annular" else [])
    if shape == "rectangular" and fixed:
        needed += ["height", "width", "gap"]
    if shape == "rectangular" and not fixed and r.col["maxmodules"] >= 0:
        needed += ["width", "gap"]
    if shape == "rectangular" and not fixed:
        if r.col["height"] < 0 and not r.heights:
            problems.append("%s: made-to-size range without height column or list" % where)
        if r.col["width"] < 0 and not r.widths:
            problems.append("%s: made-to-size range without width column or list" % where)
    for attr in needed:
        if r.col[attr] < 0:
            problems.append("%s: the search needs the %s column" % (where, attr))

    r.bodies = []
    nodes = list(body)
    if any(n.tag != "item" for n in nodes):
        problems.append("%s: body children other than <item>" % name)
    for i, node in enumerate(nodes):
        b = {"index": i}
        bw = "%s body %d" % (name, i + 1)
        b["name"] = child_text(node, "name", problems, bw) or ""
        bw = "%s body %s" % (name, b["name"])
        try:
            b["size"] = float_list(child_text(node, "size", problems, bw) or "")
        except ValueError as e:
            problems.append("%s: size %s" % (bw, e))
            b["size"] = []
        if len(b["size"]) != len(r.columns):
            problems.append("%s: %d size values for %d columns" % (bw, len(b["size"]), len(r.columns)))
        sil_text = child_text(node, "sil", problems, bw) or ""
        try:
            if len(comma_items(sil_text)) != 8:
                problems.append("%s: sil does not hold 8 bands" % bw)
            b["sil"] = str_to_octave(sil_text)
        except ValueError as e:
            problems.append("%s: sil %s" % (bw, e))
            b["sil"] = [0.0] * 8
        kf = node.find("kfactor")
        b["kparam"] = kf.get("param", "") if kf is not None else ""
        try:
            if b["kparam"]:
                b["klist"] = float_list(kf.text or "")
            else:
                b["k"] = strict_float(kf.text) if kf is not None else 1.0
        except (ValueError, TypeError) as e:
            problems.append("%s: kfactor %s" % (bw, e))
            b["k"], b["kparam"] = 1.0, ""
        if b["kparam"]:
            table = {"height": r.heights, "width": r.widths,
                     "diameter": r.heights if len(r.heights) >= len(r.widths) else r.widths}.get(b["kparam"])
            if table is None:
                problems.append("%s: unknown kfactor param %r" % (bw, b["kparam"]))
            elif shape != "rectangular":
                problems.append("%s: kfactor param on a %s range" % (bw, shape))
            elif len(b["klist"]) < len(table):
                problems.append("%s: kfactor list shorter than the %s list" % (bw, b["kparam"]))
        ks = b["klist"] if b["kparam"] else [b["k"]]
        if not all(math.isfinite(k) and k > 0 for k in ks):
            problems.append("%s: kfactor not positive" % bw)
        wtext = child_text(node, "weight", problems, bw)
        try:
            b["weight"] = strict_float(wtext) if wtext is not None else 0.0
        except ValueError:
            problems.append("%s: weight not a number" % bw)
            b["weight"] = 0.0
        b["images"] = {img.get("alt", "").lower(): img.get("src", "") for img in node.findall("img")}
        r.bodies.append(b)
    return r


# The search -------------------------------------------------------------------

def pick_size(body, col, head_list, required):
    if col != -1:
        if col >= len(body["size"]):
            raise BodyError("size column")
        return 0.001 * body["size"][col]
    if not head_list:
        raise BodyError("empty head list")
    if not required > 0:
        return 0.001 * head_list[0]
    i = len(head_list) - 1
    while i > 0 and head_list[i] * 0.001 > required:
        i -= 1
    return 0.001 * head_list[i]


def index_first_at_least(lst, value, tol):
    for i, x in enumerate(lst):
        if x >= value - tol:
            return i
    return len(lst) - 1


def within(lo, x, hi, tol):
    return lo - tol <= x <= hi + tol


def run_search(ranges, spec, tol=0.0, errors=None):
    """tol: slack in metres for the size tests (0 = literal comparisons)."""
    results = []
    for r in ranges:
        shape, fixed = r.shape.lower(), r.kind.lower() == "fixed"
        for b in r.bodies:
            try:
                rec = search_body(r, b, shape, fixed, spec, tol)
            except (BodyError, ZeroDivisionError, ArithmeticError, IndexError) as e:
                if errors is not None:
                    errors.append("error processing %s (%s)" % (b["name"], e))
                continue
            if rec:
                results.append(rec)
    return results


def search_body(r, b, shape, fixed, spec, tol):
    def val(attr):
        c = r.col[attr]
        if c < 0 or c >= len(b["size"]):
            raise BodyError("no %s column" % attr)
        return b["size"][c]

    modules, H, W, D = 1, 0.0, 0.0, 0.0
    L = pick_size(b, r.col["length"], r.lengths, 0)
    if fixed:
        if shape in ("circular", "annular"):
            D = 0.001 * val("diameter")
            if spec["diameter"] != 0 and not within(0.8 * D, spec["diameter"], 1.5 * D, tol):
                return None
            area = math.pi / 4 * D * D
            if shape == "annular":
                P = 0.001 * val("pod")
                area = math.pi / 4 * (D * D - P * P)
        else:
            H, W = 0.001 * val("height"), 0.001 * val("width")
            if spec["height"] != 0 and not within(0.8 * H, spec["height"], 1.5 * H, tol):
                return None
            if spec["width"] != 0 and not within(0.5 * W, spec["width"], 2.0 * W, tol):
                return None
            area = H * W * (val("gap") / val("width"))
    else:
        if shape in ("circular", "annular"):
            D = spec["diameter"]
            area = math.pi * D * D / 4
        else:
            H = pick_size(b, r.col["height"], r.heights, spec["height"])
            W = pick_size(b, r.col["width"], r.widths, spec["width"])
            if r.col["maxmodules"] >= 0:
                m = 0.001 * val("width")
                modules = int(spec["width"] / m)
                modules = max(modules, 1)
                maxm = int(val("maxmodules"))
                modules = min(modules, maxm)
                W = modules * m
                area = H * W * (val("gap") / val("width"))
            else:
                area = H * W
            if spec["height"] != 0 and not within(0.8 * H, spec["height"], 1.5 * H, tol):
                return None
            if spec["width"] != 0 and not within(0.5 * W, spec["width"], 2.0 * W, tol):
                return None
    if not meets_all(b["sil"], spec["atten"]):
        return None
    if b["kparam"]:
        p = b["kparam"].lower()
        t = tol * 1000
        if p == "height":
            idx = index_first_at_least(r.heights, 1000 * H, t)
        elif p == "width":
            idx = index_first_at_least(r.widths, 1000 * W, t)
        elif p == "diameter":
            idx = (index_first_at_least(r.heights, 1000 * H, t) if H < W
                   else index_first_at_least(r.widths, 1000 * W, t))
        else:
            raise BodyError("param")
        if idx < 0 or idx >= len(b["klist"]):
            raise BodyError("kfactor index")
        kbody = b["klist"][idx]
    else:
        kbody = b["k"]
    if area == 0:
        raise ZeroDivisionError("zero area")
    v = spec["airflow"] / area
    dp = v * v * r.krange * kbody * 0.5 * 1.2
    if not (dp <= spec["maxdP"]):
        return None
    dim = H if shape == "rectangular" else D
    try:
        regen = regen_spectrum(modules, dim, v)
    except (ArithmeticError, ValueError):
        regen = [0.0] * 8
    model = r.prefix + "-" + b["name"] if b["name"] else r.prefix
    size_text = ",".join(r.columns) + "=" + ",".join(fmt0(x) for x in b["size"])
    return dict(range=r.file, model=model, prefix=r.prefix, rangedesc=r.description,
                size=size_text, widdiam=W if shape == "rectangular" else D,
                height=H if shape == "rectangular" else 0.0, length=L, modules=modules,
                atten=b["sil"], db=octave_total(b["sil"]), dp=dp, vp=v, regen=regen,
                photo=b["images"].get("photo") or r.images.get("photo", ""),
                ga=b["images"].get("ga") or r.images.get("ga", ""), page=r.page)


# Checks -----------------------------------------------------------------------

def finite_record(rec):
    values = [rec["widdiam"], rec["height"], rec["length"], rec["db"], rec["dp"], rec["vp"]]
    values += rec["atten"] + rec["regen"]
    return all(math.isfinite(x) for x in values)


def check_capacities(ranges, problems):
    """Texts that the search copies into the selection record."""
    everything = dict(airflow=1.0, maxdP=1e12, width=0, height=0, diameter=0.5, atten=[0] * 8)
    for r in ranges:
        if len(r.prefix) > CAP_PREFIX:
            problems.append("%s: prefix longer than %d" % (r.file, CAP_PREFIX))
        if len(r.description) > CAP_RANGEDESC:
            problems.append("%s: description longer than %d" % (r.file, CAP_RANGEDESC))
        if len(r.page) > CAP_PAGE:
            problems.append("%s: page longer than %d" % (r.file, CAP_PAGE))
        for b in r.bodies:
            model = r.prefix + "-" + b["name"]
            size_text = ",".join(r.columns) + "=" + ",".join(fmt0(x) for x in b["size"])
            pics = [b["images"].get(a) or r.images.get(a, "") for a in ("photo", "ga")]
            if len(model) > CAP_MODEL:
                problems.append("%s: model %s longer than %d" % (r.file, model, CAP_MODEL))
            if len(size_text) > CAP_SIZE:
                problems.append("%s: size text %s longer than %d" % (r.file, size_text, CAP_SIZE))
            if any(len(p) > CAP_PICTURE for p in pics):
                problems.append("%s: picture name of %s longer than %d" % (r.file, model, CAP_PICTURE))
    # Every body must pass through the search without an error for some duty.
    errors = []
    run_search(ranges, everything, errors=errors)
    problems.extend(errors)


def check_files(ranges, content, problems):
    images = os.path.join(content, "images")
    catalog = os.path.join(content, "catalog")
    have_images = os.listdir(images) if os.path.isdir(images) else []
    have_pages = os.listdir(catalog) if os.path.isdir(catalog) else []
    names = set()
    for r in ranges:
        names.update(r.images.values())
        for b in r.bodies:
            names.update(b["images"].values())
        if r.page not in have_pages:
            problems.append("%s: page %s not in catalog/" % (r.file, r.page))
    for n in sorted(names):
        if n not in have_images:
            lower = [x.lower() for x in have_images]
            what = "differs in case" if n.lower() in lower else "missing"
            problems.append("image %s %s" % (n, what))
        elif not open(os.path.join(images, n), "rb").read(8) == b"\x89PNG\r\n\x1a\n":
            problems.append("image %s is not a PNG" % n)
    index = os.path.join(catalog, "index.htm")
    if not os.path.exists(index) or not re.search(r'(id|name)="noise_control"',
                                                  open(index, encoding="utf-8").read()):
        problems.append("catalog/index.htm without the noise_control anchor")


def sweep(ranges, problems):
    """Many duties, no pressure or attenuation limit: every accepted body finite."""
    dims = [0.1, 0.2, 0.315, 0.45, 0.6, 0.8, 1.0, 1.25, 1.6, 2.0, 2.4, 3.0, 5.0]
    count = 0
    for airflow in (0.01, 0.3, 2.8, 12.0, 40.0):
        for d in dims:
            for w in [0.0] + dims:
                for h in (0.0, 0.15, 0.5, 1.0, 2.4, 4.0):
                    spec = dict(airflow=airflow, maxdP=1e300, width=w, height=h, diameter=d,
                                atten=[0] * 8)
                    errors = []
                    for rec in run_search(ranges, spec, errors=errors):
                        count += 1
                        if not finite_record(rec) or rec["dp"] < 0 or rec["vp"] <= 0:
                            problems.append("non-finite result %s for %s" % (rec["model"], spec))
                    problems.extend(errors)
    return count


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    content = os.path.abspath(sys.argv[1]) if len(sys.argv) > 1 else os.path.dirname(here)
    data = os.path.join(content, "data")
    problems = []
    ranges = []
    for name in sorted(os.listdir(data)):
        if name.lower().endswith(".xml"):
            r = load_range(os.path.join(data, name), problems)
            if r is not None:
                ranges.append(r)

    types = set()
    print("Ranges:")
    for r in ranges:
        mod = " with modules" if r.col["maxmodules"] >= 0 else ""
        print("  %-22s %-4s %-11s %-8s%-13s %3d bodies" % (r.file, r.prefix, r.shape, r.kind, mod,
                                                          len(r.bodies)))
        types.add((r.shape.lower(), r.kind.lower(), r.col["maxmodules"] >= 0))
    total = sum(len(r.bodies) for r in ranges)
    print("  %d ranges, %d bodies" % (len(ranges), total))
    for t in (("circular", "fixed", False), ("circular", "variable", False),
              ("annular", "fixed", False), ("annular", "variable", False),
              ("rectangular", "fixed", False), ("rectangular", "variable", True),
              ("rectangular", "variable", False)):
        if t not in types:
            problems.append("no range of type %s %s%s" % (t[0], t[1], " with modules" if t[2] else ""))

    names = [r.file for r in ranges]
    for a in names:
        for b in names:
            if a != b and a in b:
                problems.append("%s is part of %s: saved range ticks would match both" % (a, b))
    for r in ranges:
        if max(len(r.description), len(r.usage)) > 60:
            problems.append("%s: description or usage too long for the range view" % r.file)

    check_capacities(ranges, problems)
    check_files(ranges, content, problems)

    errors = []
    results = run_search(ranges, DEFAULT_DUTY, errors=errors)
    problems.extend(errors)
    tolerant = run_search(ranges, DEFAULT_DUTY, tol=1e-6)
    if [x["model"] for x in tolerant] != [x["model"] for x in results]:
        problems.append("default duty: result depends on exact floating-point comparisons")
    print("\nDefault duty: airflow 2.8 m3/s, max dP 80 Pa, W 900 x H 500 mm, D 600 mm,")
    print("required 9, 10, 15, 45, 50, 50, 45, 20 dB; all ranges ticked")
    print("  %-22s %6s %6s %6s  %-30s %4s %6s %6s" % ("Model", "W/D", "H", "L", "SIL", "dB", "dP",
                                                     "Vp"))
    for rec in sorted(results, key=lambda x: x["model"]):
        print("  %-22s %6.0f %6.0f %6.0f  %-30s %4s %6.1f %6.2f" % (
            rec["model"], rec["widdiam"] * 1000, rec["height"] * 1000, rec["length"] * 1000,
            ", ".join(fmt0(x) for x in rec["atten"]), fmt0(rec["db"]), rec["dp"], rec["vp"]))
        if not finite_record(rec):
            problems.append("default duty: non-finite values for %s" % rec["model"])
    by_range = {}
    for rec in results:
        by_range[rec["range"]] = by_range.get(rec["range"], 0) + 1
    print("  %d items found from %d ranges: %s" % (len(results), len(by_range), ", ".join(
        "%s %d" % kv for kv in sorted(by_range.items()))))
    if not 3 <= len(results) <= 40:
        problems.append("default duty finds %d silencers (want 3 to 40)" % len(results))
    if len(by_range) < 2:
        problems.append("default duty finds silencers in fewer than two ranges")

    checked = sweep(ranges, problems)
    print("\nSweep: %d accepted bodies over a grid of duties, all values finite" % checked
          if not any("non-finite" in p for p in problems) else "\nSweep: non-finite values")

    if problems:
        print("\nPROBLEMS (%d):" % len(problems))
        for p in problems[:200]:
            print("  " + p)
        return 1
    print("\nAll checks passed.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
