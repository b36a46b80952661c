#!/usr/bin/env bash
# Builds the program in release mode and prints the benchmark table.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTRAVIK_BUILD_BENCH=ON \
    -DTRAVIK_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench --target travik-bench travik-history-bench travik-history-view-bench \
    -j "$(nproc)"
QT_QPA_PLATFORM=offscreen build-bench/bench/travik-bench
build-bench/bench/travik-history-bench
QT_QPA_PLATFORM=offscreen build-bench/bench/travik-history-view-bench
