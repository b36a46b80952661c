#!/usr/bin/env bash
# Installs what is missing, builds the program and the device simulator, and
# starts both: the simulator plays a device on a pseudo-terminal, and the
# program starts with a throwaway settings folder whose TravikReadout.ini names
# that port, so "readout Alarm Buffer" reads data at once.
#
# Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) the program's own
# window code runs on Qt's offscreen platform instead (travik-demo): it reads
# both records, saves Alarm.csv and Data.csv, pictures of the table and chart
# pages after each readout (alarm-table.png, alarm-chart.png, data-table.png,
# data-chart.png, and data-limits-chart.png with a limit set on its
# temperature) and a picture of the window (window.png) into
# OUTPUT_FOLDER, and prints where they are.
#
# With --history the simulator plays a device with a history (a day between
# readouts, five records lost before the second): on screen, read the data
# logger a few times and open the History page; without a display, travik-demo
# does so and saves pictures of the history page, its table, chart and report
# (history-*.png). Either way the history is a throwaway file of the run.
#
# Usage: scripts/run.sh [--history] [OUTPUT_FOLDER]    (default OUTPUT_FOLDER: out/demo)
# The build folder is "build" (TRAVIK_BUILD_DIR overrides it).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${TRAVIK_BUILD_DIR:-build}
history=()
if [ "${1:-}" = --history ]; then
    history=(--history)
    shift
fi
output=${1:-out/demo}

bash scripts/setup.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target TravikPReadout travik-sim travik-demo -j "$(nproc)"

program=$root/$build/app/TravikPReadout
demo=$root/$build/app/travik-demo
simulator=$root/$build/tools/travik-sim/travik-sim

work=$(mktemp -d "${TMPDIR:-/tmp}/travik-run.XXXXXX")
sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

headless=1
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then headless=0; fi

# Paced at 19200 baud on screen, so the data is seen arriving; as fast as
# possible without a display.
pace=()
[ "$headless" -eq 1 ] && pace=(--fast)
[ ${#history[@]} -gt 0 ] && pace+=(--serial 4711 --advance 1d --gap 5)
port=$work/ttyTravik
"$simulator" "${pace[@]}" --link "$port" >"$work/simulator.out" &
sim_pid=$!
for _ in $(seq 100); do
    [ -s "$work/simulator.out" ] && [ -e "$port" ] && break
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        echo "The device simulator did not start." >&2
        exit 1
    fi
    sleep 0.1
done
echo "Simulated device on $port ($(head -n 1 "$work/simulator.out"))"

mkdir -p "$work/config"
printf '[com]\ncomID=%s\n[history]\nfile=%s\n' "$port" "$work/history.sqlite" \
    >"$work/config/TravikReadout.ini"
export XDG_CONFIG_HOME=$work/config

if [ "$headless" -eq 0 ]; then
    "$program"
else
    echo "No display: running the window offscreen."
    mkdir -p "$output"
    "$demo" "${history[@]}" "$output"
fi
