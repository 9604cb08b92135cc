"""Runs the real `kelvane-calc transceiver` and checks its rules, its answer to
a file-size limit and four copies of it writing one file at once.
Usage: transceiver_cli_test.py EXECUTABLE GROUP"""

import fcntl
import json
import os
import random
import resource
import signal
import struct
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from checks import FAILURES, check, check_eq  # noqa: E402

EXE = None
RECORD = 440
DEFAULTS = ['PCA82C251', 'PCA82C251-47']
ROWS = [1, 2, 3, 4]
LABELS = [b'tOnTXD', b'tOffTXD', b'tOnRXD', b'tOffRXD']
ODD_NAME = 'TJA,"1\u20ac\u00de-12345'


def run(data, *args, preexec=None):
    p = subprocess.run([EXE, 'transceiver', '--data-file', data] + list(args),
                       capture_output=True, timeout=60, preexec_fn=preexec)
    return p.returncode, p.stdout.decode('utf-8', 'replace'), p.stderr.decode('utf-8', 'replace')


def records(path):
    """(name, description, [12 delays], labels of rows 1-4) of each whole record."""
    with open(path, 'rb') as f:
        data = f.read()
    out = []
    for at in range(0, len(data) // RECORD * RECORD, RECORD):
        r = data[at:at + RECORD]
        name = r[:15].split(b'\0')[0].decode('cp1252')
        description = r[15:215].split(b'\0')[0].decode('cp1252')
        delays, labels = [], []
        for row in ROWS:
            base = 216 + 32 * row
            labels.append(r[base:base + 10].split(b'\0')[0])
            delays += list(struct.unpack('<3i', r[base + 12:base + 24]))
        out.append((name, description, delays, labels))
    return out


def refused(data, args, rule):
    before = open(data, 'rb').read() if os.path.exists(data) else None
    rc, _, err = run(data, *args)
    check_eq(rc, 2, 'exit status of %s' % (args,))
    check(rule in err, '%s: %r does not say %r' % (args, err, rule))
    check(not any(c < ' ' for c in err[:-1]), '%s: a control character in %r' % (args, err))
    after = open(data, 'rb').read() if os.path.exists(data) else None
    check(before == after, '%s changed the file' % (args,))


# --- groups ------------------------------------------------------------------------

def group_rules():
    with tempfile.TemporaryDirectory() as d:
        data = os.path.join(d, 'team.dat')
        check_eq(run(data, 'add', 'TJA1050', '--description', '\ntwo, "quoted"\nlines \u20ac',
                     '--on-rxd', ',5,130')[0], 0, 'add')
        got = records(data)
        check_eq([r[0] for r in got], DEFAULTS + ['TJA1050'], 'an empty file is seeded first')
        check_eq(got[2][1], '\r\ntwo, "quoted"\r\nlines \u20ac', 'line breaks stored as CR LF')
        check_eq(got[2][2], [0] * 6 + [0, 5, 130] + [0] * 3, 'delays')
        check_eq(got[2][3], LABELS, 'labels')
        check_eq(run(data, 'set', 'TJA1050', '--on-rxd', '999999999,,')[0], 0, 'set')
        check_eq(records(data)[2][2][6:9], [999999999, 5, 130], 'set changes only the given places')
        notes = os.path.join(d, 'notes.txt')
        with open(notes, 'w') as f:
            f.write('notes ' * 100 + '\n')
        for args in (['list'], ['show', 'A LINE'], ['export']):
            p = subprocess.run([EXE, 'transceiver', '--data-file', notes] + args, capture_output=True)
            check(p.returncode == 3 and p.stdout == b'' and b'record 1: it holds no zero byte' in p.stderr,
                  'a text file is not read as records by %s: %r' % (args, p.stderr))
        before = open(data, 'rb').read()
        p = subprocess.run([EXE, 'transceiver', '--data-file', data, 'set', 'TJA1050'], capture_output=True)
        check(p.returncode == 2 and b'nothing to change' in p.stderr and open(data, 'rb').read() == before,
              'set without a field is refused: %r' % p.stderr)
        # A file that is not there is said so, at its full path, not taken for an empty one.
        for args in (['list'], ['show', 'PCA82C251'], ['export']):
            p = subprocess.run([EXE, 'transceiver', '--data-file', 'none.dat'] + args, cwd=d,
                               capture_output=True)
            check(p.returncode == 3 and p.stdout == b'' and
                  ('"%s": there is no such file' % os.path.join(d, 'none.dat')).encode() in p.stderr,
                  'missing file for %s: %r' % (args, p.stderr))
        p = subprocess.run([EXE, 'transceiver', '--data-file', data, 'import', 'none.csv'], cwd=d,
                           capture_output=True)
        check(p.returncode == 3 and os.path.join(d, 'none.csv').encode() in p.stderr,
              'import names the full path: %r' % p.stderr)
        # The shared options may come before the word transceiver too.
        for before in (['--data-file', data], ['--data-file=' + data, '--wait', '1']):
            p = subprocess.run([EXE] + before + ['transceiver', 'list'], capture_output=True)
            check_eq((p.returncode, p.stdout.decode().split()), (0, DEFAULTS + ['TJA1050']),
                     'options before transceiver: %r' % p.stderr)

        refused(data, ['add', 'TJ\u00fe'], 'is not in upper case')  # a small thorn
        refused(data, ['add', 'A' * 15], 'is longer than 14 characters')
        refused(data, ['add', ''], 'must not be blank')
        refused(data, ['add', 'TJA1050'], 'is already in')
        refused(data, ['add', 'OMEGA\u03a9'], 'Windows-1252')
        refused(data, ['add', 'LONG', '--description', 'x' * 200], 'more than 199')
        refused(data, ['add', 'LONG', '--description', 'x\n' * 66 + 'xy'], 'more than 199')
        refused(data, ['add', 'BAD', '--on-txd', '1,2'], 'MIN,NOM,MAX')
        refused(data, ['add', 'BAD', '--on-txd', '1,2,9999999999'], 'MIN,NOM,MAX')
        refused(data, ['delete', 'PCA82C251-47'], 'default transceivers')
        refused(data, ['delete', 'NOPE'], 'there is no transceiver')
        refused(data, ['--wait', 'nan', 'add', 'NAN'], 'not a number')
        refused(data, ['show', 'tja1050'], 'there is no transceiver')
        rc, _, err = run(data, 'frobnicate')
        check_eq(rc, 2, 'an unknown command is bad usage (%r)' % err)
        # A comma, a quote, the euro sign: 14 characters, 17 bytes of UTF-8.
        check_eq(run(data, 'add', ODD_NAME, '--description', 'x' * 199)[0], 0, '14 and 199 fit')

        # Export and import give back the same transceivers, in both forms.
        for form in ('csv', 'json'):
            rc, exported, _ = run(data, 'export', '--format', form)
            check_eq(rc, 0, 'export ' + form)
            path = os.path.join(d, 'backup.' + form)
            with open(path, 'w', newline='') as f:
                f.write(exported)
            before = open(data, 'rb').read()
            check_eq(run(data, 'delete', 'TJA1050')[0], 0, 'delete')
            check_eq(run(data, 'set', ODD_NAME, '--off-rxd', ',,7')[0], 0, 'one delay changed')
            check_eq(run(data, 'import', path)[0], 0, 'import ' + form)
            check_eq(run(data, 'export', '--format', form)[1], exported, form + ' round trip')
            # A backup put back is the file it was taken from, defaults (no labels) included.
            check(open(data, 'rb').read() == before, form + ' round trip gives the same bytes')
        json_path = os.path.join(d, 'backup.json')
        items = json.load(open(json_path))
        delays = {'min': 1, 'nom': 2, 'max': 3}
        for broken, rule in ((items[1:], 'leaves out the default transceiver "PCA82C251"'),
                             (items[:1] + items[2:], 'the default transceiver "PCA82C251-47"'),
                             (items + items[-1:], 'is there twice'),
                             (items + [dict(items[-1], name='x')], 'is not in upper case'),
                             (items + [dict(items[-1], name='Y', on_txd=dict(delays, max='a'))],
                              'record 5: on_txd.max is not a delay in whole ns'),
                             # As add and the editor: nine digits, no sign.
                             (items + [dict(items[-1], name='Y', on_txd=dict(delays, max=10 ** 9))],
                              'record 5: on_txd.max is not a delay in whole ns of at most 9 digits'),
                             (items + [dict(items[-1], name='Y', on_txd=dict(delays, min=-1))],
                              'record 5: on_txd.min is not a delay'),
                             (items + [dict(items[-1], name='Y', on_txd=dict(delays, max=2 ** 64 - 1))],
                              'is not a delay'),
                             (items + [{'name': 'Y', 'on_txd': delays}], 'record 5: the delays off_txd are missing'),
                             (items + [dict(items[-1], name='Y', on_rxd={'min': 1, 'max': 3})],
                              'record 5: the delay on_rxd.nom is missing'),
                             (items + [dict(items[-1], name='Y', on_rxd=[delays])],
                              'record 5: unknown or malformed field "on_rxd"'),
                             ([[[[]]]] * 3, 'record 1: not an object')):
            with open(json_path, 'w') as f:
                json.dump(broken, f)
            refused(data, ['import', json_path], rule)
        # A CSV row that does not decode is numbered as the one after the four before it.
        csv_path = os.path.join(d, 'backup.csv')
        exported_csv = open(csv_path, newline='').read()
        for row, rule in (('Y,d,1,2,a,0,0,0,0,0,0,0,0,0', 'record 5: on_txd_max "a" is not'),
                          ('Y,d,-1,2,3,0,0,0,0,0,0,0,0,0', 'record 5: on_txd_min "-1" is not a delay'),
                          ('Y,d,1,2,3,0,0,0,0,0,0,0,0', 'record 5: 13 fields instead of 14')):
            with open(csv_path, 'w', newline='') as f:
                f.write(exported_csv + row + '\r\n')
            refused(data, ['import', csv_path], rule)

        # In use: at once without --wait, after the wait with it.
        with open(data, 'rb') as held:
            fcntl.flock(held, fcntl.LOCK_EX)
            started = time.monotonic()
            rc, _, err = run(data, '--wait', '0.5', 'add', 'LATE')
            check_eq(rc, 3, 'a held file is a file error (%r)' % err)
            check('in use by another program' in err, 'in use: %r' % err)
            check(time.monotonic() - started >= 0.5, '--wait waited')
        rc, _, err = run(data, 'import', d)
        check_eq(rc, 3, 'a folder to import is a file error (%r)' % err)
        rc, _, err = run(os.path.join(d, 'none', 'x.dat'), 'add', 'X')
        check_eq(rc, 3, 'a folder that is not there (%r)' % err)

        huge = os.path.join(d, 'huge.dat')
        with open(huge, 'wb') as f:
            f.truncate(10 * 1024 ** 3)
        rc, _, err = run(huge, 'list')
        check_eq(rc, 3, 'a 10 GB file is refused')
        check('"%s" is 10737418240 bytes long' % huge in err, 'names the file and size: %r' % err)


def group_blank_names():
    # As in the editor: blanks ending a new name go before the checks, and a
    # name of blanks only is blank; import takes names as add does.
    with tempfile.TemporaryDirectory() as d:
        data = os.path.join(d, 'team.dat')
        check_eq(run(data, 'add', 'TJA1040 ')[0], 0, 'add with a blank at the end')
        refused(data, ['add', 'PCA82C251 '], 'a transceiver "PCA82C251" is already in')
        refused(data, ['add', ' \t\u00a0'], 'the name must not be blank')
        items = json.loads(run(data, 'export', '--format', 'json')[1])
        path = os.path.join(d, 'in.json')
        for name, rule in (('  ', 'record 4: the name must not be blank'),
                           ('TJA1040\t', 'record 4: the name "TJA1040" is there twice'),
                           ('TJA1040\u00a0', 'is there twice'), ('TJA1040\r\n', 'is there twice'),
                           ('KEPT \u3000', None)):
            with open(path, 'w') as f:
                json.dump(items + [dict(items[-1], name=name)], f)
            if rule:
                refused(data, ['import', path], rule)
            else:
                check_eq(run(data, 'import', path)[0], 0, 'import %r' % name)
        check_eq([r[0] for r in records(data)], DEFAULTS + ['TJA1040', 'KEPT'], 'names as stored')


def group_file_size_limit():
    # The child gets the signal's default action back, as a shell would give
    # it: the program must ignore it itself.
    def limited(limit):
        def preexec():
            signal.signal(signal.SIGXFSZ, signal.SIG_DFL)
            resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
        return preexec

    with tempfile.TemporaryDirectory() as d:
        data = os.path.join(d, 'DataTran.Dat')
        for name in ('A', 'B', 'C'):
            run(data, 'add', name)
        before = open(data, 'rb').read()
        for args, limit in ((['add', 'NEW'], len(before) + 100),
                            (['set', 'C', '--description', 'changed'], len(before) - 200),
                            (['delete', 'A'], 900)):
            rc, _, err = run(data, *args, preexec=limited(limit))
            check_eq(rc, 3, '%s under a limit of %d bytes (%r)' % (args, limit, err))
            check('File too large' in err, 'the reason is given: %r' % err)
            check(open(data, 'rb').read() == before, '%s left the file as it was' % (args,))
            check_eq(sorted(os.listdir(d)), ['DataTran.Dat'], 'no copy left')


def group_import_limits():
    with tempfile.TemporaryDirectory() as d:
        data = os.path.join(d, 'team.dat')
        run(data, 'add', 'ABC', '--on-txd', '1,2,3')
        before = open(data, 'rb').read()
        path = os.path.join(d, 'in')

        def refused_text(text, rule):
            with open(path, 'wb') as f:
                f.write(text)
            refused(data, ['import', path], rule)

        exported = run(data, 'export')[1].encode()
        with open(path, 'wb') as f:
            f.write(b'\xef\xbb\xbf' + exported)
        check_eq(run(data, 'import', path)[:2], (0, ''), 'a CSV after a byte-order mark')
        check(open(data, 'rb').read() == before, 'the same file again')
        record = '"on_txd": {"min": 1, "nom": 2, "max": 3}, "off_txd": {"min": 1, "nom": 2, "max": 3}, ' \
                 '"on_rxd": {"min": 1, "nom": 2, "max": 3}, "off_rxd": {"min": 1, "nom": 2, "max": 3}, '
        defaults = run(data, 'export', '--format', 'json')[1].strip()[:-1] + ','
        refused_text((defaults + '{' + record + '"name": "A", "name": "B"}]').encode(),
                     'record 4: the key "name" is there twice')
        refused_text((defaults + '{' + record.replace('"nom": 2', '"nom": 2, "nom": 5', 1) + '"name": "A"}]').encode(),
                     'record 4: the key "on_txd.nom" is there twice')
        # Too deep, too long, too large: refused at once, at the first byte that shows it.
        refused_text(b'[' * 1000000, 'record 1: not an object')
        refused_text(b'[' + b'{},' * 1000000 + b'{}]', 'record 1: no "name" text')
        refused_text(b'[' + b' ' * 70000 + b']', 'longer than any export writes')
        refused_text(b'name' + b'x' * 70000, 'line 1: a field longer than any export writes')
        with open(path, 'wb') as f:
            f.truncate(300 * 1024 ** 2)
        refused(data, ['import', path], 'is larger than any export of a transceiver file')
        # Control characters of a key or a name never reach the terminal raw.
        for body, shown in ((record + '"name": "A", "\\u001b]0;pwned\\u0007": 1', '"\\x1B]0;pwned\\x07"'),
                            (record + '"name": "A\\u0000"', '"A\\x00" holds a control character'),
                            (record.replace('"max"', '"\\u001b[2J"', 1) + '"name": "A"', 'on_txd.\\x1B[2J is')):
            refused_text((defaults + '{' + body + '}]').encode(), shown)
        rc, _, err = run('', 'list')
        check_eq((rc, err), (2, 'kelvane-calc: transceiver: --data-file: no file given\n'), 'empty --data-file')
        p = subprocess.run([EXE, 'transceiver', 'list'], cwd=d, capture_output=True,
                           env=dict(os.environ, HOME='', XDG_DATA_HOME=''))
        check_eq(p.stderr.decode().count('DataTran.Dat'), 1, 'one file, named once: %r' % p.stderr)


def worker(data, me, seconds, log):
    """Adds, sets and deletes its own transceivers; its model is what succeeded."""
    rng = random.Random(me)
    model, statuses = {}, {}
    stop = time.monotonic() + seconds
    n = 0
    while time.monotonic() < stop:
        n += 1
        name = 'W%dN%d' % (me, rng.randrange(6))
        delays = [rng.randrange(1000) for _ in range(3)]
        text = 'w%d-%d' % (me, n)
        if name not in model or rng.random() < 0.15:
            args, expect = ['add', name, '--description', text, '--on-rxd', '%d,%d,%d' % tuple(delays)], \
                (2 if name in model else 0)
        elif rng.random() < 0.5:
            args, expect = ['set', name, '--description', text, '--off-txd', '%d,%d,%d' % tuple(delays)], 0
        else:
            args, expect = ['delete', name], 0
        rc, _, err = run(data, '--wait', '5', *args)
        statuses[rc] = statuses.get(rc, 0) + 1
        if rc != expect:
            print('FAIL: worker %d: %s gave %d (%r), expected %d' % (me, args, rc, err, expect))
            sys.exit(1)
        if rc == 0:
            if args[0] == 'add':
                model[name] = (text, [0] * 6 + delays + [0] * 3)
            elif args[0] == 'set':
                model[name] = (text, model[name][1][:3] + delays + model[name][1][6:])
            else:
                del model[name]
    json.dump({'model': model, 'statuses': statuses, 'commands': n}, open(log, 'w'))


def group_concurrent():
    with tempfile.TemporaryDirectory() as d:
        data = os.path.join(d, 'DataTran.Dat')
        run(data, 'list')
        logs = [os.path.join(d, 'w%d.json' % i) for i in range(4)]
        procs = [subprocess.Popen([sys.executable, __file__, EXE, 'worker', data, str(i), '4', logs[i]])
                 for i in range(4)]
        for p in procs:
            check_eq(p.wait(timeout=120), 0, 'worker exit status')
        expected = {}
        commands = 0
        for log in logs:
            result = json.load(open(log))
            commands += result['commands']
            expected.update({k: (v[0], v[1]) for k, v in result['model'].items()})
        got = records(data)
        check_eq(os.path.getsize(data) % RECORD, 0, 'whole records only')
        names = [r[0] for r in got]
        check_eq(len(names), len(set(names)), 'no name twice')
        check_eq(names[:2], DEFAULTS, 'the defaults first')
        check_eq({r[0]: (r[1], r[2]) for r in got[2:]}, expected, 'the file holds what succeeded')
        for r in got[2:]:
            check_eq(r[3], LABELS, 'labels of %s' % r[0])
        check_eq(sorted(os.listdir(d)), sorted(['DataTran.Dat'] + [os.path.basename(l) for l in logs]),
                 'no copy left')
        print('%d commands, %d transceivers at the end' % (commands, len(got)))


GROUPS = {name[len('group_'):]: f for name, f in globals().items() if name.startswith('group_')}

if __name__ == '__main__':
    EXE = os.path.abspath(sys.argv[1])
    if sys.argv[2] == 'worker':
        worker(sys.argv[3], int(sys.argv[4]), float(sys.argv[5]), sys.argv[6])
        sys.exit(0)
    GROUPS[sys.argv[2]]()
    sys.exit(1 if FAILURES else 0)
