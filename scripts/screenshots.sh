#!/usr/bin/env bash
# Renders every window of the program on a demo diary into the pictures of the manual
# (resources/podrecznik/obrazy/), so that the manual shows the windows as they are. Offscreen by
# default; under Xvfb with --xvfb (the real window decorations' fonts and sizes).
set -euo pipefail
cd "$(dirname "$0")/.."
out=resources/podrecznik/obrazy
build=${MIRVOLA_BUILD:-build}
[ -d "$build" ] || cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRVOLA_BUILD_TESTS=ON
cmake --build "$build" -j2 --target screenshots
if [ "${1:-}" = "--xvfb" ]; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1600x1000x24" "$build/tests/screenshots" "$out"
else
  QT_QPA_PLATFORM=offscreen "$build/tests/screenshots" "$out"
fi
