#!/usr/bin/env bash
# Loads the kelvane-calc completion into bash as bash-completion does and checks
# the candidates for a few command lines. Usage: completion_test.sh COMPLETION
set -euo pipefail
completion=$(realpath -- "$1")
framework=/usr/share/bash-completion/bash_completion
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# One 440-byte transceiver record holding only a name.
record() { printf '%s' "$1"; head -c $((440 - ${#1})) /dev/zero; }
user_data="$work/home/.local/share/kelvane"
mkdir -p "$user_data" "$work/cwd"
{ record PCA82C251; record PCA82C251-47; printf 'FRAGMENT'; } >"$user_data/DataTran.Dat"
{ record TJA1050; record 'MY PART'; } >"$work/other.dat"

# expect LINE CANDIDATES...: the sorted candidates for the end of LINE.
expect() {
  local line=$1 actual wanted
  shift
  actual=$(cd "$work/cwd" && env -u XDG_DATA_HOME HOME="$work/home" \
    bash --norc --noprofile -c '
      source "$1" && source "$2" || exit 1
      registered=$(complete -p kelvane-calc) || exit 1
      [[ $registered =~ -F\ ([^ ]+) ]] || exit 1
      COMP_LINE=$3 COMP_POINT=${#3}
      read -r -a COMP_WORDS <<<"$3"
      [[ $3 == *" " ]] && COMP_WORDS+=("")
      COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
      "${BASH_REMATCH[1]}" kelvane-calc "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
      printf "%s\n" "${COMPREPLY[@]}"' _ "$framework" "$completion" "$line" | sort | xargs) || true
  wanted=$(printf '%s\n' "$@" | sort | xargs)
  if [[ $actual != "$wanted" ]]; then
    echo "FAIL: '$line' completes to '$actual', expected '$wanted'"
    failures=$((failures + 1))
  fi
}

expect 'kelvane-calc --fo' --format
expect 'kelvane-calc --from-ip-json - --dev' --device
expect 'kelvane-calc --format ' csv json table
expect 'kelvane-calc --rules ' all none standard
expect 'kelvane-calc --transceiver ' PCA82C251 PCA82C251-47
expect 'kelvane-calc --transceiver PCA82C251-' PCA82C251-47
expect "kelvane-calc --data-file $work/other.dat --transceiver " TJA1050 'MY\ PART'
expect 'kelvane-calc transceiver delete PCA' PCA82C251 PCA82C251-47
expect 'kelvane-calc transceiver export --format ' csv json
expect 'kelvane-calc --controller m' m_can mcp2515 mcp2518fd
expect 'kelvane-calc --list-c' --list-controllers
expect 'kelvane-calc pl' plan
expect 'kelvane-calc plan --n' --node --network
expect 'kelvane-calc plan --data-s' --data-sample-point
expect 'kelvane-calc plan --node a=sja1000@16 --p' --picture
expect 'kelvane-calc --pic' --picture
expect 'kelvane-calc --controller flexcan' flexcan flexcan-fd
expect 'kelvane-calc --data-' --data-bitrate --data-file --data-sample-point
expect 'kelvane-calc --data-sample-point ' cia

((failures == 0)) || exit 1
echo "completion checks passed"
