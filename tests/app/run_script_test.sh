#!/usr/bin/env bash
# scripts/run.sh without a display says so at once, with the xvfb-run hint,
# before it installs or builds anything. Usage: run_script_test.sh SOURCE_DIR
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Stand-ins that record being called: none of them may be.
for tool in cmake sudo apt-get dpkg-query; do
  printf '#!/bin/sh\necho "%s called" >>"%s/called"\n' "$tool" "$work" >"$work/$tool"
  chmod +x "$work/$tool"
done
err=$(env -u DISPLAY -u WAYLAND_DISPLAY PATH="$work:$PATH" "$1/scripts/run.sh" 2>&1 >/dev/null)
status=$?
[[ $status == 1 ]] || { echo "status $status: $err"; exit 1; }
[[ $err == *"xvfb-run -a scripts/run.sh"* ]] || { echo "no xvfb-run hint: $err"; exit 1; }
[[ ! -e $work/called ]] || { echo "ran before saying so: $(cat "$work/called")"; exit 1; }
