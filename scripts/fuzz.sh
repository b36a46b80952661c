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
# fuzz_one TARGET: one target for the given time, its output in its own log;
# prints the log's last lines and fails as the target does. Each target uses
# one core, so as many run at once as there are cores.
fuzz_one() {
    local target=$1 corpus="$dir/corpus/$1" log="$dir/$1.log" status=0
    mkdir -p "$corpus"
    "$dir/fuzz/$target" -max_total_time="$seconds" -max_len=4096 -print_final_stats=0 \
        "$corpus" >"$log" 2>&1 || status=$?
    # libFuzzer exits non-zero and leaves a crash- file on a failed check.
    echo "== $target for ${seconds}s$([ "$status" -eq 0 ] || echo ": FAILED")"
    tail -n "$([ "$status" -eq 0 ] && echo 2 || echo 40)" "$log"
    return "$status"
}
export -f fuzz_one
export dir seconds
printf '%s\n' "${targets[@]}" | xargs -P "$(nproc)" -I{} bash -c 'fuzz_one {}'
echo "All ${#targets[@]} fuzz targets ran ${seconds}s each without a failed check."
