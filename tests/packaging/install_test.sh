#!/usr/bin/env bash
# Installs the build into prefixes other than the configured one and checks
# that the installed desktop entry starts the installed program in the
# per-user data folder. Usage: install_test.sh BUILD_DIR CONFIGURED_PREFIX
set -euo pipefail
build=$1
configured=$2
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

id=example.orvena.kelvane
# A blank and a dollar sign in the prefix: the Exec line and the launcher must quote.
prefix="$work/my \$apps"
[[ $prefix != "$configured" ]] || { echo "prefix equals the configured one"; exit 1; }
"${CMAKE:-cmake}" --install "$build" --prefix "$prefix" >/dev/null
desktop="$prefix/share/applications/$id.desktop"

report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
# The class Qt gives the window (WM_CLASS "kelvane", "Kelvane"), so that docks tie it to the entry.
grep -qx 'StartupWMClass=Kelvane' "$desktop" || fail "desktop entry: no StartupWMClass=Kelvane"
[[ -z $report ]] || fail "desktop-file-validate says: $report"
report=$(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" 2>&1) ||
  fail "appstreamcli validate: $report"
report=$(appstreamcli validate-tree --no-net "$prefix" 2>&1) || fail "appstreamcli validate-tree: $report"

# The Exec line as a launcher reads it: the string escape (\\ is \), %% is %,
# then quoting as in a shell's double quotes.
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
exec_line=${exec_line//\\\\/\\}
exec_line=${exec_line//%%/%}
eval "command_words=($exec_line)"

# start_and_check DATA_DIR [VAR=VALUE...]: runs the Exec line from another folder
# and waits until the program runs in DATA_DIR.
start_and_check() {
  local expected=$1
  shift
  mkdir -p "$work/elsewhere"
  (cd "$work/elsewhere" &&
    exec env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen \
      XDG_RUNTIME_DIR="$work/runtime" "$@" "${command_words[@]}" >"$work/log" 2>&1) &
  local pid=$!
  pids+=("$pid")
  local exe="" cwd=""
  for _ in $(seq 300); do
    exe=$(readlink "/proc/$pid/exe" 2>/dev/null || true)
    cwd=$(readlink "/proc/$pid/cwd" 2>/dev/null || true)
    [[ $exe == "$prefix/bin/kelvane" && $cwd == "$expected" ]] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [[ $exe == "$prefix/bin/kelvane" ]] || fail "program: '$exe' (log: $(cat "$work/log"))"
  [[ $cwd == "$expected" ]] || fail "working folder: '$cwd', expected '$expected'"
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
mkdir -p "$work/runtime" && chmod 700 "$work/runtime"
start_and_check "$work/home/.local/share/kelvane" HOME="$work/home"
start_and_check "$work/xdg/kelvane" HOME="$work/home" XDG_DATA_HOME="$work/xdg"
# A relative XDG_DATA_HOME is invalid and falls back to the home folder's.
start_and_check "$work/home/.local/share/kelvane" HOME="$work/home" XDG_DATA_HOME=relative

# DESTDIR: files go below it, the entry names the final places.
DESTDIR="$work/stage" "${CMAKE:-cmake}" --install "$build" --prefix /opt/kelvane >/dev/null
staged="$work/stage/opt/kelvane"
[[ -x $staged/bin/kelvane && -x $staged/bin/kelvane-calc ]] || fail "DESTDIR: programs missing"
grep -qx 'Exec=/opt/kelvane/libexec/kelvane/start-kelvane' "$staged/share/applications/$id.desktop" ||
  fail "DESTDIR: Exec line $(grep Exec= "$staged/share/applications/$id.desktop")"
grep -qx "exec '/opt/kelvane/bin/kelvane' \"\$@\"" "$staged/libexec/kelvane/start-kelvane" ||
  fail "DESTDIR: launcher $(grep '^exec' "$staged/libexec/kelvane/start-kelvane")"

((failures == 0)) || exit 1
echo "install checks passed"
