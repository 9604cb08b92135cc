#!/usr/bin/python3
"""The main window as a screen reader on Linux reads it, through AT-SPI.
Usage, inside a display and a D-Bus session: atspi_test.py KELVANE
(status 77 when the AT-SPI packages are missing)."""
import os, shutil, signal, subprocess, sys, tempfile, time

try:
    import pyatspi
except ImportError:
    sys.exit(77)
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def wait_for(what, find):
    for _ in range(150):
        found = find()
        if found is not None:
            return found
        time.sleep(0.2)
    raise AssertionError("not found in time: " + what)


def child(parent, role, name):
    for acc in parent:
        if acc is None:
            continue
        if acc.getRoleName() == role and acc.name.startswith(name):
            return acc
        found = child(acc, role, name)
        if found is not None:
            return found
    return None


def text(acc):
    return acc.queryText().getText(0, -1)


def check(kelvane):
    thanks = wait_for("thank-you window", lambda: child(kelvane, "dialog", "Orvena thanks"))
    child(thanks, "push button", "Close").queryAction().doAction(0)
    main = wait_for("main window", lambda: child(kelvane, "dialog", "Kelvane - Bus"))
    assert child(main, "radio button", "Fclk = Fosc /") is not None
    child(main, "text", "Baud Rate").queryEditableText().setTextContents("500")
    child(main, "push button", "Calculate").queryAction().doAction(0)
    fclk = child(main, "label", "Fclk (Clock Frequency)")
    wait_for("16000000.000000", lambda: fclk if text(fclk) == "16000000.000000" else None)
    for role, name, value in [("label", "Combination baud rate", "500.000000"),
                              ("text", "SJW bits", "00"), ("text", "BTR1 test value", "00")]:
        assert text(child(main, role, name)) == value, name


if not os.path.exists(LAUNCHER):
    sys.exit(77)
workdir = tempfile.mkdtemp()
env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
# Process groups of their own, ended with SIGTERM so that the launcher takes its
# bus daemon along.
started = [subprocess.Popen([LAUNCHER, "--launch-immediately"], start_new_session=True)]
try:
    time.sleep(1)
    started.append(subprocess.Popen([sys.argv[1]], cwd=workdir, env=env, start_new_session=True))
    check(wait_for("the program", lambda: next(
        (a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "Kelvane"), None)))
    print("AT-SPI checks passed")
finally:
    for process in reversed(started):
        os.killpg(process.pid, signal.SIGTERM)
        process.wait()
    shutil.rmtree(workdir, ignore_errors=True)
