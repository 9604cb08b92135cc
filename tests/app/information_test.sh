#!/bin/sh
# kelvane --version and --help answer with status 0 and no display at all.
# Usage: information_test.sh KELVANE
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
v=$("$1" --version) || { echo "--version: status $?"; exit 1; }
[ "$v" = "kelvane 1.1.0.0" ] || { echo "--version: $v"; exit 1; }
h=$("$1" --help) || { echo "--help: status $?"; exit 1; }
case $h in
  "Usage: kelvane "*'${XDG_DATA_HOME:-~/.local/share}/kelvane'*kelvane-calc*) ;;
  *) echo "--help: $h"; exit 1 ;;
esac
# Anything else is refused with the usage on stderr and status 2, still without
# a display; Qt's own options are left to Qt.
for bad in --foo extra -platform; do
  err=$("$1" "$bad" 2>&1 >/dev/null)
  status=$?
  [ "$status" = 2 ] && [ "$(printf '%s\n' "$err" | tail -n 1)" = "Usage: kelvane [--help | --version]" ] ||
    { echo "$bad: status $status: $err"; exit 1; }
done
[ "$("$1" -style fusion --version)" = "kelvane 1.1.0.0" ] || { echo "-style fusion --version"; exit 1; }
