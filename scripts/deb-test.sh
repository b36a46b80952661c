#!/usr/bin/env bash
# Builds the Debian package, installs it with apt-get, checks that the
# installed programs run from PATH (travik-read --version; the window started
# on the offscreen platform against the installed simulator, ended by SIGTERM
# as a desktop session ends it, writing its settings), that it depends on
# SQLite's library and ships the unattended readout's user units, off and
# passing systemd-analyze verify, then removes it again
# and checks that the programs are gone. Needs root (or sudo) for apt-get.
set -euo pipefail
cd "$(dirname "$0")/.."

package=$(bash scripts/package-deb.sh | tail -n 1)
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

work=$(mktemp -d "${TMPDIR:-/tmp}/travik-deb.XXXXXX")
sim_pid=""
program_pid=""
cleanup() {
    for pid in $program_pid $sim_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "deb-test: $*" >&2
    exit 1
}

# Waits up to 30 s for the command to succeed, checking every 0.1 s.
poll() {
    for _ in $(seq 300); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

echo "== Installing $(basename "$package")"
$sudo apt-get install -y -qq "$package" >/dev/null
installed=$(dpkg-query -W -f='${Version}' travik-readout)

echo "== travik-read --version from PATH"
version=$(cd / && travik-read --version)
[ "$version" = "travik-read $installed" ] || fail "travik-read --version said '$version'"
[ "$(command -v TravikPReadout)" = /usr/bin/TravikPReadout ] || fail "TravikPReadout not in PATH"
[ -f /usr/share/applications/org.travik.TravikPReadout.desktop ] || fail "no desktop entry"
man -w travik-read >/dev/null || fail "no manual page travik-read(1)"

echo "== The unattended readout: SQLite's library, the user units, off by default"
depends=$(dpkg-deb -f "$package" Depends)
grep -q 'libsqlite3-0' <<<"$depends" || fail "the package does not depend on libsqlite3-0: $depends"
units=/usr/lib/systemd/user
for unit in travik-read-history@.service travik-read-history@.timer; do
    [ -f "$units/$unit" ] || fail "no $units/$unit"
done
! find /etc/systemd/user -name 'travik-read-history@*' 2>/dev/null | grep -q . ||
    fail "a travik-read-history unit is enabled by the package"
if command -v systemd-analyze >/dev/null; then
    instance=travik-read-history@$(systemd-escape ttyUSB0)
    cp "$units/travik-read-history@.service" "$work/$instance.service"
    cp "$units/travik-read-history@.timer" "$work/$instance.timer"
    mkdir -m 700 "$work/runtime"
    verified=$(cd "$work" && XDG_RUNTIME_DIR=$work/runtime systemd-analyze verify --user \
        "./$instance.service" "./$instance.timer" 2>&1) && [ -z "$verified" ] ||
        case $verified in
        *"Failed to initialize manager"*) echo "systemd-analyze cannot run here: $verified" ;;
        *) fail "systemd-analyze verify: $verified" ;;
        esac
fi
echo "Depends on libsqlite3-0; the units are installed and off; systemd-analyze finds nothing."

echo "== The installed window, offscreen, against the installed simulator"
travik-sim --fast >"$work/sim.out" &
sim_pid=$!
poll test -s "$work/sim.out" || fail "travik-sim printed no port"
port=$(head -n 1 "$work/sim.out")
mkdir -p "$work/config"
printf '[com]\ncomID=%s\n[Language]\nLanguage=1\n' "$port" >"$work/config/TravikReadout.ini"

holds_port() {
    local fd
    for fd in /proc/"$program_pid"/fd/*; do
        [ "$(readlink "$fd" 2>/dev/null)" = "$port" ] && return 0
    done
    return 1
}
(cd "$work" && XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen \
    exec TravikPReadout >"$work/program.out" 2>&1) &
program_pid=$!
# The stored port is opened by the start-up routine, just before the window shows.
poll holds_port || fail "the window did not open the stored port: $(cat "$work/program.out")"
rm "$work/config/TravikReadout.ini"
kill -TERM "$program_pid"
status=0
wait "$program_pid" || status=$?
program_pid=""
[ "$status" -eq 0 ] || fail "TravikPReadout ended with status $status after SIGTERM"
grep -qx "comID=$port" "$work/config/TravikReadout.ini" || fail "settings not written at the end"
grep -qx "Language=1" "$work/config/TravikReadout.ini" || fail "language not kept"
echo "Started, ended by SIGTERM, settings written."

echo "== Removing the package"
$sudo apt-get remove -y -qq travik-readout >/dev/null
for file in /usr/bin/TravikPReadout /usr/bin/travik-read /usr/bin/travik-sim \
    /usr/lib/systemd/user/travik-read-history@.timer; do
    [ ! -e "$file" ] || fail "$file is still there"
done
! dpkg-query -W -f='${Status}' travik-readout 2>/dev/null | grep -q "install ok installed" ||
    fail "the package is still installed"
echo "Installed, run and removed: $(basename "$package") ($(stat -c %s "$package") bytes)"
