#!/usr/bin/env bash
# Builds the Debian package with CPack and checks its name, control fields and
# contents. Usage: deb_test.sh BUILD_DIR
set -euo pipefail
build=$(realpath -- "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! "${CPACK:-cpack}" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  exit 1
fi
arch=$(dpkg --print-architecture)
deb="$work/out/kelvane_1.1.0.0_${arch}.deb"
[[ -f $deb ]] || { echo "FAIL: no $(basename "$deb"): $(ls "$work/out")"; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == kelvane ]] || fail "Package: $(field Package)"
[[ $(field Version) == 1.1.0.0 ]] || fail "Version: $(field Version)"
[[ $(field Architecture) == "$arch" ]] || fail "Architecture: $(field Architecture)"
[[ $(field Homepage) == https://www.orvena.example ]] || fail "Homepage: $(field Homepage)"
[[ -n $(field Maintainer) ]] || fail "no Maintainer"
# Found by dpkg-shlibdeps from the programs' libraries.
for library in libc6 libstdc++6 libqt6core6 libqt6widgets6; do
  [[ ", $(field Depends)," == *", $library ("* ]] || fail "Depends lacks $library: $(field Depends)"
done

# The font the dialogs are laid out for.
[[ ", $(field Depends)," == *", fonts-liberation | fonts-liberation2,"* ]] ||
  fail "Depends lacks the Liberation fonts: $(field Depends)"

contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
icons=/usr/share/icons/hicolor
expected=(
  /usr/bin/kelvane /usr/bin/kelvane-calc /usr/libexec/kelvane/start-kelvane
  /usr/share/applications/example.orvena.kelvane.desktop
  /usr/share/metainfo/example.orvena.kelvane.metainfo.xml
  $icons/scalable/apps/kelvane.svg
  /usr/share/man/man1/kelvane.1.gz /usr/share/man/man1/kelvane-calc.1.gz
  /usr/share/bash-completion/completions/kelvane-calc
  /usr/share/doc/kelvane/copyright /usr/share/doc/kelvane/changelog.gz
)
for size in 16 22 24 32 48 64 128 256; do expected+=("$icons/${size}x$size/apps/kelvane.png"); done
for path in "${expected[@]}"; do
  grep -qx -- ".$path" <<<"$contents" || fail "missing $path"
done
outside=$(grep -v -e '^\./$' -e '^\./usr/' <<<"$contents" || true)
[[ -z $outside ]] || fail "files outside /usr: $outside"

dpkg-deb -x "$deb" "$work/root"
root="$work/root"
grep -qx 'Exec=/usr/libexec/kelvane/start-kelvane' "$root/usr/share/applications/example.orvena.kelvane.desktop" ||
  fail "desktop entry: $(grep Exec= "$root/usr/share/applications/example.orvena.kelvane.desktop")"
grep -qx "exec '/usr/bin/kelvane' \"\$@\"" "$root/usr/libexec/kelvane/start-kelvane" ||
  fail "launcher: $(grep '^exec' "$root/usr/libexec/kelvane/start-kelvane")"
grep -qx 'License: MIT' "$root/usr/share/doc/kelvane/copyright" || fail "copyright names no MIT licence"
for size in 16 22 24 32 48 64 128 256; do
  file -b "$root$icons/${size}x$size/apps/kelvane.png" | grep -q "PNG image data, $size x $size," ||
    fail "$size px icon: $(file -b "$root$icons/${size}x$size/apps/kelvane.png")"
done
[[ $("$root/usr/bin/kelvane-calc" --version) == "kelvane-calc 1.1.0.0" ]] || fail "packaged kelvane-calc does not run"

# Debian's own package checks: no error and no warning, and among the notes
# none about hardening (bind-now, fortified calls, stack protector, RELRO, PIE).
lintian_out=$(lintian --info --fail-on error,warning "$deb" 2>&1) || fail "lintian: $lintian_out"
hardening=$(grep -E '(^|: )hardening-' <<<"$lintian_out" || true)
[[ -z $hardening ]] || fail "lintian hardening notes: $hardening"

((failures == 0)) || exit 1
echo "package checks passed: $(basename "$deb")"
