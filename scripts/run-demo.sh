#!/usr/bin/env bash
# Installs the packages, builds the program and starts it on a demo diary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRVOLA_BUILD_TESTS=OFF -DMIRVOLA_BUILD_BENCH=OFF
cmake --build build -j2 --target mirvola mirvola-db
[ -f build/Mirvola.mdb ] || build/mirvola-db demo build/Mirvola.mdb
exec build/mirvola
