#!/usr/bin/env bash
# Times kelvane-calc as scripts use it: one search per fresh process (default
# rules, 500 kbit/s), and one ordered by sample point that falls back to the
# nearest rate (14.7456 MHz: a second sweep over all pairs).
# Usage: bench/cli/startup.sh [path/to/kelvane-calc] [runs]
set -euo pipefail
exe=${1:-build/cli/kelvane-calc}
runs=${2:-200}
if command -v hyperfine >/dev/null; then
  exec hyperfine -N --warmup 10 --runs "$runs" "$exe 500" "$exe --format json 500" \
    "$exe --osc 14.7456 --sample-point 87.5 --nearest 500"
fi
source "$(dirname "${BASH_SOURCE[0]}")/best_of.sh"
best_of "kelvane-calc 500" "$exe" 500
best_of "kelvane-calc --sample-point --nearest" "$exe" --osc 14.7456 --sample-point 87.5 --nearest 500
