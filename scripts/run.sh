#!/usr/bin/env bash
# Builds Kelvane and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
scripts/setup.sh
# The dev preset of CMakePresets.json, the build scripts/test.sh makes too.
cmake --preset dev
cmake --build --preset dev -j "$(nproc)" --target kelvane
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run: no graphical display (DISPLAY is not set)." >&2
  echo "run: start Kelvane from a desktop session, or under a virtual display:" >&2
  echo "       xvfb-run -a build/app/kelvane" >&2
  exit 1
fi
# Kelvane keeps DataTran.Dat in its working directory: use the same per-user
# data directory as the desktop entry, not the source tree.
data="${XDG_DATA_HOME:-$HOME/.local/share}/kelvane"
mkdir -p "$data"
cd "$data"
echo "run: transceiver file in $data"
exec "$root/build/app/kelvane" "$@"
