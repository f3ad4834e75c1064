#!/usr/bin/env bash
# Installs the packages, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-debian.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRVOLA_BUILD_TESTS=ON -DMIRVOLA_BUILD_BENCH=ON
cmake --build build -j2
# The long crash run (label "long") has a target of its own: cmake --build build --target test-long
ctest --test-dir build --output-on-failure -j2 -LE long
