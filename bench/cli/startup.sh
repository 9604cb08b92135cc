#!/usr/bin/env bash
# Times kelvane-calc as scripts use it: one search per fresh process (default
# rules, 500 kbit/s). Usage: bench/cli/startup.sh [path/to/kelvane-calc] [runs]
set -euo pipefail
exe=${1:-build/cli/kelvane-calc}
runs=${2:-200}
if command -v hyperfine >/dev/null; then
  exec hyperfine -N --warmup 10 --runs "$runs" "$exe 500" "$exe --format json 500"
fi
total=0
best=
for ((i = 0; i < runs; i++)); do
  start=${EPOCHREALTIME/./}
  "$exe" 500 >/dev/null
  took=$(( ${EPOCHREALTIME/./} - start ))
  total=$((total + took))
  if [[ -z $best || $took -lt $best ]]; then best=$took; fi
done
echo "kelvane-calc 500: mean $((total / runs)) us, best $best us over $runs runs"
