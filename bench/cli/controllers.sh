#!/usr/bin/env bash
# Times kelvane-calc --controller as scripts use it: one fresh process per
# listing of every setting as JSON, for each controller at the CiA rates from
# 10 kbit/s to 1 Mbit/s, and the largest lists (m_can at 80 MHz, 10 and 125
# kbit/s) on their own. Prints the best and median wall and CPU time of each,
# in microseconds.
# Usage: bench/cli/controllers.sh [path/to/kelvane-calc] [runs]
set -euo pipefail
exe=${1:-build-release/cli/kelvane-calc}
runs=${2:-20}

source "$(dirname "${BASH_SOURCE[0]}")/best_of.sh"

time_runs "m_can 80 MHz 10 kbit/s --all --format json" \
  --controller m_can --clock-hz 80000000 --all --format json 10
time_runs "m_can 80 MHz 125 kbit/s --all --format json" \
  --controller m_can --clock-hz 80000000 --all --format json 125
# The clock each controller is typically fed with.
for entry in sja1000:16 mcp2515:8 c_can:24 d_can:24 bxcan:36 m_can:80 mcp2518fd:40 flexcan:40 \
             esp32-twai:80; do
  controller=${entry%%:*}
  osc=${entry#*:}
  for rate in 10 20 50 125 250 500 800 1000; do
    time_runs "$controller $osc MHz $rate kbit/s" --controller "$controller" --osc "$osc" \
      --all --nearest --format json "$rate"
  done
done
