#!/usr/bin/env bash
# Times kelvane-calc with CAN FD as scripts use it: one fresh process per
# listing of every nominal and data setting with the best pairs as JSON.
# Prints the best and median wall and CPU time of each, in microseconds.
# Usage: bench/cli/fd.sh [path/to/kelvane-calc] [runs]
set -euo pipefail
exe=${1:-build-release/cli/kelvane-calc}
runs=${2:-20}

source "$(dirname "${BASH_SOURCE[0]}")/best_of.sh"

time_runs "mcp2518fd 40 MHz 500 kbit/s, 2 Mbit/s --all --format json" \
  --controller mcp2518fd --osc 40 --data-bitrate 2000 --all --format json 500
time_runs "m_can 80 MHz 125 kbit/s, 5 Mbit/s --all --format json" \
  --controller m_can --clock-hz 80000000 --data-bitrate 5000 --all --format json 125
time_runs "m_can 80 MHz 125 kbit/s, 5 Mbit/s, 255 ns loop, --best" \
  --controller m_can --clock-hz 80000000 --data-bitrate 5000 --tdc-loop-ns 255 --best 125
time_runs "flexcan-fd 40 MHz 500 kbit/s, 2 Mbit/s --all --format json" \
  --controller flexcan-fd --clock-hz 40000000 --data-bitrate 2000 --all --format json 500
