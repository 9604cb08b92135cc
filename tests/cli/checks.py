"""Failure collection shared by the kelvane-calc test scripts: a group runs
every check and reports them all, rather than stopping at the first."""

FAILURES = []


def check(condition, what):
    if not condition:
        FAILURES.append(what)
        print('FAIL:', what)


def check_eq(actual, expected, what):
    check(actual == expected, '%s: got %r, expected %r' % (what, actual, expected))
