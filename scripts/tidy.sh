#!/usr/bin/env bash
# Runs clang-tidy with the repository's .clang-tidy on the toolkit-free
# libraries and tools (errors, serial, readout, csv, settings, table, process, history, tools), using
# the compile commands of a build without the window and the tests. Any
# finding fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
dir=build-tidy
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DTRAVIK_BUILD_GUI=OFF -DTRAVIK_BUILD_TESTS=OFF \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null

# The sources this platform compiles (the *_win32.cpp files are not in the
# compile commands here).
mapfile -t sources < <(git ls-files 'errors/*.cpp' 'serial/*.cpp' 'readout/*.cpp' 'csv/*.cpp' 'settings/*.cpp' 'table/*.cpp' \
    'process/*.cpp' 'history/*.cpp' 'tools/*.cpp' | grep -v '_win32\.cpp$')

echo "== clang-tidy on ${#sources[@]} files"
status=0
printf '%s\n' "${sources[@]}" |
    xargs -P "$(nproc)" -n 4 clang-tidy -p "$dir" --quiet >"$dir/tidy.log" 2>&1 || status=$?
grep -v '^[0-9]* warnings\? generated\.$' "$dir/tidy.log" || true
if [ "$status" -ne 0 ] || grep -q 'error:' "$dir/tidy.log"; then
    echo "clang-tidy found the problems above" >&2
    exit 1
fi
echo "clang-tidy: clean"
