"""Acoustic, pressure-loss and weight model behind the shipped catalogue.

content/data/README.md explains the model, its assumptions and the sources
of its typical figures. Everything here is plain arithmetic so that the
catalogue can be regenerated and audited.
"""

import math

BANDS = (63, 125, 250, 500, 1000, 2000, 4000, 8000)
C0 = 343.0  # speed of sound, m/s (20 degC)
RHO = 1.2  # air density used by the program's pressure-drop formula, kg/m3

# Reference unit: parallel-baffle silencer, 900 mm long, 100 mm airways,
# 200 mm splitters (100 mm absorbent on each face of every airway).
REF_IL = (6, 11, 17, 27, 38, 32, 20, 13)
REF_LENGTH = 0.9
REF_AIRWAY = 0.1
REF_DEPTH = 0.1

# Length-independent part (end reflection and mode conversion at the
# entry and exit of the lined section); matters only at low frequencies.
END_TERM = (2.0, 2.0, 1.0, 0.0, 0.0, 0.0, 0.0, 0.0)

# Attenuation per metre of the reference unit.
REF_PER_METRE = tuple((il - e) / REF_LENGTH for il, e in zip(REF_IL, END_TERM))

# Highest value published: flanking transmission through the casing and
# the dynamic range of a ducted substitution test limit what can be shown.
IL_CAP = 55

# Porous layer on a rigid backing: absorption grows with depth/wavelength.
DEPTH_CONSTANT = 12.0

# High-frequency beaming: once the wavelength is small against the width
# of the free passage, sound travels down the middle and the lining sees
# less of it. x = f * b (Hz m), half-value at x = 350 (about c0).
BEAM_HALF = 350.0
BEAM_SLOPE = 1.3

# Pressure loss (coefficients on the passage velocity).
ZETA_INLET = 0.10  # rounded splitter nose / pod nose cone
FRICTION = 0.025  # Darcy factor of a perforated facing with glass tissue
TAIL_RECOVERY = 0.6  # fraction of the sudden-expansion loss left behind a tail cone


def depth_factor(depth, f):
    return 1.0 - math.exp(-DEPTH_CONSTANT * depth * f / C0)


def beam_factor(x):
    return 1.0 / (1.0 + (x / BEAM_HALF) ** BEAM_SLOPE)


def per_metre(band, p_over_s, depth, beam_width):
    """Attenuation in dB/m of one octave band."""
    f = BANDS[band]
    return (REF_PER_METRE[band] * (p_over_s / (2.0 / REF_AIRWAY))
            * depth_factor(depth, f) / depth_factor(REF_DEPTH, f)
            * beam_factor(f * beam_width) / beam_factor(f * REF_AIRWAY))


def round_half_up(x):
    return int(math.floor(x + 0.5))


def insertion_loss(length, p_over_s, depth, beam_width):
    """Eight octave-band insertion losses in whole dB."""
    out = []
    for i in range(8):
        il = END_TERM[i] + length * per_metre(i, p_over_s, depth, beam_width)
        out.append(max(1, min(IL_CAP, round_half_up(il))))
    return out


# Geometries -----------------------------------------------------------------

def splitter_il(length, airway, splitter):
    """Parallel baffles: lined slot of width `airway` between splitters."""
    return insertion_loss(length, 2.0 / airway, splitter / 2.0, airway)


def circular_il(length, diameter, lining):
    """Lined circular duct of free diameter `diameter`."""
    return insertion_loss(length, 4.0 / diameter, lining, diameter / 2.0)


def annular_il(length, diameter, pod, lining):
    """Annulus between a lined casing and an absorptive pod."""
    gap = (diameter - pod) / 2.0
    depth = (lining + min(pod / 2.0, 0.15)) / 2.0
    return insertion_loss(length, 2.0 / gap, depth, gap)


def splitter_k(length, airway, splitter, height):
    """Loss coefficient on the airway velocity of a splitter silencer."""
    sigma = airway / (airway + splitter)
    dh = 2.0 * airway * height / (airway + height)
    return ZETA_INLET + (1.0 - sigma) ** 2 + FRICTION * length / dh


def circular_k(length, diameter):
    """Straight lined duct: entry/exit of the liner plus wall friction."""
    return 0.10 + FRICTION * length / diameter


def annular_k(length, diameter, pod):
    sigma = (diameter ** 2 - pod ** 2) / diameter ** 2
    gap = (diameter - pod) / 2.0
    return ZETA_INLET + TAIL_RECOVERY * (1.0 - sigma) ** 2 + FRICTION * length / (2.0 * gap)


def pressure_drop(k, velocity):
    return k * 0.5 * RHO * velocity ** 2


# Weights (galvanised steel) ---------------------------------------------------

STEEL = 7850.0
ZINC = 0.275  # Z275 coating, kg/m2 of sheet
WOOL_RECT = 48.0  # kg/m3
WOOL_CIRC = 40.0


def sheet(thickness_mm):
    return STEEL * thickness_mm / 1000.0 + ZINC


def perforated(thickness_mm, open_area=0.23):
    return sheet(thickness_mm) * (1.0 - open_area)


def rect_weight(height, width, length, n_splitters, splitter):
    gauge = 1.0 if max(height, width) <= 1.2 else 1.2
    casing = 2.0 * (height + width) * length * sheet(gauge)
    flanges = 2.0 * 2.0 * (height + width) * 1.4  # 30 mm folded flange, kg/m
    faces = 2.0 * height * length * perforated(0.7)
    infill = splitter * height * length * WOOL_RECT
    ends = 2.0 * height * 1.6  # nose and tail fairings
    return casing + flanges + n_splitters * (faces + infill + ends)


def circular_weight(diameter, length, lining):
    outer = diameter + 2.0 * lining
    gauge = 0.8 if outer <= 0.8 else 1.0
    casing = math.pi * outer * length * sheet(gauge)
    liner = math.pi * diameter * length * perforated(0.7)
    wool = math.pi * (diameter + lining) * lining * length * WOOL_CIRC
    ends = 2.0 * math.pi / 4.0 * (outer ** 2 - diameter ** 2) * sheet(gauge)
    spigots = 2.0 * math.pi * diameter * 0.08 * sheet(gauge)
    return casing + liner + wool + ends + spigots


def annular_weight(diameter, pod, length, lining):
    pod_shell = math.pi * pod * length * perforated(0.7)
    pod_wool = math.pi / 4.0 * pod ** 2 * length * WOOL_CIRC
    cones = 2.0 * 1.3 * math.pi / 4.0 * pod ** 2 * sheet(0.8)
    supports = 4.0 * (diameter - pod) / 2.0 * 2.0 * 1.2
    return circular_weight(diameter, length, lining) + pod_shell + pod_wool + cones + supports


def fit_weight(samples):
    """Least-squares c0, c1, c2 of kg = c0*A + c1*A*L + c2*P*L.

    samples: (face area A m2, face perimeter P m, length L m, kg)."""
    rows = [(a, a * l, p * l) for a, p, l, _ in samples]
    ys = [w for _, _, _, w in samples]
    m = [[sum(r[i] * r[j] for r in rows) for j in range(3)] for i in range(3)]
    v = [sum(r[i] * y for r, y in zip(rows, ys)) for i in range(3)]
    for c in range(3):  # Gauss-Jordan, the matrix is small and well conditioned
        p = max(range(c, 3), key=lambda r: abs(m[r][c]))
        m[c], m[p] = m[p], m[c]
        v[c], v[p] = v[p], v[c]
        for r in range(3):
            if r != c:
                f = m[r][c] / m[c][c]
                m[r] = [x - f * y for x, y in zip(m[r], m[c])]
                v[r] -= f * v[c]
    return [v[i] / m[i][i] for i in range(3)]
