"""Runs the real kelvane-calc with CAN FD options and checks its answers
against values worked out by hand from the drivers' code, the kernel's
can_calc_bittiming and can_calc_tdco, and the five tolerance conditions.
Usage: fd_cli_test.py EXECUTABLE GROUP"""

import csv
import io
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from checks import FAILURES, check, check_eq  # noqa: E402

EXE = None
MCP = ['--controller', 'mcp2518fd', '--osc', '40']
MCAN = ['--controller', 'm_can', '--clock-hz', '80000000']
FLEX = ['--controller', 'flexcan-fd', '--clock-hz', '40000000']


def run(args):
    p = subprocess.run([EXE] + args, capture_output=True, timeout=60)
    return p.returncode, p.stdout.decode('utf-8'), p.stderr.decode('utf-8')


def run_json(args, status=0):
    rc, out, err = run(args + ['--format', 'json'])
    check_eq(rc, status, 'exit status of %s (stderr %r)' % (args, err))
    return json.loads(out) if out else {}


def refused(args, words):
    rc, out, err = run(args)
    check(rc == 2 and out == '' and err.count('\n') == 1 and words in err,
          '%s: status 2 and one line naming %r, got %d %r' % (args, words, rc, err))


def timing(s):
    return (s['brp'], s['prop_seg'], s['phase_seg1'], s['phase_seg2'], s['sjw'])


def recommended(d):
    pairs = [c for c in d['combinations'] if c['recommended']]
    check_eq(len(pairs), 1, 'one recommended pair')
    return pairs[0] if pairs else None


def group_pairs():
    # 40 MHz, 500 kbit/s at CiA 87.5 %: brp 1, 80 quanta, tseg2 10; 2 Mbit/s
    # at 75 %: brp 1, 20 quanta, tseg2 5. Condition 2, 10 / (2 x (13 x 80 - 10))
    # = 4854.4 ppm, limits every pair with nominal sjw 8 or more (condition 1:
    # sjw / 1600) and data sjw 3 or more (condition 5: sjw / 470).
    d = run_json(MCP + ['--data-bitrate', '2000', '--ip-link', 'can0', '500'])
    p = recommended(d)
    check_eq((timing(p['nominal']), timing(p['data'])), ((1, 1, 68, 10, 8), (1, 1, 13, 5, 5)), 'the pair')
    check_eq((p['fd_tolerance_ppm'], p['limiting_condition'], p['same_brp']), (4854.4, 2, True), 'its tolerance')
    data = d['data_settings'][p['data_index'] - 1]
    # DBTCFG = TSEG1 13 << 16 | TSEG2 4 << 8 | SJW 4; can_calc_tdco: (1 + 1 + 13) x 1 = 15.
    check_eq(data['registers'], {'DBTCFG': '0x000D0404', 'TDC': '0x00020F00'}, 'its data registers')
    check(data['recommended'] and d['settings'][p['nominal_index'] - 1]['recommended'], 'both rows marked')
    check_eq((d['tdc']['mode'], d['tdc']['tdco'], d['tdc']['registers']), ('auto', 15, {'TDC': '0x00020F00'}), 'TDC')
    # Data sjw 2 with nominal sjw 7 or more: condition 5 at 2 / 470 = 4255.3 ppm.
    low = [c for c in d['combinations'] if c['data']['sjw'] == 2 and c['nominal']['sjw'] >= 7]
    check(low and all(c['limiting_condition'] == 5 and c['fd_tolerance_ppm'] == 4255.3 for c in low), 'sjw 2 pairs')
    # The kernel, dbitrate 2000000: tsegall 20, tseg2 5, prop 7, phase-seg1 7,
    # sjw max(1, min(7, 5 / 2)) = 2; its pair: condition 1, 5 / 1600.
    k = d['data_kernel_pick']
    check_eq((timing(k), k['registers']['DBTCFG']), ((1, 7, 7, 5, 2), '0x000D0401'), 'kernel data pick')
    check_eq((d['kernel_fd_tolerance_ppm'], d['kernel_limiting_condition']), (3125, 1), 'kernel pair')
    check('dbitrate 2000000 fd on' in d['kernel_command'], 'kernel command')
    line = d['paste']['ip_link'].splitlines()[1]
    check(line.endswith('tq 25 prop-seg 1 phase-seg1 68 phase-seg2 10 sjw 8 triple-sampling off '
                        'dtq 25 dprop-seg 1 dphase-seg1 13 dphase-seg2 5 dsjw 5 tdc-mode auto tdco 15 fd on'), line)
    for key in ['DataTimeQuantaNSec=25', 'DataPhaseBufferSegment1=13', 'DataSyncJumpWidth=5', 'FDMode=yes']:
        check(key in d['paste']['networkd'].splitlines(), key)
    # A data prescaler of 3 has no TDC from can_calc_tdco: 40 MHz, 1 Mbit/s,
    # brp 4, 10 quanta, 75 %: --all lists it with TDC off.
    d = run_json(MCP + ['--data-bitrate', '1000', '--all', '500'])
    brp4 = [s for s in d['data_settings'] if s['brp'] == 4 and s['phase_seg2'] == 2 and s['sjw'] == 2]
    check(brp4 and brp4[0]['registers']['TDC'] == '0x00000000', 'no TDC at brp 4')


def group_mcan():
    # 80 MHz, 125 kbit/s nominal needs brp 4 (160 quanta) for 87.5 %. With data
    # brp 1 (16 quanta, tseg2 4, sjw 4) condition 5 leaves (4 - 3) / (2 x (300 x 4
    # + 68)) = 394.3 ppm: below 1000 ppm.
    d = run_json(MCAN + ['--data-bitrate', '5000', '--all', '125'])
    bad = [c for c in d['combinations'] if timing(c['nominal']) == (4, 1, 138, 20, 16)
           and timing(c['data']) == (1, 1, 10, 4, 4)]
    check(bad and (bad[0]['fd_tolerance_ppm'], bad[0]['limiting_condition'], bad[0]['tolerance_ok'],
                   bad[0]['recommended']) == (394.3, 5, False, False), 'condition 5 at brp 4 / 1')
    check(recommended(d)['tolerance_ok'], 'the recommended pair passes')
    # m_can's own TDC for the kernel's data pick (brp 1, prop 5, phase 6, 4):
    # 80000 x 750 / 5000000 = 12; DBTP = TDC | 10 << 8 | 3 << 4 | 1.
    check_eq((d['kernel_tdc']['mode'], d['kernel_tdc']['tdco'], d['data_kernel_pick']['registers']),
             ('auto', 12, {'DBTP': '0x00800A31', 'TDCR': '0x00000C00'}), 'm_can TDC')
    check_eq(d['kernel_tdc']['ip_link_options'], None, 'm_can takes no tdc options')
    # 2 Mbit/s is not above 2.5 Mbit/s: no TDC.
    d = run_json(MCAN + ['--data-bitrate', '2000', '125'])
    check_eq((d['kernel_tdc']['mode'], d['kernel_tdc']['tdco']), ('off', 0), 'no TDC at 2 Mbit/s')
    # A loop delay of 255 ns: 5 Mbit/s at brp 4 (two quanta, 100 ns before the
    # sample point) needs TDC, which a data brp above 2 cannot give.
    d = run_json(MCAN + ['--data-bitrate', '5000', '--tdc-loop-ns', '255', '--all', '125'])
    for s in d['data_settings']:
        check_eq(s['propagation_ok'], s['brp'] <= 2, 'TDC works for data brp %d' % s['brp'])
    check_eq((d['tdc']['loop_delay_clocks'], d['tdc']['needs_tdc'], d['tdc']['measurable']), (21, True, True),
             '255 ns at 80 MHz')


def group_flexcan():
    # At 40 MHz a sample point of 80 % at 1 Mbit/s lies 32 clock periods into
    # the bit at any brp: TDCOFF keeps 32 & 31 = 0, so no such setting works.
    d = run_json(FLEX + ['--data-bitrate', '1000', '--data-sample-point', '80', '--all', '500'])
    for s in d['data_settings']:
        at80 = abs(s['sample_point_pct'] - 80) < 1e-9
        check(not (at80 and s['propagation_ok']), 'a cut offset is marked: %r' % (timing(s),))
    check(recommended(d)['data']['brp'] <= 2, 'the pair has a data brp TDC works with')
    # The kernel: tsegall 40, tseg2 8, tseg1 31 = prop 15 + phase 16, sjw 4.
    # flexcan writes phase-seg1 8 and prop 23: FDCBT = FRJW 3 << 16 | 23 << 10
    # | 7 << 5 | 7; FDCTRL = FDRATE | MBDSR 3, 3 | TDCEN | TDCOFF 0.
    k = d['data_kernel_pick']
    check_eq(timing(k), (1, 15, 16, 8, 4), 'kernel data pick')
    check_eq(k['registers'], {'FDCBT': '0x00035CE7', 'FDCTRL': '0x801B8000'}, 'its registers')
    check_eq((d['kernel_tdc']['tdco'], d['kernel_tdc']['tdco_intended'], d['kernel_tdc']['truncated']),
             (0, 32, True), 'TDCOFF cut')
    check(any('does not work' in n for n in d['notes']), 'the note says it does not work')
    # Asked 80 %, it recommends an earlier data sample point, and says why; at
    # 5 Mbit/s (8 clock periods a bit) nothing is cut and nothing is said.
    t = recommended(d)['data']
    lead = 1 + t['prop_seg'] + t['phase_seg1']
    check(lead * 100 < 80 * (lead + t['phase_seg2']) and
          any('samples earlier' in n for n in d['notes']), 'why the data sample point is early')
    check(not any('samples earlier' in n for n in run_json(FLEX + ['--data-bitrate', '5000', '500'])['notes']),
          'no such note where nothing is cut')


def group_decode():
    regs = ['NBTCFG=0x00440907', 'DBTCFG=0x000D0404']
    d = run_json(MCP + ['--decode-registers'] + regs + ['TDC=0x00010A05', '--ip-link', 'can0'])
    check_eq(timing(d['data_settings'][0]), (1, 1, 13, 5, 5), 'data timing')
    check_eq((d['tdc']['registers_mode'], d['tdc']['registers_tdco']), ('manual', 10), 'TDC read')
    check_eq((d['combinations'][0]['fd_tolerance_ppm'], d['combinations'][0]['limiting_condition']), (4854.4, 2), 'pair')
    check('tdc-mode manual tdco 10 tdcv 5 fd on' in d['paste']['ip_link'], d['paste']['ip_link'])
    check(any('not what the mcp2518fd driver writes' in n for n in d['notes']), 'TDC by hand noted')
    refused(MCP + ['--decode-registers'] + regs, 'TDC=VALUE')
    refused(MCP + ['--decode-registers', 'NBTCFG=1', 'DBTP=1'], 'DBTP')
    # M_CAN with the driver's own TDC at 80 MHz, 5 Mbit/s: no note; TDCO 11 is one.
    mcan = MCAN + ['--decode-registers', 'NBTP=0x12038A13', 'DBTP=0x00800A33']
    check(not any('driver writes' in n for n in run_json(mcan + ['TDCR=0x0C00'])['notes']), 'driver TDC')
    check(any('driver writes' in n for n in run_json(mcan + ['TDCR=0x0B00'])['notes']), 'other TDC')


DEVICE = {'ifname': 'can0', 'link_type': 'can', 'linkinfo': {'info_kind': 'can', 'info_data': {
    'ctrlmode': ['FD', 'TDC-AUTO'], 'clock': 40000000,
    'bittiming': {'bitrate': 500000, 'sample_point': '0.875', 'tq': 25, 'prop_seg': 34, 'phase_seg1': 35,
                  'phase_seg2': 10, 'sjw': 5, 'brp': 1},
    'bittiming_const': {'name': 'mcp251xfd', 'tseg1': {'min': 2, 'max': 256}, 'tseg2': {'min': 1, 'max': 128},
                        'sjw': {'min': 1, 'max': 128}, 'brp': {'min': 1, 'max': 256}, 'brp_inc': 1},
    'data_bittiming': {'bitrate': 2000000, 'sample_point': '0.750', 'tq': 25, 'prop_seg': 7, 'phase_seg1': 7,
                       'phase_seg2': 5, 'sjw': 2, 'brp': 1, 'tdc': {'tdco': 14}}}}}


def group_device():
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, 'can0.json')
        with open(path, 'w') as f:
            json.dump([DEVICE], f)
        d = run_json(['--from-ip-json', path, '--ip-link', 'can0'])
        check_eq((d['controller'], timing(d['data_settings'][0])), ('mcp2518fd', (1, 7, 7, 5, 2)), 'device')
        check_eq((d['tdc']['device_mode'], d['tdc']['device_tdco'], d['tdc']['tdco']), ('auto', 14, 15), 'TDC')
        check(any('set by hand' in n for n in d['notes']), 'tdco 14 is not can_calc_tdco')
        check('tdc-mode auto tdco 14 fd on' in d['paste']['ip_link'], 'the device as it is')
        # Its register holds that offset: TDCMOD auto (2) << 16 | 14 << 8, not can_calc_tdco's 15.
        check_eq(d['data_settings'][0]['registers']['TDC'], '0x00020E00', 'the device\'s TDC register')
        # The same timing named flexcan is the FD FlexCAN: (7 + 7 + 1) x 1 = 15.
        info = DEVICE['linkinfo']['info_data']
        flex = json.loads(json.dumps(DEVICE))
        flex['linkinfo']['info_data']['bittiming_const'] = dict(info['bittiming_const'], name='flexcan')
        with open(path, 'w') as f:
            json.dump(flex, f)
        d = run_json(['--from-ip-json', path])
        check_eq((d['controller'], d['data_settings'][0]['registers']['FDCTRL']), ('flexcan-fd', '0x801B8F00'), 'flexcan')


def group_forms():
    rc, out, _ = run(MCP + ['--data-bitrate', '2000', '--format', 'csv', '500'])
    sections = [s for s in out.split('\r\n\r\n') if s.strip()]
    check_eq(len(sections), 4, 'nominal, data, pairs and TDC tables')
    data = list(csv.DictReader(io.StringIO(sections[1])))
    check_eq((len(data), data[0]['asked_bitrate'], data[0]['DBTCFG']), (21, '2000000', '0x000D0404'), 'data rows')
    pairs = list(csv.DictReader(io.StringIO(sections[2])))
    check_eq((pairs[0]['fd_tolerance_ppm'], pairs[0]['limiting_condition']), ('4854.4', '2'), 'pair row')
    tdc = dict(csv.reader(io.StringIO(sections[3])))
    check_eq((tdc['tdc_tdco'], tdc['tdc_register_TDC']), ('15', '0x00020F00'), 'TDC rows')
    rc, out, _ = run(MCP + ['--data-bitrate', '2000', '--best', '500'])
    check(rc == 0 and 'FD tol(ppm)' in out and 'TDC registers:' in out, 'table')


def group_usage():
    refused(['--controller', 'mcp2515', '--data-bitrate', '2000', '500'], 'no data phase')
    refused(MCP + ['--data-bitrate', '250', '500'], 'below the nominal')
    refused(MCP + ['--data-bitrate', '2e3', '500'], '--data-bitrate')
    refused(['--data-bitrate', '2000', '500'], '--data-bitrate needs --controller')
    refused(MCP + ['--data-sample-point', '75', '500'], 'goes with --data-bitrate')
    refused(MCP + ['--data-bitrate', '2000', '--data-sample-point', '100', '500'], '--data-sample-point')
    refused(MCP + ['--tdc-loop-ns', '100', '500'], '--tdc-loop-ns goes with')
    refused(MCP + ['--data-bitrate', '2000', '--tdc-loop-ns', '-1', '500'], '--tdc-loop-ns')
    # An equal data rate is taken.
    check_eq(run(MCP + ['--data-bitrate', '500', '500'])[0], 0, 'equal rates')
    # Rates typed in bit/s: 2000000 kbit/s is 2000 Mbit/s; the hint is in kbit/s.
    rc, _, err = run(MCP + ['--data-bitrate', '2000000', '500000'])
    check(rc == 1 and 'did you mean 500?' in err and 'did you mean 2000?' in err, err)


GROUPS = {name[len('group_'):]: f for name, f in globals().items() if name.startswith('group_')}

if __name__ == '__main__':
    EXE = sys.argv[1]
    GROUPS[sys.argv[2]]()
    if FAILURES:
        print('\n'.join(FAILURES))
        sys.exit(1)
    print('ok')
