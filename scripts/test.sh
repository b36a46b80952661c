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

# Ninja for a new build folder; one made before keeps the generator it has
# (CMake refuses to change it).
generator_of() {
    sed -n 's/^CMAKE_GENERATOR:INTERNAL=//p' "$1/CMakeCache.txt" 2>/dev/null || true
}

run_suite() {
    local dir=$1 generator; shift
    generator=$(generator_of "$dir")
    cmake -S . -B "$dir" -G "${generator:-Ninja}" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTRAVIK_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" --timeout 300
}

echo "== Suite"
run_suite build
echo "== Suite under AddressSanitizer and UndefinedBehaviorSanitizer"
run_suite build-asan -DTRAVIK_SANITIZE=ON
