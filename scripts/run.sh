#!/usr/bin/env bash
# Builds Kelvane and starts it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
# Said before anything is installed or built: a first build takes minutes.
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "run: no graphical display (DISPLAY is not set)." >&2
  echo "run: start Kelvane from a desktop session, or under a virtual display:" >&2
  echo "       xvfb-run -a scripts/run.sh" >&2
  exit 1
fi
scripts/setup.sh
# The dev preset of CMakePresets.json, the build scripts/test.sh makes too;
# with what `cmake --install build` needs, so that it works straight after.
cmake --preset dev
cmake --build --preset dev -j "$(nproc)" --target kelvane_installable
# Kelvane keeps DataTran.Dat in its working directory: use the same per-user
# data directory as the desktop entry, not the source tree.
case "${XDG_DATA_HOME:-}" in
  /*) data="$XDG_DATA_HOME/kelvane" ;;
  *) data="$HOME/.local/share/kelvane" ;;  # a relative XDG_DATA_HOME is invalid
esac
mkdir -p "$data"
cd "$data"
echo "run: transceiver file in $data"
exec "$root/build/app/kelvane" "$@"
