# Sourced by scripts that start processes in the background, so that every
# one of them ends with the script, whichever way the script ends: at its end,
# on a failure under `set -e`, or on SIGINT, SIGTERM or SIGHUP.
#
#   keep_child PID   remember a process just started with `&`
#   end_children     end every remembered process (TERM, then KILL after 5 s)
#
# The sourcing script calls end_children from its EXIT trap. keep_child
# refuses to run in a subshell (inside `$(...)`, a pipeline or `( )`): the
# subshell's copy of the list is lost when it ends, and the process with it.

children=()

keep_child() {
    if [ "$BASHPID" != "$$" ]; then
        echo "keep_child $1: called in a subshell, the process would outlive the script" >&2
        kill -TERM "$1" 2>/dev/null || true
        return 1
    fi
    children+=("$1")
}

end_children() {
    local pid
    for pid in "${children[@]}"; do
        kill -TERM "$pid" 2>/dev/null || true
    done
    for pid in "${children[@]}"; do
        for _ in $(seq 50); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    children=()
}

# A signal ends the script through its EXIT trap.
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
