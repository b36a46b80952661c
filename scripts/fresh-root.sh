#!/usr/bin/env bash
# Proves the project on a Debian release as a new user meets it: a bare Debian
# root made with debootstrap (minbase: nothing but a minimal system), a clean
# clone of the project inside it, the README's two commands run in it by
# chroot as they stand (run: the simulated device and the window offscreen,
# which writes CSV files and pictures; test: the whole suite), then the Debian
# package built, installed, started and removed in it (scripts/deb-test.sh).
# Prints the time of each step. Needs root, the network to Debian's archive
# and a few GB of disk; takes from 20 minutes to an hour, so CI does not run it.
#
#   bash scripts/fresh-root.sh RELEASE [FOLDER]
# RELEASE: a Debian release by name (bookworm, trixie). FOLDER (default
# /var/tmp/travik-fresh-RELEASE) is made anew and removed again after a run
# that passed; TRAVIK_KEEP_ROOT=1 keeps it. The archive is the one this
# machine's own apt sources name.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
release=${1:?usage: scripts/fresh-root.sh RELEASE [FOLDER]}
target=$(realpath -m "${2:-/var/tmp/travik-fresh-$release}")
project=/root/travik-readout
started=$SECONDS

step() { echo "== $* ($((SECONDS - started)) s)"; }
fail() {
    echo "fresh-root: FAILED: $*" >&2
    exit 1
}

[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap, mount, chroot)"
case $release in
    *[!a-z]* | "") fail "'$release' is not a release name such as bookworm or trixie" ;;
esac

# The archive's address, from the machine's own apt sources.
archive_url() {
    local url=""
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
        url=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources)
    fi
    if [ -z "$url" ] && [ -f /etc/apt/sources.list ]; then
        url=$(awk '$1 == "deb" && $0 !~ /security/ { print ($2 ~ /^\[/ ? $3 : $2); exit }' /etc/apt/sources.list)
    fi
    [ -n "$url" ] || fail "no archive address in /etc/apt/sources.list.d/debian.sources or /etc/apt/sources.list"
    echo "$url"
}

mounted=()
unmount_all() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -R "${mounted[$i]}" 2>/dev/null || umount -R -l "${mounted[$i]}" 2>/dev/null || true
    done
    mounted=()
}
passed=0
cleanup() {
    # Whatever the root still runs (a simulator, a window) ends with it.
    local pid
    for pid in $(ls /proc | grep -E '^[0-9]+$'); do
        [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$target" ] && kill -KILL "$pid" 2>/dev/null
    done
    unmount_all
    if [ "$passed" -eq 1 ] && [ "${TRAVIK_KEEP_ROOT:-0}" != 1 ]; then
        rm -rf --one-file-system "$target"
    elif [ -d "$target" ]; then
        echo "The root is kept in $target" >&2
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

mount_into_root() {
    mount -t proc proc "$target/proc"
    mounted+=("$target/proc")
    mount -t sysfs sysfs "$target/sys"
    mounted+=("$target/sys")
    # rslave: unmounting the root's /dev afterwards leaves the machine's alone.
    mount --rbind /dev "$target/dev"
    mount --make-rslave "$target/dev"
    mounted+=("$target/dev")
}

# in_root COMMAND: runs COMMAND with bash in the project's clone inside the
# root, with the environment a fresh login has (no display).
in_root() {
    chroot "$target" /usr/bin/env -i HOME=/root TERM=dumb \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c "cd $project && $1"
}

# timed_step NAME COMMAND: a step inside the root, its output in a log beside the root.
timed_step() {
    local name=$1 log=$target.$1.log begin=$SECONDS
    step "$name: $2 (log: $log)"
    if ! in_root "$2" >"$log" 2>&1; then
        tail -n 40 "$log" >&2
        fail "$name: '$2' failed in the $release root"
    fi
    echo "   $name: $((SECONDS - begin)) s"
}

command -v debootstrap >/dev/null || bash scripts/setup.sh debootstrap
url=$(archive_url)
step "A bare $release root (debootstrap --variant=minbase) in $target from $url"
[ -e "$target" ] && { umount -R "$target"/{proc,sys,dev} 2>/dev/null || true; rm -rf --one-file-system "$target"; }
begin=$SECONDS
debootstrap --variant=minbase "$release" "$target" "$url" >"$target.debootstrap.log" 2>&1 ||
    { tail -n 20 "$target.debootstrap.log" >&2; fail "debootstrap $release"; }
echo "   debootstrap: $((SECONDS - begin)) s"
cp /etc/resolv.conf "$target/etc/resolv.conf"
mount_into_root

step "A clean clone of the project in $project"
git clone -q "$root" "$target$project"
echo "   at $(git -C "$target$project" log -1 --format='%h %s')"

timed_step run "bash scripts/run.sh"
for file in Alarm.csv Data.csv alarm-chart.png window.png; do
    [ -s "$target$project/out/demo/$file" ] || fail "the run command wrote no out/demo/$file"
done
timed_step test "bash scripts/test.sh"
timed_step package "bash scripts/deb-test.sh"
ls "$target$project"/out/deb/
passed=1
step "$release: the README's two commands and the package passed"
