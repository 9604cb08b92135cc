"""Runs the real kelvane-calc --controller and checks its answers against values
worked out by hand from the data sheets and the kernel's algorithm.
Usage: controller_cli_test.py EXECUTABLE GROUP"""

import csv
import io
import json
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from checks import FAILURES, check, check_eq  # noqa: E402
import controller_model as model  # noqa: E402

EXE = None


def run(args, stdin=None):
    p = subprocess.run([EXE] + args, capture_output=True, timeout=60, input=stdin)
    return p.returncode, p.stdout.decode('utf-8'), p.stderr.decode('utf-8')


def run_json(args, status=0):
    rc, out, err = run(args + ['--format', 'json'])
    if status is None:
        check(rc in (0, 1), 'exit status of %s (stderr %r)' % (args, err))
    else:
        check_eq(rc, status, 'exit status of %s (stderr %r)' % (args, err))
    return json.loads(out) if out else {}


def refused(args, words, status=2):
    rc, out, err = run(args)
    check_eq(rc, status, 'exit status of %s' % args)
    check(out == '' and err.count('\n') == 1 and words in err, '%s: one line naming %r, got %r' % (args, words, err))


def timing(s):
    return (s['brp'], s['prop_seg'], s['phase_seg1'], s['phase_seg2'], s['sjw'])


def group_search():
    # MCP2515 at 8 MHz (clock 4 MHz), 125 kbit/s: 32 exact settings (25 of
    # 16 quanta at brp 2, 7 of 8 quanta at brp 4), the best 20 listed.
    d = run_json(['--controller', 'mcp2515', '--osc', '8', '125'])
    check_eq((d['controller'], d['clock_hz'], d['bitrate'], d['exact_count']), ('mcp2515', 4000000, 125000, 32), 'mcp2515 request')
    check_eq(len(d['settings']), 20, 'best 20 listed')
    check('--all' in ' '.join(d['notes']), 'the note names --all')
    # CiA 87.5 %: brp 2, 16 quanta, tseg2 2; of those, the larger tolerance
    # (sjw 2: min(2/320, 2/412) = 4854 ppm) before sjw 1 (1/320 = 3125 ppm).
    first = d['settings'][0]
    check_eq((first['recommended'], first['brp'], first['phase_seg2'], first['sjw'], first['sample_point_pct']),
             (True, 2, 2, 2, 87.5), 'recommended setting')
    check_eq(round(first['tolerance_ppm']), 4854, 'its tolerance')
    # prop-seg 5 and phase-seg1 8 (PHSEG1 holds at most 8): CNF1 41, CNF2 BC, CNF3 01.
    check_eq(first['registers'], {'CNF1': '0x41', 'CNF2': '0xBC', 'CNF3': '0x01'}, 'its registers')
    check_eq([s['recommended'] for s in d['settings']].count(True), 1, 'one recommended')
    every = run_json(['--controller', 'mcp2515', '--osc', '8', '--all', '125'])
    check_eq(len(every['settings']), 32, '--all')
    check_eq(len({timing(s) for s in every['settings']}), 32, 'no setting twice')
    for s in every['settings']:
        check(1 <= s['prop_seg'] <= 8 and 1 <= s['phase_seg1'] <= 8 and s['sjw'] <= min(s['phase_seg1'], s['phase_seg2']),
              'mcp2515 setting within its fields %r' % (timing(s),))
        check_eq(s['bitrate'] * s['brp'] * (1 + s['prop_seg'] + s['phase_seg1'] + s['phase_seg2']), 4000000, 'exact rate')
    best = run_json(['--controller', 'mcp2515', '--osc', '8', '--best', '125'])
    check_eq(len(best['settings']), 1, '--best lists one')
    # 83.333 kbit/s is not 250000/3 bit/s: nothing exact, exit 1; --nearest finds 83333.333.
    d = run_json(['--controller', 'sja1000', '--osc', '16', '83.333'], status=1)
    check_eq(d['exact_count'], 0, '83.333 is not exact')
    d = run_json(['--controller', 'sja1000', '--osc', '16', '--nearest', '83.333'])
    check(abs(d['nearest_bitrate'] - 83333.333) < 0.001, 'nearest 83333 1/3')
    check_eq(round(d['nearest_error_ppm'], 3), 4.0, 'its error: (1/3) / 83333 = 4.000016 ppm')
    # 14.7456 MHz, 500 kbit/s: 15 ticks of 7372800 Hz, 491520 bit/s, -16960
    # ppm, more than any 15-quanta setting tolerates (13158 ppm at most).
    d = run_json(['--controller', 'sja1000', '--osc', '14.7456', '--nearest', '--all', '500'])
    check_eq((d['nearest_bitrate'], d['nearest_error_ppm']), (491520, -16960), 'nearest at 14.7456 MHz')
    check(not any(s['tolerance_ok'] or s['recommended'] for s in d['settings']), 'none within tolerance')
    # 16 MHz, 33.3 kbit/s: 240 ticks give 33333 1/3 bit/s, +1001.001 ppm; with
    # 1100 ppm of oscillator a setting needs 2101.001 ppm: sjw 1 in 24 quanta
    # (1/480, 2083 ppm) falls short, sjw 2 passes.
    d = run_json(['--controller', 'sja1000', '--nearest', '--tolerance', '1100', '--all', '33.3'])
    check_eq(round(d['nearest_error_ppm'], 3), 1001.001, 'nearest error at 33.3 kbit/s')
    for s in d['settings']:
        check_eq(s['tolerance_ok'], s['tolerance_ppm'] >= 2101.001, 'tolerance verdict of %r' % (timing(s),))
    check({s['tolerance_ok'] for s in d['settings']} == {True, False}, 'both verdicts occur')
    # --clock-hz is the kernel's clock: the same as --osc 16 for the SJA1000.
    check_eq(run_json(['--controller', 'sja1000', '--clock-hz', '8000000', '500'])['settings'],
             run_json(['--controller', 'sja1000', '--osc', '16', '500'])['settings'], '--clock-hz 8000000 is --osc 16')
    # The MCP2518FD's PLL: 4 MHz in, 40 MHz clock.
    check_eq(run_json(['--controller', 'mcp2518fd', '--osc', '4', '500'])['clock_hz'], 40000000, 'PLL x10')


def group_checks():
    # A propagation delay of 3 us at 500 kbit/s (SJA1000, 16 MHz): tseg1 - sjw
    # must cover 3000 ns, 24 quanta of 125 ns, more than any setting has.
    d = run_json(['--controller', 'sja1000', '--prop-ns', '3000', '--all', '500'])
    check(all(not s['propagation_ok'] and not s['recommended'] for s in d['settings']), 'no setting covers 3 us')
    check('none is recommended' in ' '.join(d['notes']), 'says none is recommended')
    run_json(['--controller', 'sja1000', '--prop-ns', '3000', '--best', '500'], status=1)
    # 1000 ns: brp 1, 16 quanta needs tseg1 - sjw >= 8.
    d = run_json(['--controller', 'sja1000', '--prop-ns', '1000', '--all', '500'])
    for s in d['settings']:
        covered = (s['prop_seg'] + s['phase_seg1'] - s['sjw']) * s['tq_ns']
        check_eq(s['propagation_ok'], covered >= 1000, 'propagation verdict of %r' % (timing(s),))
        check(not s['recommended'] or s['propagation_ok'], 'recommended covers the delay')
    # An oscillator tolerance above every setting's: none recommended.
    d = run_json(['--controller', 'sja1000', '--tolerance', '20000', '500'])
    check(not any(s['recommended'] for s in d['settings']), 'none within 2 %')


def group_kernel_pick():
    # SJA1000 16 MHz, 500 kbit/s: the kernel picks 00/1C (prop 6, phase 7 + 2, sjw 1).
    d = run_json(['--controller', 'sja1000', '--ip-link', 'can0', '500'])
    k = d['kernel_pick']
    check_eq((timing(k), k['registers'], d['kernel_pick_reason']),
             ((1, 6, 7, 2, 1), {'BTR0': '0x00', 'BTR1': '0x1C'}, None), 'kernel pick at 16 MHz')
    check_eq(d['kernel_command'], 'ip link set dev can0 type can bitrate 500000', 'its command')
    # FlexCAN at 8 MHz, 1 Mbit/s, sample point 50 %: tseg1 3 < 4, no registers.
    d = run_json(['--controller', 'flexcan', '--clock-hz', '8000000', '--sample-point', '50', '1000'])
    check_eq((d['kernel_pick']['registers'], d['kernel_pick']['prop_seg'] + d['kernel_pick']['phase_seg1']), (None, 3), 'flexcan pick')
    check('below the controller\'s minimum 4' in d['kernel_pick_reason'], 'flexcan misbehaviour named')
    # 268435.456 kbit/s = 2^32 / 16 bit/s: 16 quanta times the rate is 0 in 32 bits.
    d = run_json(['--controller', 'sja1000', '--nearest', '268435.456'])
    check_eq(d['kernel_pick'], None, 'no pick when the kernel divides by zero')
    check('divides by zero' in d['kernel_pick_reason'], 'division by zero named')


def group_decode():
    d = run_json(['--controller', 'mcp2515', '--osc', '8', '--decode-registers', 'CNF1=0x03', 'cnf2=90', 'CNF3=0x02', '--ip-link', 'can0'])
    s = d['settings'][0]
    check_eq((timing(s), s['bitrate'], s['sample_point_pct'], s['tq_ns']), ((4, 1, 3, 3, 1), 125000, 62.5, 1000), 'CNF 03 90 02')
    check_eq(d['problems'], [], 'no problem')
    check_eq(d['paste']['ip_link'], 'ip link set dev can0 down\nip link set dev can0 type can tq 1000 prop-seg 1 '
             'phase-seg1 3 phase-seg2 3 sjw 1 triple-sampling off\nip link set dev can0 up', 'its ip link block')
    check_eq({f['field']: f['value'] for f in d['fields']}['PHSEG1'], 3, 'PHSEG1 value')
    # PHSEG2 0 is phase-seg2 1, below the MCP2515's 2; reserved bit 3 of CNF3 set.
    d = run_json(['--controller', 'mcp2515', '--osc', '8', '--decode-registers', 'CNF1=03', 'CNF2=90', 'CNF3=08', '--ip-link', 'can0'])
    problems = ' | '.join(d['problems'])
    check('phase-seg2 (PHSEG2) 1 is below the controller\'s minimum 2' in problems, 'PHSEG2 named: ' + problems)
    check('CNF3 has reserved bits set (0x8)' in problems, 'reserved bit named: ' + problems)
    check_eq(d['paste']['ip_link'], None, 'no ip link for what the kernel refuses')
    # The SJA1000's SAM bit: triple sampling on.
    d = run_json(['--controller', 'sja1000', '--decode-registers', 'BTR0=00', 'BTR1=9C', '--ip-link', 'can0'])
    check('triple-sampling on' in d['paste']['ip_link'], 'SAM 1 gives triple-sampling on')
    refused(['--controller', 'mcp2515', '--decode-registers', 'CNF1=03', 'CNF2=90'], 'CNF3=VALUE')
    refused(['--controller', 'mcp2515', '--decode-registers', 'CNF1=03', 'CNF2=90', 'CNF3=2', 'CNF4=1'], 'not a register of mcp2515')
    refused(['--controller', 'mcp2515', '--decode-registers', 'CNF1=103', 'CNF2=90', 'CNF3=2'], 'does not fit its 8 bits')
    refused(['--controller', 'mcp2515', '--decode-registers', 'CNF1=0xZ3', 'CNF2=90', 'CNF3=2'], 'hexadecimal')


def group_paste():
    out = run(['--controller', 'sja1000', '--ip-link', '#x', '--best', '500'])[1]
    check("ip link set dev '#x' down\nip link set dev '#x' type can tq 125 prop-seg 1 phase-seg1 12 phase-seg2 2 sjw 2 triple-sampling off\nip link set dev '#x' up\n" in out, 'quoted name, the block: ' + out)
    check("Dev=" not in out and 'TripleSampling=no' in out, 'networkd section')
    out = run(['--controller', 'sja1000', '--ip-link', "it's", '--best', '500'])[1]
    check("ip link set dev 'it'\\''s' up" in out, 'quote in a name')
    for bad, words in (('can:0', "refuses ':'"), ('..', 'refuses ".."'), ('a' * 16, 'at most 15'), ('a b', 'white space'), ('', 'empty')):
        refused(['--controller', 'sja1000', '--ip-link', bad, '500'], words)


def group_files():
    with tempfile.TemporaryDirectory() as tmp:
        good = os.path.join(tmp, 'mine.json')
        listed = run(['--list-controllers', '--format', 'json'])[1]
        doc = json.loads(listed)
        mine = dict(doc['controllers'][0], name='mycan', aliases=['mycan_drv'])
        with open(good, 'w') as f:
            json.dump(mine, f)
        # The listed form read back: the same answers under another name.
        check_eq(run_json(['--controller-file', good, '--controller', 'mycan', '500'])['settings'],
                 run_json(['--controller', 'sja1000', '500'])['settings'], 'a listed profile as a file')
        names = [r['name'] for r in csv.DictReader(io.StringIO(run(['--controller-file', good, '--list-controllers', '--format', 'csv'])[1]))]
        check_eq(names[:2], ['mycan', 'sja1000'], 'the file\'s controller listed first')
        # A file's profile under a built-in's name stands in for it, and says so.
        twin = os.path.join(tmp, 'twin.json')
        with open(twin, 'w') as f:
            json.dump(dict(mine, name='mcp2515', aliases=[]), f)
        notes = run_json(['--controller-file', twin, '--controller', 'mcp2515', '500']).get('notes', [])
        check(any('used for "mcp2515", not the built-in "mcp2515"' in n for n in notes), 'stand-in said: %r' % notes)
        check(not any('built-in' in n for n in run_json(['--controller-file', good, '--controller', 'mycan', '500']).get('notes', [])),
              'a new name stands in for nothing')
        bad = os.path.join(tmp, 'bad.json')
        mine['bittiming_const'].pop('tseg2_max')
        with open(bad, 'w') as f:
            json.dump(mine, f)
        refused(['--controller-file', bad, '--controller', 'mycan', '500'], 'bittiming_const.tseg2_max: missing')
        # A field's lsb near 2^32 must not wrap round into the register.
        wrapped = dict(json.loads(listed)['controllers'][0], name='mycan')
        wrapped['fields'][0] = dict(wrapped['fields'][0], lsb=2**32 - 1, width=2)
        with open(bad, 'w') as f:
            json.dump(wrapped, f)
        refused(['--controller-file', bad, '--controller', 'mycan', '500'], 'bits 4294967295 to 4294967296 are outside')
        refused(['--controller-file', os.path.join(tmp, 'none.json'), '--controller', 'x', '500'], 'none.json', status=3)
        # A device of another controller: decoded by its own profile (mcp251x).
        dev = {'ifname': 'can1', 'link_type': 'can', 'linkinfo': {'info_kind': 'can', 'info_data': {
            'ctrlmode': [], 'bittiming': {'bitrate': 125000, 'tq': 500, 'prop_seg': 6, 'phase_seg1': 7, 'phase_seg2': 2, 'sjw': 1, 'brp': 2},
            'bittiming_const': {'name': 'mcp251x', 'tseg1': {'min': 3, 'max': 16}, 'tseg2': {'min': 2, 'max': 8},
                                'sjw': {'min': 1, 'max': 4}, 'brp': {'min': 1, 'max': 64}, 'brp_inc': 1},
            'clock': 4000000}}}
        path = os.path.join(tmp, 'dev.json')
        with open(path, 'w') as f:
            json.dump([dev], f)
        d = run_json(['--from-ip-json', path])
        s = d['settings'][0]
        check_eq((d['controller'], timing(s), s['registers']), ('mcp2515', (2, 6, 7, 2, 1), {'CNF1': '0x01', 'CNF2': '0xB5', 'CNF3': '0x01'}), 'mcp251x device')
        # 4 MHz / (2 x 16) is 125000 exactly: one bit/s below is no kernel's rounding.
        dev['linkinfo']['info_data']['bittiming']['bitrate'] = 124999
        with open(path, 'w') as f:
            json.dump([dev], f)
        refused(['--from-ip-json', path], 'bitrate 124999 does not go with brp 2 and 16 tq')
        dev['linkinfo']['info_data']['bittiming']['bitrate'] = 125000
        dev['linkinfo']['info_data']['bittiming_const']['name'] = 'acme_can'
        with open(path, 'w') as f:
            json.dump([dev], f)
        d = run_json(['--from-ip-json', path])
        check_eq((d['controller'], d['settings'][0]['registers']), ('acme_can', None), 'unknown controller: no registers')
        check('no register layout is known' in ' '.join(d['notes']), 'says so')


def group_forms():
    args = ['--controller', 'mcp2515', '--osc', '8', '125']
    d = run_json(args)
    rows = list(csv.reader(io.StringIO(run(args + ['--format', 'csv'])[1], newline='')))
    check_eq(rows[0][:3], ['controller', 'clock_hz', 'asked_bitrate'], 'CSV header')
    check(all(len(r) == len(rows[0]) for r in rows), 'one table')
    check_eq(len(rows), 1 + 20 + 1, 'settings and the kernel pick')
    head = rows[0]
    first = dict(zip(head, rows[1]))
    check_eq((first['CNF1'], first['brp'], first['recommended'], first['asked_bitrate']), ('0x41', '2', 'yes', '125000'), 'CSV row')
    table = run(args)[1].split('\n\n')[1].splitlines()
    check_eq(re.split(' {2,}', table[0])[:5] + re.split(' {2,}', table[0])[-3:], ['by', '#', 'rec', 'brp', 'tq(ns)', 'CNF1', 'CNF2', 'CNF3'], 'table header')
    check_eq(re.split(' {2,}', table[1].strip())[-3:], ['0x41', '0xBC', '0x01'], 'table row')
    check_eq(len(table), 1 + 20 + 1, 'table rows')
    check_eq(d['settings'][0]['registers']['CNF2'], first['CNF2'], 'JSON and CSV agree')


def group_usage():
    refused(['--controller', 'nosuch', '500'], 'no such controller')
    refused(['--controller', 'm_can', '500'], '--clock-hz')
    refused(['--controller', 'sja1000', '--osc', 'abc', '500'], '--osc')
    refused(['--controller', 'sja1000', '--osc', '0', '500'], '--osc')
    refused(['--controller', 'sja1000', '--osc', '16', '--clock-hz', '8000000', '500'], 'exclude')
    refused(['--controller', 'sja1000', '--clock-hz', '0', '500'], '--clock-hz')
    refused(['--controller', 'sja1000', '--rules', 'none', '500'], '--rules')
    refused(['--controller', 'sja1000', '--divider', '2', '500'], '--divider')
    refused(['--controller', 'sja1000', '--tolerance', 'x', '500'], '--tolerance')
    refused(['--controller', 'sja1000', '5x0'], 'BAUD')
    refused(['--all', '500'], '--controller')
    refused(['--controller', 'sja1000'], 'missing BAUD')
    rc, out, err = run(['--help'])
    for option in ('--controller', '--controller-file', '--clock-hz', '--all', '--list-controllers', '--decode-registers'):
        check(option in out, '--help names ' + option)


def group_sja1000_agree():
    # The window's search with the rate rule alone, SAM 0, less the pairs not
    # settable through SocketCAN, is exactly what --controller sja1000 lists.
    for osc in ('16', '24'):
        for rate in ('1000', '800', '500', '250', '125', '50', '20', '10'):
            window = json.loads(run(['--osc', osc, '--rules', '00000000100', '--format', 'json', rate])[1])
            pairs = {(p['btr0'], p['btr1']) for p in window['pairs'] if p['sam'] == 0 and p['can_tq_ns'] is not None}
            d = run_json(['--controller', 'sja1000', '--osc', osc, '--all', rate])
            listed = {(s['registers']['BTR0'][2:], s['registers']['BTR1'][2:]) for s in d['settings']}
            check_eq(listed, pairs, 'SJA1000 at %s MHz, %s kbit/s' % (osc, rate))
            check(len(pairs) > 0, 'some pairs at %s MHz, %s kbit/s' % (osc, rate))


CLOCKS = {'sja1000': (8000000, 12000000), 'mcp2515': (4000000, 8000000), 'c_can': (24000000, 48000000),
          'd_can': (24000000, 26000000), 'bxcan': (36000000, 42000000), 'm_can': (40000000, 80000000),
          'mcp2518fd': (20000000, 40000000), 'flexcan': (8000000, 40000000), 'esp32-twai': (80000000, 40000000)}
RATES = (10000, 33333, 50000, 83333, 125000, 250000, 500000, 800000, 1000000)


def group_model_search():
    # Every exact setting the model finds, and no other, for each controller at two clocks.
    for name, clocks in CLOCKS.items():
        for clock in clocks:
            for rate in RATES:
                d = run_json(['--controller', name, '--clock-hz', str(clock), '--all', str(rate / 1000)],
                             status=None)
                got = {(s['brp'], s['prop_seg'] + s['phase_seg1'], s['phase_seg2'], s['sjw']) for s in d.get('settings', [])}
                check_eq(got, model.exact_settings(name, clock, rate), '%s at %d Hz, %d bit/s' % (name, clock, rate))
                for s in d.get('settings', []):
                    check_eq(model.fixup_brp(clock, s['ip_tq_ns'], model.LIMITS[name][7]), s['brp'],
                             'the kernel takes tq %d back to brp %d' % (s['ip_tq_ns'], s['brp']))


def group_model_kernel_pick():
    # The kernel's own pick, by a second port of its search, with the CiA and two given sample points.
    for name, clocks in CLOCKS.items():
        for clock in clocks:
            for rate in RATES + (268435456, 3000000):
                for point in (0, 500, 700):
                    args = ['--controller', name, '--clock-hz', str(clock), '--nearest', str(rate / 1000)]
                    if point:
                        args[4:4] = ['--sample-point', str(point / 10)]
                    d = run_json(args, status=None)
                    expected = model.kernel_pick(name, clock, rate, point)
                    k = d.get('kernel_pick')
                    what = '%s at %d Hz, %d bit/s, sample point %d' % (name, clock, rate, point)
                    if isinstance(expected, tuple):
                        check(k is not None and k['registers'] is not None, what + ': a pick with registers')
                        if k:
                            check_eq(timing(k), expected, what)
                    elif expected == 'below limits':
                        check(k is not None and k['registers'] is None and 'below' in d['kernel_pick_reason'], what + ': below limits')
                    else:
                        word = {'refused': 'refuses', 'divides by zero': 'divides by zero', 'overflows': 'overflows'}[expected]
                        check(k is None and word in d['kernel_pick_reason'], what + ': ' + expected)


GROUPS = {name[len('group_'):]: f for name, f in globals().items() if name.startswith('group_')}

if __name__ == '__main__':
    EXE = sys.argv[1]
    GROUPS[sys.argv[2]]()
    sys.exit(1 if FAILURES else 0)
