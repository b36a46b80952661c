#!/bin/sh
# check-scheduled-readout.sh SERVICE TIMER TASK_XML TRAVIK_READ: the unattended
# readout as shipped. The systemd units read both kinds of the instance's
# adapter into the history, retry only a busy port or a lost connection, and
# fire every 6 hours, catching up (systemd-analyze verifies them, when it can
# run here); the Windows task runs the same two commands, starts when a run was
# missed and never twice at a time; and travik-read takes those arguments.
set -eu
service=$1
timer=$2
task=$3
travik_read=$4
work=$(mktemp -d "${TMPDIR:-/tmp}/travik-units.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
problem() {
    echo "$*"
    status=1
}
# expect_lines FILE REGEX EXPECTED: the lines of FILE matching REGEX are EXPECTED.
expect_lines() {
    got=$(grep -E "$2" "$1" || true)
    [ "$got" = "$3" ] || problem "$1: expected
$3
got
$got"
}

# The program by its absolute path, wherever it was installed.
sed -n 's|^ExecStart=/.*/travik-read |ExecStart=BINDIR/travik-read |p' "$service" >"$work/exec"
expect_lines "$work/exec" '' "ExecStart=BINDIR/travik-read alarm --port %I --history
ExecStart=BINDIR/travik-read data --port %I --history"
expect_lines "$service" '^(Type|Restart|RestartPreventExitStatus)=' "Type=oneshot
Restart=on-failure
RestartPreventExitStatus=1 2 3 6 64"
expect_lines "$timer" '^(OnCalendar|Persistent|WantedBy)=' "OnCalendar=*-*-* 00/6:00:00
Persistent=true
WantedBy=timers.target"

# The Windows task: the same commands for its example adapter.
if command -v xmllint >/dev/null; then
    xpath() { xmllint --xpath "$1" "$task" 2>/dev/null || true; }
    prefix="/*[local-name()='Task']"
    [ "$(xpath "string($prefix/*[local-name()='Settings']/*[local-name()='StartWhenAvailable'])")" = true ] ||
        problem "$task: StartWhenAvailable is not true"
    [ "$(xpath "string($prefix/*[local-name()='Settings']/*[local-name()='MultipleInstancesPolicy'])")" = IgnoreNew ] ||
        problem "$task: MultipleInstancesPolicy is not IgnoreNew"
    interval=$(xpath "string(//*[local-name()='Repetition']/*[local-name()='Interval'])")
    [ "$interval" = PT6H ] || problem "$task: runs every '$interval', not PT6H"
    count=$(xpath "count(//*[local-name()='Exec'])")
    arguments=$(i=1; while [ "$i" -le "${count:-0}" ]; do
        echo "$(xpath "string((//*[local-name()='Exec'])[$i]/*[local-name()='Arguments'])")"
        i=$((i + 1))
    done)
    expected=$(grep '^ExecStart=' "$service" | sed 's/^ExecStart=[^ ]* //; s/%I/usb:0403:6001:A50285BI/')
    [ "$arguments" = "$expected" ] || problem "$task: runs '$arguments', the service '$expected'"
else
    echo "xmllint not found: the Windows task's settings are not checked"
fi

# travik-read takes the service's arguments: a port that is not there is
# status 2 (not 64, a usage error), and no history is written anywhere.
for kind in alarm data; do
    code=0
    XDG_DATA_HOME=$work/data "$travik_read" $kind --port "$work/no-such-port" --history \
        >/dev/null 2>"$work/err" || code=$?
    [ "$code" -eq 2 ] || problem "travik-read $kind --port ... --history: status $code, $(cat "$work/err")"
done

# systemd's own check, for an instance, with the programs as built (their
# manual page is checked by check-man-page.sh). It needs a runtime folder.
if command -v systemd-analyze >/dev/null; then
    sed "s|^ExecStart=[^ ]*/travik-read |ExecStart=$travik_read |; /^Documentation=/d" "$service" \
        >"$work/travik-read-history@ttyUSB0.service"
    cp "$timer" "$work/travik-read-history@ttyUSB0.timer"
    mkdir -m 700 "$work/runtime"
    if ! output=$(cd "$work" && XDG_RUNTIME_DIR=$work/runtime systemd-analyze verify --user \
        ./travik-read-history@ttyUSB0.service ./travik-read-history@ttyUSB0.timer 2>&1) ||
        [ -n "$output" ]; then
        case $output in
        *"Failed to initialize manager"*) echo "systemd-analyze cannot run here: $output" ;;
        *) problem "systemd-analyze verify: $output" ;;
        esac
    fi
else
    echo "systemd-analyze not found: the units are checked by their lines only"
fi
exit $status
