#!/usr/bin/env bash
# Redraws the pictures in resources/ (thank-you picture, logo, icon) from
# scripts/make_pictures.cpp. Needs the packages of scripts/setup.sh only.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
c++ -std=c++20 -O1 -fPIC -Wall -Wextra scripts/make_pictures.cpp -o "$work/make_pictures" \
  $(pkg-config --cflags --libs Qt6Gui)
QT_QPA_PLATFORM=offscreen "$work/make_pictures" resources
