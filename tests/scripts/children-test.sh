#!/usr/bin/env bash
# scripts/children.sh: a process a script started in the background ends with
# the script, whichever way it ends; keep_child in a subshell is refused.
# usage: children-test.sh PATH/TO/scripts/children.sh
set -euo pipefail
children_sh=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/travik-children.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

# A script that starts a long sleep with keep_child, writes its PID, then ends as told.
cat >"$work/script.sh" <<SCRIPT
set -euo pipefail
source "$children_sh"
trap end_children EXIT
sleep 300 &
keep_child \$!
echo \$! >"$work/pid"
case \$1 in
    exit) exit 0 ;;
    fail) false ;;
    wait) echo ready >"$work/ready"; while :; do sleep 0.1; done ;;
    subshell)
        sleep 300 &
        echo \$! >"$work/subpid"
        echo "\$(keep_child \$! && echo kept)" >"$work/subshell"
        exit 0 ;;
esac
SCRIPT

# check_gone WHAT [PIDFILE]
check_gone() {
    local pid
    pid=$(cat "${2:-$work/pid}")
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    echo "FAIL: $1: the child $pid outlived the script"
    failures=$((failures + 1))
}

for way in exit fail; do
    rm -f "$work/pid"
    bash "$work/script.sh" "$way" 2>/dev/null || true
    check_gone "ending by $way"
done

# Job control, so that the script's SIGINT is not ignored as a background job's is.
set -m
for signal in TERM INT HUP; do
    rm -f "$work/pid" "$work/ready"
    bash "$work/script.sh" wait &
    script=$!
    for _ in $(seq 100); do [ -s "$work/ready" ] && break; sleep 0.1; done
    kill -"$signal" "$script"
    wait "$script" 2>/dev/null || true
    check_gone "SIG$signal"
done
set +m

# keep_child inside $(...): refused, and the process it was handed ended.
bash "$work/script.sh" subshell 2>"$work/subshell.err" || true
check_gone "the main script's own child"
check_gone "a child handed to keep_child in a subshell" "$work/subpid"
if grep -q kept "$work/subshell" || ! grep -q 'in a subshell' "$work/subshell.err"; then
    echo "FAIL: keep_child in a subshell was not refused ($(cat "$work/subshell.err"))"
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] && echo "children.sh: every child ended with its script" && exit 0
exit 1
