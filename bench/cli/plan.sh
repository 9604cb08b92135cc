#!/usr/bin/env bash
# Times kelvane-calc plan as a script runs it: one fresh process planning a
# bus of 16 CAN FD nodes (M_CAN at 40 and 80 MHz, MCP2518FD and FlexCAN FD at
# 40 MHz, 50 ppm each) at 500 kbit/s with 2 Mbit/s data over 20 m, and the
# same bus at 500 kbit/s with 5 Mbit/s data. Prints the best and median wall
# and CPU time of each, in microseconds.
# Usage: bench/cli/plan.sh [path/to/kelvane-calc] [runs]
set -euo pipefail
exe=${1:-build/cli/kelvane-calc}
runs=${2:-50}
nodes=()
controllers=(m_can@80 mcp2518fd@40 flexcan-fd@40 m_can@40)
for ((i = 1; i <= 16; i++)); do
  nodes+=(--node "n$i=${controllers[i % 4]},ppm=50")
done
source "$(dirname "${BASH_SOURCE[0]}")/best_of.sh"
for rates in "500 2000" "500 5000"; do
  read -r nominal data <<<"$rates"
  best_of "plan, 16 FD nodes, $nominal/$data kbit/s" \
    "$exe" plan "${nodes[@]}" --bus-length 20 --data-bitrate "$data" --format json "$nominal"
done
