#!/usr/bin/env bash
# Installs the packages, builds the program and starts it on a demo diary.
# It builds in a folder of its own: reconfiguring build/ with the tests off would
# leave a later `cmake --build build` silently not rebuilding the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRVOLA_BUILD_TESTS=OFF -DMIRVOLA_BUILD_BENCH=OFF
cmake --build build-demo -j2 --target mirvola mirvola-db
[ -f build-demo/Mirvola.mdb ] || build-demo/mirvola-db demo build-demo/Mirvola.mdb
exec build-demo/mirvola
