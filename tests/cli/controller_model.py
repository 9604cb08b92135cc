"""An independent model of what kelvane-calc --controller answers, written from
the kernel's code and the controllers' data sheets rather than from the
program: which settings the kernel takes through ip link's tq form
(can_fixup_bittiming, Linux 6.3 and later) and what its own search picks
(can_calc_bittiming, with its 32-bit unsigned arithmetic)."""

U32 = 0xFFFFFFFF

# can_bittiming_const of each driver: tseg1 min/max, tseg2 min/max, sjw max,
# brp min/max/inc; and the prop-seg and phase-seg1 ranges where the registers
# hold them apart (MCP2515 PRSEG/PHSEG1, FlexCAN PROPSEG/PSEG1: 3 bits, minus one).
LIMITS = {
    'sja1000': (1, 16, 1, 8, 4, 1, 64, 1),
    'mcp2515': (3, 16, 2, 8, 4, 1, 64, 1),
    'c_can': (2, 16, 1, 8, 4, 1, 1024, 1),
    'd_can': (2, 16, 1, 8, 4, 1, 1024, 1),
    'bxcan': (1, 16, 1, 8, 4, 1, 1024, 1),
    'm_can': (2, 256, 2, 128, 128, 1, 512, 1),
    'mcp2518fd': (2, 256, 1, 128, 128, 1, 256, 1),
    'flexcan': (4, 16, 2, 8, 4, 1, 256, 1),
    'esp32-twai': (1, 16, 1, 8, 4, 2, 128, 2),
}
SEPARATE_SPLIT = {'mcp2515': (1, 8, 1, 8), 'flexcan': (1, 8, 1, 8)}


def exact_settings(name, clock, bitrate):
    """{(brp, tseg1, tseg2, sjw)} with clock / (brp x quanta) == bitrate exactly
    (bitrate a whole number) that the kernel and the registers take."""
    t1min, t1max, t2min, t2max, sjwmax, bmin, bmax, binc = LIMITS[name]
    out = set()
    for brp in range(bmin, bmax + 1):
        if brp % binc or clock % (brp * bitrate):
            continue
        quanta = clock // (brp * bitrate)
        for tseg2 in range(t2min, t2max + 1):
            tseg1 = quanta - 1 - tseg2
            if not t1min <= tseg1 <= t1max:
                continue
            for sjw in range(1, min(sjwmax, tseg2) + 1):
                if name in SEPARATE_SPLIT:
                    pmin, pmax, qmin, qmax = SEPARATE_SPLIT[name]
                    ok = any(pmin <= p <= pmax and max(qmin, sjw) <= tseg1 - p <= qmax
                             for p in range(0, tseg1 + 1))
                else:
                    ok = sjw <= tseg1  # prop-seg 0 leaves phase-seg1 = tseg1
                if ok and kernel_tq_exists(clock, brp, binc):
                    out.add((brp, tseg1, tseg2, sjw))
    return out


def fixup_brp(clock, tq, binc):
    ticks = clock * tq
    if binc > 1:
        ticks //= binc
    brp = (ticks + 500000000 - 1) // 1000000000
    return brp * binc if binc > 1 else brp


def kernel_tq_exists(clock, brp, binc):
    down = brp * 1000000000 // clock
    return any(t >= 1 and fixup_brp(clock, t, binc) == brp for t in (down, down + 1))


def _abs_int(x):
    x &= U32
    return (-(x - (1 << 32))) if x >= 1 << 31 else x


def _update_sample_point(lim, ref, tseg):
    t1min, t1max, t2min, t2max = lim[:4]
    best_err, best, pick = U32, 0, None
    for i in (0, 1):
        tseg2 = (tseg + 1 - (ref * (tseg + 1)) // 1000 - i) & U32
        tseg2 = min(max(tseg2, t2min), t2max)
        tseg1 = (tseg - tseg2) & U32
        if tseg1 > t1max:
            tseg1 = t1max
            tseg2 = (tseg - tseg1) & U32
        sp = ((1000 * ((tseg + 1 - tseg2) & U32)) & U32) // (tseg + 1)
        err = _abs_int(ref - sp)
        if sp <= ref and err < best_err:
            best, best_err, pick = sp, err, (tseg1, tseg2)
    return best, best_err, pick


def kernel_pick(name, clock, bitrate, sp_tenths=0):
    """(brp, prop, phase1, phase2, sjw), or a word for what goes wrong."""
    lim = LIMITS[name]
    t1min, t1max, t2min, t2max, sjwmax, bmin, bmax, binc = lim
    ref = sp_tenths or (750 if bitrate > 800000 else 800 if bitrate > 500000 else 875)
    best_rate_err = best_sp_err = U32
    best_tseg = best_brp = 0
    wrapped = False
    tseg = (t1max + t2max) * 2 + 1
    while tseg >= (t1min + t2min) * 2:
        tsegall = 1 + tseg // 2
        product = tsegall * bitrate
        wrapped |= product > U32
        if product & U32 == 0:
            return 'divides by zero'
        brp = clock // (product & U32) + tseg % 2
        brp = brp // binc * binc
        if bmin <= brp <= bmax:
            err = _abs_int(bitrate - clock // (brp * tsegall))
            if err <= best_rate_err:
                if err < best_rate_err:
                    best_sp_err = U32
                _, sp_err, _ = _update_sample_point(lim, ref, tseg // 2)
                if sp_err < best_sp_err:
                    best_sp_err, best_rate_err, best_tseg, best_brp = sp_err, err, tseg // 2, brp
                    if err == 0 and sp_err == 0:
                        break
        tseg -= 1
    if wrapped:
        return 'overflows'
    if best_rate_err and best_rate_err * 1000 // bitrate > 50:
        return 'refused'
    _, _, (tseg1, tseg2) = _update_sample_point(lim, ref, best_tseg)
    prop = tseg1 // 2
    phase1 = tseg1 - prop
    sjw = max(1, min(phase1, tseg2 // 2))
    if sjw > sjwmax:
        return 'refused'
    if not t1min <= tseg1 <= t1max:
        return 'below limits'
    return (best_brp, prop, phase1, tseg2, sjw)
