#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed time.
# usage: scripts/fuzz.sh [seconds per target, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}

bash scripts/setup.sh
dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTRAVIK_FUZZ=ON -DTRAVIK_BUILD_GUI=OFF -DTRAVIK_BUILD_TESTS=OFF >/dev/null
targets=(fuzz_readout_rules fuzz_condense fuzz_settings fuzz_table fuzz_readout_file
         fuzz_history_merge)
cmake --build "$dir" --target "${targets[@]}" -j "$(nproc)"
export ASAN_OPTIONS=detect_leaks=1
for target in "${targets[@]}"; do
    corpus="$dir/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target for ${seconds}s"
    "$dir/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=0 \
        "$corpus" 2>&1 | tail -n 2
    # libFuzzer exits non-zero and leaves a crash- file on a failed check.
done
echo "All ${#targets[@]} fuzz targets ran ${seconds}s each without a failed check."
