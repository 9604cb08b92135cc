#!/usr/bin/env bash
# Times kelvane-calc with CAN FD as scripts use it: one fresh process per
# listing of every nominal and data setting with the best pairs as JSON.
# Prints the mean and best wall time of each, in microseconds.
# Usage: bench/cli/fd.sh [path/to/kelvane-calc] [runs]
set -euo pipefail
exe=${1:-build-release/cli/kelvane-calc}
runs=${2:-20}

# time_runs LABEL ARGS...: mean and best of $runs runs.
time_runs() {
  local label=$1 total=0 best= took start i
  shift
  for ((i = 0; i < runs; i++)); do
    start=${EPOCHREALTIME/./}
    "$exe" "$@" >/dev/null || [[ $? == 1 ]]
    took=$((${EPOCHREALTIME/./} - start))
    total=$((total + took))
    if [[ -z $best || $took -lt $best ]]; then best=$took; fi
  done
  printf '%-56s mean %6d us  best %6d us\n' "$label" $((total / runs)) "$best"
}

time_runs "mcp2518fd 40 MHz 500 kbit/s, 2 Mbit/s --all --format json" \
  --controller mcp2518fd --osc 40 --data-bitrate 2000 --all --format json 500
time_runs "m_can 80 MHz 125 kbit/s, 5 Mbit/s --all --format json" \
  --controller m_can --clock-hz 80000000 --data-bitrate 5000 --all --format json 125
time_runs "m_can 80 MHz 125 kbit/s, 5 Mbit/s, 255 ns loop, --best" \
  --controller m_can --clock-hz 80000000 --data-bitrate 5000 --tdc-loop-ns 255 --best 125
time_runs "flexcan-fd 40 MHz 500 kbit/s, 2 Mbit/s --all --format json" \
  --controller flexcan-fd --clock-hz 40000000 --data-bitrate 2000 --all --format json 500
