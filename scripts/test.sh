#!/usr/bin/env bash
# Builds Kelvane and runs every test: the full build, then the engine and
# store tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh

# The builds are the presets of CMakePresets.json: dev (build/) and asan (build-asan/).
jobs=$(nproc)
for preset in dev asan; do
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
