"""An independent model of the window's search, written from the rules'
definitions, to check that kelvane-calc hands every option to the engine."""

import math
import re
import struct
from decimal import ROUND_HALF_UP, Decimal

_NUMBER = re.compile(r'[ \t\n\v\f\r]*([+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)')


def read_double(text):
    m = _NUMBER.match(text)
    return float(m.group(1)) if m else 0.0


def read_int(text):
    m = re.match(r'[ \t\n\v\f\r]*([+-]?\d+)', text)
    return int(m.group(1)) if m else 0


def decimals_of(text):
    return len(text) - text.index('.') - 1 if '.' in text else len(text)


def fixed(value, decimals):
    step = Decimal(1).scaleb(-decimals)
    return str(Decimal(value).quantize(step, rounding=ROUND_HALF_UP))


def to_float32(x):
    return struct.unpack('f', struct.pack('f', x))[0]


CIA = [(801, 1000, 8, 125), (501, 800, 10, 125), (251, 500, 16, 125), (126, 250, 16, 250),
       (51, 125, 16, 500), (21, 50, 16, 1250)]


def cia(rate):
    for low, high, nbt, tq in CIA:
        if low < rate <= high:
            return nbt, tq
    if 0 <= rate <= 20:
        return 16, 3125
    return 0, 0


def search(baud_text, osc='16', tolerance='1000', divider=None, large=False,
           rules='11111111100', prop_ns=None, band=False):
    """Pairs (btr0, btr1) in listing order. baud_text is the text the pass reads
    its number of decimals from; the rate itself is the same for every pass."""
    n = 1 if baud_text == '' else decimals_of(baud_text)
    b = read_double(baud_text) * 1000 / 1000
    fclk = read_double(osc or '16') * 1000000
    if divider:
        fclk /= divider
    tclk = 1e9 / fclk
    ppm = read_int(tolerance)
    d = fclk / 1000000 * ppm
    p = ((fclk + d) - fclk) / fclk * 100
    cia_nbt, c = cia(b)
    tscl_min, tscl_max = c * (1 - p), c * (1 + p)
    want_exact = fixed(abs(b), n)
    on = [ch == '1' for ch in rules]
    out = []
    for sam in (0, 1):
        for tseg2 in range(1, 9):
            for tseg1 in range(1, 17):
                for brp in range(1, 65):
                    tscl = 2 * tclk * brp
                    tp = tscl if prop_ns is None else prop_ns
                    t1, t2 = tseg1 * tscl, tseg2 * tscl
                    for sjw in range(1, 5):
                        tsjw = sjw * tscl
                        if on[0] and sam == 0 and not tseg2 >= 2: continue
                        if on[1] and sam == 1 and not tseg2 >= 3: continue
                        if on[2] and not t2 >= 2 * tscl: continue
                        if on[3] and not t2 >= tsjw: continue
                        if on[4] and not t1 >= t2: continue
                        if on[5] and not t1 >= tsjw + tp: continue
                        if on[6] and sam == 1 and not t1 >= (tsjw + tp) + tscl: continue
                        if on[7] and sam == 1 and not t2 >= 3 * tscl: continue
                        tbit = to_float32(t2 + (t1 + tscl))
                        rate = 1000000 / tbit if tbit != 0 else 0.0
                        if on[8]:
                            if band:
                                if not (b - b * 0.01 <= rate <= b + b * 0.01): continue
                            elif fixed(abs(rate), n) != want_exact:
                                continue
                        if on[9] and not tscl_min <= tscl <= tscl_max: continue
                        nbt = 1 + tseg1 + tseg2
                        if on[10] and nbt != cia_nbt: continue
                        if large and not 8 <= nbt <= 16: continue
                        out.append(('%02X' % ((sjw - 1) * 64 + brp - 1),
                                    '%02X' % (sam * 128 + (tseg2 - 1) * 16 + tseg1 - 1)))
    return out


def iso_tolerance(sjw, tseg1, tseg2, prop):
    ps1, ps2, nbt = tseg1 - prop, tseg2, 1 + tseg1 + tseg2
    if ps1 < 1:
        return 0.0
    return min(sjw / (20 * nbt), min(ps1, ps2) / (2 * (13 * nbt - ps2)))


def prop_segment(prop_ns, tq):
    return 1 if prop_ns is None else max(0, math.ceil(prop_ns / tq))
