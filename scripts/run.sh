#!/usr/bin/env bash
# Builds Kelvane and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target kelvane
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run: no graphical display (DISPLAY is not set)." >&2
  echo "run: start Kelvane from a desktop session, or under a virtual display:" >&2
  echo "       xvfb-run -a build/app/kelvane" >&2
  exit 1
fi
exec build/app/kelvane "$@"
