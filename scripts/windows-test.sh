#!/usr/bin/env bash
# The Windows build: Qt, Qt Charts, libjpeg and SQLite for mingw-w64 (built once by
# scripts/qt-mingw.sh and cached), then the libraries, travik-read, the window
# TravikPReadout.exe and the tests cross-compiled into build-windows. Under Wine:
# the tests (the window's on the offscreen platform, its table and chart pages
# included), the serial link end to end (the simulated device, built for Linux
# in the test suite's folder "build" when it is there, else in build-win-linux,
# on pseudo-terminals that Wine maps to COM ports, compared with the Linux
# build's readings), the window end to end on Xvfb as a user
# works it (xdotool), and the package and the installer from
# scripts/windows-package.sh. The window's stages leave screenshots in
# out/ci-logs (the chart page after a readout, the history view after two, and
# any failure).
# Every process the script starts ends with it, however it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
started=$SECONDS
source scripts/windows-env.sh
source scripts/children.sh

step() { echo "== $* ($((SECONDS - started)) s)"; }
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

step "Packages"
bash scripts/setup.sh g++-mingw-w64-x86-64-posix wine wine64 ninja-build dpkg-dev xvfb xdotool \
    imagemagick nsis zip unzip fonts-dejavu-core

step "Qt, Qt Charts, libjpeg and SQLite for Windows (built once, then cached)"
prefixes=$(bash scripts/qt-mingw.sh) || fail "scripts/qt-mingw.sh"
QT_CHARTS=$(sed -n 's/^QT_CHARTS=//p' <<<"$prefixes")
[ -f "$qt_prefix/.travik-done" ] && [ -f "$jpeg_prefix/.travik-done" ] &&
    [ -f "$sqlite_prefix/.travik-done" ] || fail "no Qt, libjpeg or SQLite for Windows: $prefixes"
echo "Qt: $qt_prefix (charts: $QT_CHARTS), libjpeg: $jpeg_prefix, SQLite: $sqlite_prefix"

step "Linux build of the simulator and the reference programs"
# After scripts/test.sh (as in CI) its build has them already.
linux_build=build
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
    linux_build=build-win-linux
    cmake -S . -B "$linux_build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRAVIK_BUILD_GUI=OFF >/dev/null
fi
cmake --build "$linux_build" -j "$jobs" --target travik-sim travik-read serial_reply_client

step "Cross build for Windows"
windows_configure build-windows "$QT_CHARTS"
cmake --build build-windows -j "$jobs"

# A fresh, headless Wine in a temporary folder.
work=$(mktemp -d "${TMPDIR:-/tmp}/travik-wine.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
cleanup() {
    # wineserver holds the ptys: stop it before the devices' sides close.
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    end_children
    rm -rf "$work"
}
trap cleanup EXIT

# The prefix is complete once its services (the mount manager makes the COM
# ports) are registered; an interrupted set-up is made again.
prefix_complete() { grep -q 'CurrentControlSet\\\\Services\\\\MountMgr\]' "$WINEPREFIX/system.reg"; }
make_prefix() {
    local attempt
    for attempt in 1 2; do
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w
        prefix_complete && return 0
        echo "Wine prefix set-up incomplete (attempt $attempt)"
    done
    fail "cannot set up a Wine prefix"
}

step "Wine prefix"
make_prefix

# start_sim NAME VARIABLE OPTIONS...: a simulator of its own on a pty; sets
# VARIABLE to the pty's path. (Not inside $(...): the simulator would not be
# remembered for the end.)
start_sim() {
    local name=$1 variable=$2
    shift 2
    "$linux_build/tools/travik-sim/travik-sim" "$@" >"$work/$name.out" 2>"$work/$name.err" &
    keep_child $!
    for _ in $(seq 100); do
        [ -s "$work/$name.out" ] && break
        sleep 0.1
    done
    local device
    device=$(head -n 1 "$work/$name.out")
    [ -c "$device" ] || fail "the $name simulator printed no device path (got '$device')"
    printf -v "$variable" '%s' "$device"
}

step "Simulated devices"
start_sim fast pty --fast
start_sim paced paced_pty
start_sim silent silent_pty --silent
# The window tests write each reply of their own into reply.bin before a readout.
: >"$work/reply.bin"
start_sim reply reply_pty --fast --reply-file "$work/reply.bin" --reread

# The references: the same device read by the Linux build, before Wine holds the pty.
linux_client=$root/$linux_build/tests/windows/serial_reply_client
linux_read=$root/$linux_build/tools/travik-read/travik-read
"$linux_client" "$pty" h "$work/linux-reply.txt" >/dev/null || fail "Linux client: no complete reply"
"$linux_read" alarm --port "$pty" --csv "$work/linux-alarm.csv" --quiet ||
    fail "Linux travik-read alarm"
"$linux_read" data --port "$pty" --csv "$work/linux-data.csv" --separator semicolon --quiet ||
    fail "Linux travik-read data"
"$linux_read" alarm --port "$pty" --csv "$work/linux-alarm-comma.csv" --separator comma --quiet ||
    fail "Linux travik-read alarm, comma-separated"
linux_history_message=$("$linux_read" alarm --port "$pty" --history "$work/linux-history.sqlite" \
    2>&1 >/dev/null) || fail "Linux travik-read alarm --history: $linux_history_message"

# Wine opens COM5 and COM12 onto the fast device, COM6 onto the paced one,
# COM7 onto the one answering with reply.bin and COM8 onto the silent one, once
# wineserver starts again.
wine reg add 'HKLM\Software\Wine\Ports' /v COM5 /t REG_SZ /d "$pty" /f >/dev/null
wine reg add 'HKLM\Software\Wine\Ports' /v COM12 /t REG_SZ /d "$pty" /f >/dev/null
wine reg add 'HKLM\Software\Wine\Ports' /v COM6 /t REG_SZ /d "$paced_pty" /f >/dev/null
wine reg add 'HKLM\Software\Wine\Ports' /v COM7 /t REG_SZ /d "$reply_pty" /f >/dev/null
wine reg add 'HKLM\Software\Wine\Ports' /v COM8 /t REG_SZ /d "$silent_pty" /f >/dev/null

# The device tree as Windows keeps it for the usual adapters, so that the ports
# are described as on a real machine: COM5 an FTDI adapter with FTDI's own
# driver, COM6 a Prolific and COM7 a CH340 adapter (no serial numbers), COM8 a
# USB CDC device. COM12 stays undescribed.
enum='HKLM\SYSTEM\CurrentControlSet\Enum'
add_port_device() { # INSTANCE PORT NAME=VALUE...
    local key="$enum\\$1" port=$2 pair
    shift 2
    wine reg add "$key\Device Parameters" /v PortName /t REG_SZ /d "$port" /f >/dev/null
    for pair in "$@"; do
        wine reg add "$key" /v "${pair%%=*}" /t REG_SZ /d "${pair#*=}" /f >/dev/null
    done
}
add_port_device 'FTDIBUS\VID_0403+PID_6001+A50285BIA\0000' COM5 'Class=Ports' \
    'DeviceDesc=USB Serial Port' 'Mfg=FTDI' 'FriendlyName=USB Serial Port (COM5)'
add_port_device 'USB\VID_067B&PID_2303\5&2a3b4c5d&0&2' COM6 'Class=Ports' \
    'DeviceDesc=Prolific USB-to-Serial Comm Port' 'Mfg=Prolific' \
    'FriendlyName=Prolific USB-to-Serial Comm Port (COM6)' 'LocationInformation=Port_#0002.Hub_#0001'
add_port_device 'USB\VID_1A86&PID_7523\5&1f2e3d4c&0&1' COM7 'Class=Ports' \
    'DeviceDesc=USB-SERIAL CH340' 'Mfg=wch.cn' 'FriendlyName=USB-SERIAL CH340 (COM7)'
add_port_device 'USB\VID_2341&PID_0043\75735323030351D0F0A1' COM8 'Class=Ports' \
    'DeviceDesc=USB Serial Device' 'Mfg=Microsoft' 'FriendlyName=USB Serial Device (COM8)'
wineserver -k
wineserver -w

step "Tests under Wine"
# Wine passes no QT_ variable on: it renames WINEQT_ ones. The window's tests read
# the devices above (tests/support/WinePorts_win32.cpp).
(
    export WINEQT_QPA_PLATFORM=offscreen WINEQT_QPA_FONTDIR='Z:\usr\share\fonts\truetype\dejavu'
    export TRAVIK_TEST_SIM_PORT=COM5 TRAVIK_TEST_PACED_SIM_PORT=COM6
    export TRAVIK_TEST_REPLY_SIM_PORT=COM7 TRAVIK_TEST_SILENT_SIM_PORT=COM8
    TRAVIK_TEST_REPLY_FILE=$(winepath -w "$work/reply.bin")
    export TRAVIK_TEST_REPLY_FILE
    # Now and then a Wine process ends at once, before the test prints a line
    # (seen once among some 1250 test runs); a test that fails twice is a fault.
    ctest --test-dir build-windows --output-on-failure -j "$jobs" --timeout 300 --repeat until-pass:2
) || fail "tests under Wine"
wineserver -w

# Windows programs print CR LF.
win() { wine "$@" | tr -d '\r'; }
oneline() { tr '\n' ' ' <<<"$1"; }
win_client=$root/build-windows/tests/windows/serial_reply_client.exe
win_read=$root/build-windows/tools/travik-read/travik-read.exe
cd "$work"

devicemap=$(win reg query 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM')
grep -qw COM5 <<<"$devicemap" && grep -qw COM12 <<<"$devicemap" ||
    fail "COM5 and COM12 not in the device map: $devicemap"

for port in COM5 COM12; do
    summary=$(win "$win_client" "$port" h "$port-reply.txt") || fail "$port: $summary"
    echo "$port: $(oneline "$summary")"
    cmp linux-reply.txt "$port-reply.txt" || fail "$port: reply differs from the Linux build's"
done

status=0
summary=$(win "$win_client" COM5 x silent.txt) || status=$?
echo "COM5, no answer: $(oneline "$summary")"
[ "$status" -eq 1 ] && [[ $summary =~ reply:\ 0\ bytes,\ ended\ by\ gap,\ last\ read\ ([0-9]+)\ ms ]] &&
    [ "${BASH_REMATCH[1]}" -lt 3000 ] || fail "COM5: an unanswered read did not end with a gap"

# A set-up step that fails (a queue size of 0: "Buffer") leaves the port open;
# its reads must still end after the gap.
status=0
summary=$(timeout 60 wine "$win_client" COM5 x unset.txt 0 | tr -d '\r') || status=$?
echo "COM5, set-up failed: $(oneline "$summary")"
[ "$status" -eq 1 ] && [[ $summary =~ open:\ Buffer ]] &&
    [[ $summary =~ reply:\ 0\ bytes,\ ended\ by\ gap,\ last\ read\ ([0-9]+)\ ms ]] &&
    [ "${BASH_REMATCH[1]}" -lt 3000 ] || fail "COM5 after a failed set-up step: a read did not end"

status=0
summary=$(win "$win_client" COM77) || status=$?
[ "$status" -eq 2 ] && [ "$summary" = "open: invalid handle" ] ||
    fail "COM77 (not present): status $status, '$summary'"
echo "COM77: $summary"

step "travik-read.exe end to end under Wine"
win "$win_read" alarm --port COM5 --csv win-alarm.csv --quiet || fail "travik-read.exe alarm"
cmp linux-alarm.csv win-alarm.csv || fail "alarm CSV differs from the Linux build's"
win "$win_read" data --port COM12 --csv win-data.csv --separator semicolon --quiet ||
    fail "travik-read.exe data on COM12"
cmp linux-data.csv win-data.csv || fail "data CSV differs from the Linux build's"
echo "CSV files identical to the Linux build's ($(wc -c <win-alarm.csv) and $(wc -c <win-data.csv) bytes)"
# A file name outside the ANSI code page, given on the command line.
win "$win_read" alarm --port COM5 --csv "Łukasz-alarm.csv" --quiet || fail "travik-read.exe to Łukasz-alarm.csv"
cmp linux-alarm.csv "Łukasz-alarm.csv" || fail "Łukasz-alarm.csv differs from the Linux build's"
echo "Saved under a name outside the ANSI code page: Łukasz-alarm.csv"

ports=$(win "$win_read" --list-ports) || fail "travik-read.exe --list-ports"
echo "Listed ports:"
echo "$ports"
tab=$'\t'
for line in "COM5${tab}usb:0403:6001:A50285BI${tab}FTDI USB Serial Port (0403:6001, serial A50285BI)" \
    "COM6${tab}usb-at:Port_%230002.Hub_%230001${tab}Prolific USB-to-Serial Comm Port (067b:2303)" \
    "COM7${tab}usb-at:5%261f2e3d4c%260%261${tab}wch.cn USB-SERIAL CH340 (1a86:7523)" \
    "COM8${tab}usb:2341:0043:75735323030351D0F0A1${tab}Microsoft USB Serial Device (2341:0043, serial 75735323030351D0F0A1)" \
    "COM12${tab}-"; do
    grep -qxF "$line" <<<"$ports" || fail "--list-ports does not list '$line'"
done
# The FTDI adapter by its identity: COM5, whatever its name.
win "$win_read" alarm --port usb:0403:6001:A50285BI --csv win-alarm-by-identity.csv --quiet ||
    fail "travik-read.exe alarm --port usb:0403:6001:A50285BI"
cmp linux-alarm.csv win-alarm-by-identity.csv || fail "alarm CSV by identity differs from the Linux build's"
echo "Read by the adapter's identity usb:0403:6001:A50285BI (COM5)"

status=0
message=$(wine "$win_read" alarm --port COM77 2>&1 >/dev/null | tr -d '\r') || status=$?
[ "$status" -eq 2 ] && grep -q "invalid handle" <<<"$message" &&
    grep -qx "COM77: no such device (unplugged?)" <<<"$message" ||
    fail "travik-read.exe on COM77: status $status, '$message'"
echo "COM77: status 2, $(oneline "$message")"

# The same readout put into a history twice: the first adds every record, as the
# Linux build's did, the second adds nothing.
history_run() { # RUN: sets history_message and history_line, its sentence
    local status=0
    history_message=$(wine "$win_read" alarm --port COM5 --history win-history.sqlite 2>&1 \
        >/dev/null | tr -d '\r') || status=$?
    [ "$status" -eq 0 ] || fail "travik-read.exe alarm --history, run $1: status $status, '$history_message'"
    echo "--history, run $1: $(oneline "$history_message")"
    history_line=$(grep -m 1 'already in the history of' <<<"$history_message") || true
}
history_run 1
linux_history_line=$(grep -m 1 'already in the history of' <<<"$linux_history_message") || true
[ "$history_line" = "$linux_history_line" ] ||
    fail "travik-read.exe --history said '$history_message', the Linux build '$linux_history_message'"
[[ $history_line =~ ^([0-9]+)\ new\ records,\ 0\ already\ in\ the\ history\ of\  ]] &&
    [ "${BASH_REMATCH[1]}" -gt 0 ] || fail "the first --history run added nothing: '$history_message'"
added=${BASH_REMATCH[1]}
history_run 2
[[ $history_line =~ ^0\ new\ records,\ $added\ already\ in\ the\ history\ of\  ]] ||
    fail "the second --history run did not find all $added records held: '$history_message'"
[ -s win-history.sqlite ] || fail "no win-history.sqlite"

cd "$root"
source scripts/windows-window-test.sh
window_end_to_end

step "Package and installer"
bash scripts/windows-package.sh
package_tests

step "Windows stage passed"
