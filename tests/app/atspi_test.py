#!/usr/bin/python3
"""The main window as a screen reader on Linux reads it, through AT-SPI: value
fields announce their values, radio buttons are radio buttons.

Usage (inside a display and a D-Bus session): atspi_test.py KELVANE
Exit status 77 when the AT-SPI packages are missing."""
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

try:
    import pyatspi
except ImportError:
    print("pyatspi is not installed")
    sys.exit(77)

LAUNCHER = "/usr/libexec/at-spi-bus-launcher"


def wait_for(what, find, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        found = find()
        if found is not None:
            return found
        time.sleep(0.2)
    raise AssertionError("not found in time: " + what)


def descendants(acc):
    for child in acc:
        if child is not None:
            yield child
            yield from descendants(child)


def by_name(window, role, name):
    for acc in descendants(window):
        if acc.getRoleName() == role and acc.name == name:
            return acc
    return None


def window_named(app, start):
    for window in app:
        if window is not None and window.name.startswith(start):
            return window
    return None


def text_of(acc):
    text = acc.queryText()
    return text.getText(0, text.characterCount)


def main():
    if not os.path.exists(LAUNCHER):
        print("at-spi2-core is not installed")
        return 77
    started = []
    workdir = tempfile.mkdtemp()
    try:
        # Each in a process group of its own, so that the bus daemon the launcher
        # starts and the registry it activates end with it.
        started.append(subprocess.Popen([LAUNCHER, "--launch-immediately"], start_new_session=True))
        time.sleep(1)
        env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb")
        started.append(subprocess.Popen([sys.argv[1]], cwd=workdir, env=env, start_new_session=True))

        def app():
            for candidate in pyatspi.Registry.getDesktop(0):
                if candidate is not None and candidate.name.lower() == "kelvane":
                    return candidate
            return None

        kelvane = wait_for("the program", app)
        thanks = wait_for("the thank-you window", lambda: window_named(kelvane, "Orvena thanks"))
        by_name(thanks, "push button", "Close").queryAction().doAction(0)

        main_window = wait_for("the main window", lambda: window_named(kelvane, "Kelvane - Bus"))
        for name in ("Fclk = Fosc", "Fclk = Fosc /"):
            assert by_name(main_window, "radio button", name) is not None, name
        by_name(main_window, "text", "Baud Rate").queryEditableText().setTextContents("500")
        by_name(main_window, "push button", "Calculate").queryAction().doAction(0)
        fclk = by_name(main_window, "label", "Fclk (Clock Frequency)")
        wait_for("the clock frequency",
                 lambda: fclk if text_of(fclk) == "16000000.000000" else None)
        expected = {
            ("label", "Combination baud rate"): "500.000000",
            ("label", "Fclk (Clock Freq Max)"): "16016000.000000",
            ("text", "SJW bits"): "00",
            ("text", "BTR1 test value"): "00",
        }
        for (role, name), value in expected.items():
            acc = by_name(main_window, role, name)
            assert acc is not None, name
            assert text_of(acc) == value, "%s: %r" % (name, text_of(acc))
        print("AT-SPI checks passed")
        return 0
    finally:
        for process in reversed(started):
            try:
                os.killpg(process.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
            process.wait()
        shutil.rmtree(workdir, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
