#!/usr/bin/env bash
# Builds and runs the whole test suite: once as it ships, once under
# AddressSanitizer and UndefinedBehaviorSanitizer. Warnings in our own code
# are errors.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

run_suite() {
    local dir=$1; shift
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAVIK_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300
}

echo "== Suite"
run_suite build
echo "== Suite under AddressSanitizer and UndefinedBehaviorSanitizer"
run_suite build-asan -DTRAVIK_SANITIZE=ON
