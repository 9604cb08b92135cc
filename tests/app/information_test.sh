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
