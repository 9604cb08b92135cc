"""Runs the real `kelvane-calc plan` and checks its plans against the
formulas of ISO 11898-1 worked out here, its refusals, its picture and its SVG.
Usage: plan_cli_test.py EXECUTABLE GROUP"""

import csv
import io
import json
import os
import pty
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
from fractions import Fraction

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from checks import FAILURES, check, check_eq  # noqa: E402

EXE = None
CLASSIC = ['--node', 'sja=sja1000@16', '--node', 'mcp=mcp2515@8,ppm=100',
           '--node', 'bx=bxcan@36MHz,ppm=50,transceiver=TJA', '--bus-length', '40', '500']


def run(*args, cwd=None, env=None):
    p = subprocess.run([EXE, 'plan'] + list(args), capture_output=True, timeout=60, cwd=cwd, env=env)
    return p.returncode, p.stdout.decode('utf-8', 'replace'), p.stderr.decode('utf-8', 'replace')


def transceiver_file(folder):
    """DataTran.Dat with TJA: the off pair is the worse, 100 + 120 = 220 ns of loop."""
    path = os.path.join(folder, 'DataTran.Dat')
    subprocess.run([EXE, 'transceiver', '--data-file', path, 'add', 'TJA', '--on-txd', '10,50,90',
                    '--off-txd', '10,60,100', '--on-rxd', '20,70,110', '--off-rxd', '20,80,120'],
                   check=True, capture_output=True)
    return path


def check_node_figures(node, clock_hz, need_ns, worst_ppm, wanted):
    """A node's reported figures from its segments alone."""
    name = node['name']
    brp, prop, ps1, ps2, sjw = (node[k] for k in ('brp', 'prop_seg', 'phase_seg1', 'phase_seg2', 'sjw'))
    nbt = 1 + prop + ps1 + ps2
    check_eq(Fraction(clock_hz, brp * nbt), wanted, name + ' rate')
    check(sjw <= min(ps1, ps2), name + ' sjw within both phase segments')
    tq = brp * 1e9 / clock_hz
    check((prop + ps1 - sjw) * tq >= need_ns - 1e-9, '%s covers %s ns' % (name, need_ns))
    conditions = [Fraction(sjw, 20 * nbt), Fraction(min(ps1, ps2), 2 * (13 * nbt - ps2))]
    tolerance = min(conditions)
    check(abs(node['tolerance_ppm'] - float(tolerance) * 1e6) < 1e-6, name + ' tolerance')
    check_eq(node['limiting_condition'], conditions.index(tolerance) + 1, name + ' limiting condition')
    deviation = abs(node['error_ppm']) + node['oscillator_ppm']
    check(abs(node['margin_ppm'] - (float(tolerance) * 1e6 - (deviation + worst_ppm) / 2)) < 1e-6, name + ' margin')
    check_eq(node['sample_point_pct'], 100.0 * (1 + prop + ps1) / nbt, name + ' sample point')


# --- groups ------------------------------------------------------------------------

def group_classical():
    with tempfile.TemporaryDirectory() as d:
        transceiver_file(d)
        rc, out, err = run('--format', 'json', *CLASSIC, cwd=d)
        check_eq((rc, err), (0, ''), 'classical bus')
        doc = json.loads(out)
        nodes = doc['nodes']
        check_eq([n['name'] for n in nodes], ['sja', 'mcp', 'bx'], 'node order')
        check_eq([n['clock_hz'] for n in nodes], [8000000, 4000000, 36000000], 'reported clocks')
        check_eq([n['loop_delay_ns'] for n in nodes], [0, 0, 220], 'loops: none, none, TJA off pair')
        worst = max(abs(n['error_ppm']) + n['oscillator_ppm'] for n in nodes)
        for n in nodes:
            # 40 m at 5 ns/m both ways, the node's loop and the slowest one's (220).
            check_node_figures(n, n['clock_hz'], 400 + n['loop_delay_ns'] + 220, worst, 500000)
        # The MCP2515 at 4 MHz has 8 quanta and phase-seg2 >= 2: 75 % at most, and all share it.
        check_eq({n['sample_point_pct'] for n in nodes}, {75.0}, 'common sample point')
        net = doc['network']
        check_eq((net['feasible'], net['sample_point_spread_pct']), (True, 0), 'network')
        check_eq(net['min_margin_ppm'], min(n['margin_ppm'] for n in nodes), 'smallest margin')
        limiting = min(nodes, key=lambda n: n['margin_ppm'])
        check_eq((net['limiting_node'], net['limiting_condition']),
                 (limiting['name'], limiting['limiting_condition']), 'limiting node')
        sja = nodes[0]
        # BTR0 = (SJW - 1) << 6 | (BRP - 1); BTR1 = (TSEG2 - 1) << 4 | (TSEG1 - 1).
        btr0 = (sja['sjw'] - 1) << 6 | (sja['brp'] - 1)
        btr1 = (sja['phase_seg2'] - 1) << 4 | (sja['prop_seg'] + sja['phase_seg1'] - 1)
        check_eq(sja['registers'], {'BTR0': '0x%02X' % btr0, 'BTR1': '0x%02X' % btr1}, 'SJA1000 registers')
        check('\nip link set dev can0 type can tq 125 prop-seg %d phase-seg1 %d ' % (sja['prop_seg'], sja['phase_seg1'])
              in sja['ip_link'], 'ip link: ' + sja['ip_link'])


def group_network_file():
    with tempfile.TemporaryDirectory() as d:
        transceiver_file(d)
        net = {'bitrate': 500000, 'bus_length_m': 40,
               'nodes': [{'name': 'sja', 'controller': 'sja1000', 'clock': 16},
                         {'name': 'mcp', 'controller': 'MCP251x', 'clock': '8MHz', 'ppm': 100},
                         {'name': 'bx', 'controller': 'bxcan', 'clock': '36000000Hz', 'ppm': 50,
                          'transceiver': 'TJA'}]}
        path = os.path.join(d, 'bus.json')
        with open(path, 'w') as f:
            json.dump(net, f)
        _, from_options, _ = run('--format', 'json', *CLASSIC, cwd=d)
        rc, from_file, err = run('--format', 'json', '--network', path, cwd=d)
        check_eq((rc, err), (0, ''), 'network file')
        check_eq(json.loads(from_file)['nodes'][1]['controller'], 'mcp2515', 'alias read')
        check_eq(from_file.replace('"controller": "mcp2515"', ''), from_options.replace('"controller": "mcp2515"', ''),
                 'file and options plan alike')
        for bad, says in [({'nodes': [{'name': 'a', 'controller': 'sja1000', 'clock': 16},
                                      {'name': 'b', 'controller': 'sja1000'}]}, 'node 2 ("b"): clock: missing'),
                          ({'nodes': [{'name': 'a', 'controller': 'sja1000', 'clock': '16 MHz'}]},
                           'node 1 ("a"): clock: "16 MHz" is not a clock'),
                          ({'nodes': [{'name': 'a', 'controller': 'sja1000', 'clock': 16, 'ppn': 5}]},
                           'node 1 ("a"): ppn: not a field of a node'),
                          ({'nodes': [{'name': 'a', 'controller': 'sja1000', 'clock': 16, 'ppm': -1}]},
                           'node 1 ("a"): ppm: give a number'),
                          ({'nodes': [{'name': 'a', 'controller': 'nope', 'clock': 16}]},
                           'node "a": controller: "nope" is not known'),
                          ({'nodes': [{'name': 'a', 'controller': 'sja1000', 'clock': 16}], 'bitrate': '500'},
                           'bitrate: give the rate in bit/s'),
                          ({'nodes': []}, 'nodes: give an array'),
                          ({'nodes': [{'name': 'a', 'controller': 'sja1000', 'clock': 16}], 'sample_point': 100},
                           'bus.json": sample_point "100" is not a per cent'),
                          ({'nodes': [{'name': 'a', 'controller': 'm_can', 'clock': 40}], 'data_sample_point': 70},
                           'bus.json": data_sample_point needs data_bitrate')]:
            with open(path, 'w') as f:
                json.dump(bad, f)
            rc, out, err = run('--network', path, '500', cwd=d)
            check_eq((rc, out), (2, ''), 'refused %s' % bad)
            check(says in err and err.count('\n') == 1, '%r does not say %r on one line' % (err, says))
        with open(path, 'w') as f:
            f.write('{"nodes": [')
        check_eq(run('--network', path, '500', cwd=d)[0], 2, 'broken JSON')
        check_eq(run('--network', os.path.join(d, 'missing.json'), '500', cwd=d)[0], 3, 'missing file')


def group_refusals():
    for args, says in [(['--node', 'a=sja1000', '500'], 'give NAME=CONTROLLER@CLOCK'),
                       (['--node', 'a=sja1000@16,ppm=x', '500'], 'ppm "x" is not a number'),
                       (['--node', 'a=sja1000@16,speed=5', '500'], '"speed=5" is not ppm=N'),
                       (['--node', 'a=sja1000@16', '--node', 'a=mcp2515@8', '500'], 'node "a": name given twice'),
                       (['--node', 'a=sja1000@16', '--node', 'b=mcp2515@8', '--data-bitrate', '2000', '500'],
                        'node "a": sja1000 has no CAN FD data phase'),
                       (['--node', 'a=sja1000@16', '500', '--sample-point', '100'], '--sample-point "100"'),
                       (['--node', 'a=sja1000@16', '--bus-length', '-3', '500'], ''),
                       (['--node', 'a=sja1000@16', '--picture', '--format', 'json', '500'], '--picture goes with'),
                       (['--node', 'a=sja1000@16,transceiver=NOPE', '--data-file', '/nonexistent/x', '500'], ''),
                       (['500'], 'no nodes')]:
        rc, out, err = run(*args)
        check(rc in (2, 3) and out == '' and err.count('\n') == 1 and says in err,
              '%s: %r %r %r' % (args, rc, out, err))


def group_infeasible():
    # 1 Mbit/s over 200 m: 2 x 1000 ns before the sample point, in a bit of 1000 ns.
    rc, out, err = run('--format', 'json', '--node', 'a=sja1000@16', '--node', 'b=sja1000@16',
                       '--bus-length', '200', '1000')
    check_eq((rc, err), (1, ''), 'too long a bus')
    net = json.loads(out)['network']
    check_eq((net['feasible'], net['failure'], net['limiting_node']), (False, 'propagation', 'a'), 'propagation')
    # The SJA1000 at 1 Mbit/s has 8 quanta of 125 ns: at most 625 ns (tseg1 6 less sjw 1),
    # so 62.5 m; the first rate down that covers 2000 ns is 250 kbit/s.
    check_eq(net['suggestions'][:2], ['a bus of at most 62.5 m', 'a rate of 250 kbit/s'], 'suggestions')
    # 62.5 m is the edge: it plans, 62.6 m does not.
    check_eq(run('--node', 'a=sja1000@16', '--node', 'b=sja1000@16', '--bus-length', '62.5', '1000')[0], 0,
             'at the edge')
    check_eq(run('--node', 'a=sja1000@16', '--node', 'b=sja1000@16', '--bus-length', '62.6', '1000')[0], 1,
             'past the edge')
    # 14.7456 MHz cannot make 500 kbit/s: the nearest is 460.8 kbit/s (-78400 ppm),
    # far beyond any tolerance; another clock helps.
    rc, out, _ = run('--node', 'a=sja1000@14.7456', '--node', 'b=sja1000@16', '500')
    check_eq(rc, 1, 'oscillator at fault')
    check('No plan: a (sja1000 at 14.7456 MHz): tolerance condition' in out, out)
    check('a clocked at 8 MHz' in out, out)


def group_picture():
    args = ['--picture', '--node', 'a=sja1000@16', '--node', 'b=bxcan@36', '500']
    rc, out, _ = run(*args)
    check_eq(rc, 0, 'picture')
    bits = [line for line in out.split('The bit at')[-1].splitlines() if line.startswith(('a  ', 'b  '))]
    check_eq(len(bits), 2, 'one row per node')
    check('\x1b' not in out, 'no colours into a pipe')
    check(len({line.index('|') for line in bits}) == 1, 'sample points line up: %r' % bits)
    # A --controller list draws its listed settings and the kernel's pick; the window's search draws nothing.
    p = subprocess.run([EXE, '--controller', 'mcp2515', '--osc', '8', '--best', '--picture', '125'],
                       capture_output=True, text=True)
    rows = p.stdout.split('The bit at 125 kbit/s:\n')[-1].splitlines()[1:]
    check_eq([r.split('  ')[0] for r in rows], ['#1 recommended', "kernel's pick"], 'list picture rows')
    check_eq(subprocess.run([EXE, '--picture', '500'], capture_output=True).returncode, 2, '--picture alone')
    # On a terminal colours come, unless NO_COLOR says no.
    for no_color, coloured in [(None, True), ('1', False)]:
        env = dict(os.environ)
        env.pop('NO_COLOR', None)
        if no_color:
            env['NO_COLOR'] = no_color
        leader, follower = pty.openpty()
        p = subprocess.Popen([EXE, 'plan'] + args, stdout=follower, stderr=subprocess.DEVNULL, env=env)
        os.close(follower)
        text = b''
        while True:
            try:
                chunk = os.read(leader, 4096)
            except OSError:
                break
            if not chunk:
                break
            text += chunk
        p.wait()
        os.close(leader)
        check_eq(b'\x1b[' in text, coloured, 'colours on a terminal with NO_COLOR=%s' % no_color)


def group_svg():
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, 'bit.svg')
        rc, out, _ = run('--format', 'json', '--svg', path, '--node', 'a=sja1000@16', '--node', 'b=mcp2515@8',
                         '--node', 'c=bxcan@36', '250')
        check_eq(rc, 0, 'svg written')
        nodes = json.loads(out)['nodes']
        root = ET.parse(path).getroot()
        ns = '{http://www.w3.org/2000/svg}'
        check_eq(root.tag, ns + 'svg', 'an SVG document')
        rows = [g for g in root.iter(ns + 'g') if g.get('class') == 'row']
        check_eq([g.get('data-label') for g in rows], ['a', 'b', 'c'], 'one row per node')
        for g, n in zip(rows, nodes):
            rects = [r for r in g.iter(ns + 'rect') if r.get('class', '').startswith('segment')]
            counts = [1, n['prop_seg'], n['phase_seg1'], n['phase_seg2']]
            nbt = sum(counts)
            widths = [float(r.get('width')) for r in rects]
            check_eq(len(rects), sum(1 for c in counts if c), n['name'] + ' segments drawn')
            expected = [640.0 * c / nbt for c in counts if c]
            check(all(abs(w - e) < 0.01 for w, e in zip(widths, expected)),
                  '%s widths %s, expected %s' % (n['name'], widths, expected))
            line = [x for x in g.iter(ns + 'line') if x.get('class') == 'sample-point'][0]
            left = float(rects[0].get('x'))
            check(abs(float(line.get('x1')) - left - 640.0 * n['sample_point_pct'] / 100) < 0.01,
                  n['name'] + ' sample point line')
        check(any(g.get('class') == 'legend' for g in root.iter(ns + 'g')), 'a legend')
        check_eq(run('--svg', os.path.join(d, 'no', 'such', 'folder.svg'), '--node', 'a=sja1000@16', '500')[0], 3,
                 'unwritable SVG')
        check_eq(run('--svg', '-', '--node', 'a=sja1000@16', '500')[0], 2, 'no SVG into the plan on standard output')


def fd_conditions(n, d):
    """The five conditions of ISO 11898-1 (2015) for a nominal/data pair, as CiA 601-3 lists them."""
    nbt = 1 + n['prop_seg'] + n['phase_seg1'] + n['phase_seg2']
    dbt = 1 + d['prop_seg'] + d['phase_seg1'] + d['phase_seg2']
    low = min(n['phase_seg1'], n['phase_seg2'])
    ratio = Fraction(d['brp'], n['brp'])
    return [Fraction(n['sjw'], 20 * nbt),
            Fraction(low, 2 * (13 * nbt - n['phase_seg2'])),
            Fraction(d['sjw'], 20 * dbt),
            low / (2 * ((6 * dbt - d['phase_seg2']) * ratio + 7 * nbt)),
            (d['sjw'] - max(0, 1 / ratio - 1)) / (2 * ((2 * nbt - n['phase_seg2']) / ratio + d['phase_seg2'] + 4 * dbt))]


def group_fd():
    # At 125 kbit/s with 5 Mbit/s data the prescalers differ and condition 5 limits.
    limits = set()
    for nominal, data in [('500', '2000'), ('125', '5000')]:
        rc, out, err = run('--format', 'json', '--node', 'stm=m_can@80', '--node', 'pi=mcp2518fd@40',
                           '--node', 'imx=flexcan-fd@40', '--data-bitrate', data, nominal)
        check_eq((rc, err), (0, ''), 'FD bus at %s/%s' % (nominal, data))
        nodes = json.loads(out)['nodes']
        for n in nodes:
            d = n['data_setting']
            dbt = 1 + d['prop_seg'] + d['phase_seg1'] + d['phase_seg2']
            check_eq(Fraction(n['clock_hz'], d['brp'] * dbt), int(data) * 1000, n['name'] + ' data rate')
            conditions = fd_conditions(n, d)
            check(abs(n['tolerance_ppm'] - float(min(conditions)) * 1e6) < 1e-6, n['name'] + ' FD tolerance')
            check_eq(n['limiting_condition'], conditions.index(min(conditions)) + 1, n['name'] + ' FD condition')
            limits.add(n['limiting_condition'])
    check_eq(limits, {2, 5}, 'conditions met')
    rc, out, err = run('--format', 'json', '--node', 'stm=m_can@80', '--node', 'pi=mcp2518fd@40',
                       '--node', 'imx=flexcan-fd@40', '--data-bitrate', '2000', '500')
    nodes = json.loads(out)['nodes']
    check_eq(len({n['data_setting']['sample_point_pct'] for n in nodes}), 1, 'common data sample point')
    stm, pi, imx = nodes
    # m_can's driver: TDC only above 2.5 Mbit/s. mcp251xfd: can_calc_tdco, automatic with a data
    # prescaler of 1 or 2, offset (1 + prop-seg + phase-seg1) x brp. flexcan: always, offset
    # (phase-seg1 - 1 + prop-seg + 2) x brp.
    check_eq(stm['tdc']['mode'], 'off', 'm_can at 2 Mbit/s')
    d = pi['data_setting']
    check_eq((pi['tdc']['mode'], pi['tdc']['tdco']),
             ('auto' if d['brp'] <= 2 else 'off', (1 + d['prop_seg'] + d['phase_seg1']) * d['brp'] if d['brp'] <= 2 else 0),
             'mcp2518fd TDC')
    check(' dprop-seg %d dphase-seg1 %d dphase-seg2 %d dsjw %d fd on\n' % (d['prop_seg'], d['phase_seg1'], d['phase_seg2'],
                                                                      d['sjw']) in pi['ip_link'], pi['ip_link'])
    check(pi['networkd'].endswith('DataSyncJumpWidth=%d\nFDMode=yes\n' % d['sjw']), pi['networkd'])
    d = imx['data_setting']
    check_eq((imx['tdc']['mode'], imx['tdc']['tdco']), ('auto', (d['phase_seg1'] - 1 + d['prop_seg'] + 2) * d['brp']),
             'flexcan TDC')
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, 'DataTran.Dat')
        subprocess.run([EXE, 'transceiver', '--data-file', path, 'add', 'SLOW', '--off-txd', '0,0,200',
                        '--off-rxd', '0,0,200'], check=True, capture_output=True)
        # A 400 ns loop: at 2.5 Mbit/s (400 ns a bit) the bit never comes back before the
        # sample point and m_can turns TDC on only above 2.5 Mbit/s; at 4 Mbit/s it does.
        args = ['--format', 'json', '--node', 'stm=m_can@80,transceiver=SLOW', '--node', 'pi=mcp2518fd@40',
                '--data-bitrate']
        rc, out, _ = run(*args, '2500', '500', cwd=folder)
        net = json.loads(out)['network']
        check_eq((rc, net['failure'], net['limiting_node']), (1, 'data-phase', 'stm'), 'no TDC at 2.5 Mbit/s')
        check_eq(net['suggestions'][0], 'a data rate of 2000 kbit/s', 'a lower data rate')
        rc, out, _ = run(*args, '4000', '500', cwd=folder)
        check_eq((rc, json.loads(out)['nodes'][0]['tdc']['mode']), (0, 'auto'), 'TDC at 4 Mbit/s')


def group_csv():
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, 'bus.json')
        with open(path, 'w') as f:
            json.dump({'nodes': [{'name': 'gate "west"', 'controller': 'sja1000', 'clock': 16},
                                 {'name': 'b', 'controller': 'sja1000', 'clock': 24}]}, f)
        rc, out, _ = run('--format', 'csv', '--network', path, '125')
        check_eq(rc, 0, 'csv')
        nodes, network = out.split('\n\n')
        rows = list(csv.DictReader(io.StringIO(nodes)))
        check_eq([r['name'] for r in rows], ['gate "west"', 'b'], 'names with quotes round trip')
        check_eq(rows[0]['registers'].split()[0][:5], 'BTR0=', 'registers cell')
        keys = dict(r for r in csv.reader(io.StringIO(network)))
        check_eq((keys['feasible'], keys['sample_point_spread_pct']), ('yes', '0'), 'network section')


GROUPS = {name[len('group_'):]: f for name, f in globals().items() if name.startswith('group_')}

if __name__ == '__main__':
    EXE = os.path.abspath(sys.argv[1])
    GROUPS[sys.argv[2]]()
    if FAILURES:
        print('%d check(s) failed' % len(FAILURES))
        sys.exit(1)
    print('ok')
