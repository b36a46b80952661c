#!/usr/bin/env bash
# Builds the libraries the Windows build of the window needs, for 64-bit Windows
# with mingw-w64, and caches them outside the work tree (TRAVIK_CACHE, default
# ~/.cache/travik-readout):
#   qt6-mingw-6.4.2-KEY         static Qt: Core, Gui, Widgets, the windows and
#                               offscreen platform plugins, and Qt Charts
#   libjpeg-turbo-mingw-VER-KEY static libjpeg
#   sqlite-mingw-VER-KEY        static SQLite (the history)
# qtbase, libjpeg-turbo and SQLite come from Debian's source packages. Qt Charts comes
# from `apt-get source qt6-charts` where the archive serves it, else from the
# upstream tarball in TRAVIK_QTCHARTS_SOURCE or ../shared/deps/ (checked
# against its checksum). KEY is made from the version, the options and the
# toolchain file (scripts/windows-env.sh), so a change of any of them builds
# again. A folder counts as done only once its stamp file (written last)
# exists; an interrupted build is resumed where it stopped, and a build that
# failed is tried again on the next run. Two runs at once take turns (a lock
# in the cache).
#
#   bash scripts/qt-mingw.sh           build what is missing, print the prefixes
#   bash scripts/qt-mingw.sh --print   only print the prefixes (empty if not built)
#   bash scripts/qt-mingw.sh --sqlite  build only SQLite (if missing), print the prefixes
# Output on stdout, one line each: QT_PREFIX=..., JPEG_PREFIX=..., SQLITE_PREFIX=...,
# QT_CHARTS=ON|OFF.
# TRAVIK_QT_CHARTS=OFF leaves Qt Charts out (the Windows build then has no chart
# pages); otherwise a Qt Charts that cannot be fetched or built fails the script.
# Progress and build logs go to stderr and to log files in the cache.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
source scripts/windows-env.sh
cache=$win_cache
jobs=$(nproc)
mode=${1:-build}
want_charts=${TRAVIK_QT_CHARTS:-ON}
qtcharts_tarball=qtcharts-everywhere-src-$qt_version.tar.xz
qtcharts_sha256=7a21da06f6378432722856eafd5efd24f84db9b25159eb7a99b66ba6d0cfdc81

note() { echo "qt-mingw: $*" >&2; }
fail() {
    note "FAILED: $*"
    exit 1
}

print_prefixes() {
    local charts=OFF
    [ -f "$qt_prefix/.travik-charts-done" ] && [ "$want_charts" != OFF ] && charts=ON
    if [ -f "$qt_prefix/.travik-done" ]; then echo "QT_PREFIX=$qt_prefix"; else echo "QT_PREFIX="; fi
    if [ -f "$jpeg_prefix/.travik-done" ]; then echo "JPEG_PREFIX=$jpeg_prefix"; else echo "JPEG_PREFIX="; fi
    if [ -f "$sqlite_prefix/.travik-done" ]; then echo "SQLITE_PREFIX=$sqlite_prefix"; else echo "SQLITE_PREFIX="; fi
    echo "QT_CHARTS=$charts"
}
if [ "$mode" = "--print" ]; then
    print_prefixes
    exit 0
fi
as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# A deb-src entry made from the machine's own apt sources, so that no mirror is
# named here.
ensure_deb_src() {
    local list=/etc/apt/sources.list.d/travik-deb-src.sources
    [ -f "$list" ] && return 0
    [ -f /etc/apt/sources.list.d/debian.sources ] ||
        fail "no /etc/apt/sources.list.d/debian.sources to derive a deb-src entry from"
    note "adding $list (deb-src) and updating the package lists"
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | as_root tee "$list" >/dev/null
    as_root apt-get update -qq >&2
}

# fetch_source PACKAGE DIR: Debian's source of PACKAGE unpacked in DIR; prints the tree.
fetch_source() {
    local package=$1 dir=$2 tree
    tree=$(find "$dir" -mindepth 1 -maxdepth 1 -type d -name "*-*" 2>/dev/null | head -n 1)
    if [ -n "$tree" ] && [ -f "$dir/.unpacked" ]; then
        echo "$tree"
        return 0
    fi
    ensure_deb_src
    rm -rf "$dir"
    mkdir -p "$dir"
    note "apt-get source $package"
    (cd "$dir" && apt-get source -qq "$package" >&2) || fail "apt-get source $package"
    touch "$dir/.unpacked"
    find "$dir" -mindepth 1 -maxdepth 1 -type d -name "*-*" | head -n 1
}

# timed LOG COMMAND...: runs the command with its output in LOG; prints the seconds taken.
timed() {
    local log=$1 start=$SECONDS
    shift
    if ! "$@" >>"$log" 2>&1; then
        tail -n 40 "$log" >&2
        fail "$* (log: $log)"
    fi
    echo $((SECONDS - start))
}

build_qtbase() {
    [ -f "$qt_prefix/.travik-done" ] && return 0
    local scratch=$cache/scratch/qtbase src build log t
    src=$(fetch_source qt6-base "$scratch/src")
    build=$scratch/build-$(basename "$qt_prefix")
    log=$cache/qtbase-build.log
    echo "== $(date -u)" >>"$log"
    mkdir -p "$qt_prefix"
    # The prefix keeps its own copy of the toolchain file, which Qt's toolchain file loads.
    cmp -s "$win_toolchain" "$qt_prefix/travik-mingw-toolchain.cmake" ||
        cp "$win_toolchain" "$qt_prefix/travik-mingw-toolchain.cmake"
    note "configuring qtbase $qt_version (log: $log)"
    t=$(timed "$log" cmake -S "$src" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$qt_prefix/travik-mingw-toolchain.cmake" \
        -DCMAKE_INSTALL_PREFIX="$qt_prefix" \
        -DQT_HOST_PATH="$qt_host_path" -DQT_HOST_PATH_CMAKE_DIR="$qt_host_cmake_dir" \
        "${qt_options[@]}")
    note "configure: $t s"
    note "building qtbase with $jobs jobs"
    t=$(timed "$log" cmake --build "$build" --parallel "$jobs")
    note "build: $t s"
    t=$(timed "$log" cmake --install "$build")
    note "install: $t s, $(du -sh "$qt_prefix" | cut -f1)"
    mkdir -p "$qt_prefix/share/licenses"
    cp -r "$src/LICENSES" "$qt_prefix/share/licenses/qtbase"
    cp "$src/debian/copyright" "$qt_prefix/share/licenses/qtbase/debian-copyright"
    touch "$qt_prefix/.travik-done"
    rm -rf "$build"
}

# qtcharts_tarball_path: the upstream tarball in ../shared/deps beside the
# project, or beside the repository it was cloned from (a clean clone
# elsewhere, as CI makes, has no ../shared of its own).
qtcharts_tarball_path() {
    local beside=$root/../shared/deps/$qtcharts_tarball origin
    if [ ! -f "$beside" ] && origin=$(git -C "$root" remote get-url origin 2>/dev/null) &&
        [ -f "$origin/../shared/deps/$qtcharts_tarball" ]; then
        beside=$origin/../shared/deps/$qtcharts_tarball
    fi
    echo "$beside"
}

# qtcharts_source DIR: Qt Charts' source unpacked in DIR; prints the tree.
# Debian's source package first; where the archive does not serve it, the
# upstream tarball of the same version.
qtcharts_source() {
    local dir=$1 tarball tree
    if tree=$(fetch_source qt6-charts "$dir/debian" 2>/dev/null); then
        echo "$tree"
        return 0
    fi
    tree=$dir/upstream/${qtcharts_tarball%.tar.xz}
    if [ -f "$dir/upstream/.unpacked" ] && [ -d "$tree" ]; then
        echo "$tree"
        return 0
    fi
    tarball=${TRAVIK_QTCHARTS_SOURCE:-$(qtcharts_tarball_path)}
    note "apt-get source qt6-charts failed; using $tarball"
    [ -f "$tarball" ] || fail "no Qt Charts source: apt-get source qt6-charts failed and there is no $tarball" \
        "(set TRAVIK_QTCHARTS_SOURCE to $qtcharts_tarball, or TRAVIK_QT_CHARTS=OFF to build without the chart pages)"
    echo "$qtcharts_sha256  $tarball" | sha256sum --check --status ||
        fail "$tarball: checksum differs from $qtcharts_sha256"
    rm -rf "$dir/upstream"
    mkdir -p "$dir/upstream"
    tar -xJf "$tarball" -C "$dir/upstream" || fail "cannot unpack $tarball"
    [ -d "$tree" ] || fail "$tarball holds no ${qtcharts_tarball%.tar.xz}"
    touch "$dir/upstream/.unpacked"
    echo "$tree"
}

# Qt Charts against the Qt above, into the same prefix.
build_qtcharts() {
    [ "$want_charts" = OFF ] && return 0
    # A failure stamp of older versions of this script: try again.
    rm -f "$qt_prefix/.travik-charts-failed"
    [ -f "$qt_prefix/.travik-charts-done" ] && return 0
    local scratch=$cache/scratch/qtcharts src build log t
    src=$(qtcharts_source "$scratch/src") || exit 1
    build=$scratch/build-$(basename "$qt_prefix")
    log=$cache/qtcharts-build.log
    echo "== $(date -u)" >>"$log"
    note "configuring qtcharts from $src (log: $log)"
    t=$(cd "$root" && timed "$log" "$qt_prefix/bin/qt-cmake" -S "$src" -B "$build" -G Ninja \
        -DQT_HOST_PATH="$qt_host_path" -DQT_HOST_PATH_CMAKE_DIR="$qt_host_cmake_dir" \
        "${qtcharts_options[@]}")
    note "configure: $t s"
    t=$(timed "$log" cmake --build "$build" --parallel "$jobs")
    note "build: $t s"
    t=$(timed "$log" cmake --install "$build")
    note "install: $t s"
    rm -rf "$qt_prefix/share/licenses/qtcharts"
    mkdir -p "$qt_prefix/share/licenses/qtcharts"
    if [ -d "$src/LICENSES" ]; then
        cp "$src"/LICENSES/* "$qt_prefix/share/licenses/qtcharts/"
    fi
    if [ -f "$src/debian/copyright" ]; then
        cp "$src/debian/copyright" "$qt_prefix/share/licenses/qtcharts/debian-copyright"
    fi
    touch "$qt_prefix/.travik-charts-done"
    rm -rf "$build"
}

build_libjpeg() {
    [ -f "$jpeg_prefix/.travik-done" ] && return 0
    local scratch=$cache/scratch/libjpeg src build log t
    src=$(fetch_source libjpeg-turbo "$scratch/src")
    build=$scratch/build-$(basename "$jpeg_prefix")
    log=$cache/libjpeg-build.log
    echo "== $(date -u)" >>"$log"
    note "building libjpeg-turbo $jpeg_version (log: $log)"
    t=$(timed "$log" cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$win_toolchain" \
        -DCMAKE_INSTALL_PREFIX="$jpeg_prefix" "${jpeg_options[@]}")
    t=$((t + $(timed "$log" cmake --build "$build" --parallel "$jobs")))
    t=$((t + $(timed "$log" cmake --install "$build")))
    # The licence texts go with the library, for the package.
    mkdir -p "$jpeg_prefix/share/licenses"
    cp "$src/LICENSE.md" "$src/README.ijg" "$src/debian/copyright" "$jpeg_prefix/share/licenses/" 2>/dev/null || true
    note "libjpeg-turbo: $t s, $(du -sh "$jpeg_prefix" | cut -f1)"
    touch "$jpeg_prefix/.travik-done"
    rm -rf "$build"
}

# SQLite's one-file source (sqlite3.c, made from Debian's tree by its own Tcl
# scripts with the host's compiler: a few seconds), compiled once by the cross
# compiler. Faster than the tree's configure for the cross host, which also
# takes the build machine for the target in places.
build_sqlite() {
    [ -f "$sqlite_prefix/.travik-done" ] && return 0
    local scratch=$cache/scratch/sqlite src build log t
    src=$(fetch_source sqlite3 "$scratch/src")
    build=$scratch/build-$(basename "$sqlite_prefix")
    log=$cache/sqlite-build.log
    echo "== $(date -u)" >>"$log"
    note "building SQLite $sqlite_version (log: $log)"
    rm -rf "$build"
    mkdir -p "$build"
    t=$(timed "$log" make -C "$build" -f "$src/main.mk" TOP="$src" BCC=gcc TCC=gcc \
        AR="ar cr" RANLIB=ranlib EXE= sqlite3.c)
    note "one-file source: $t s"
    t=$(timed "$log" x86_64-w64-mingw32-gcc-posix "${sqlite_options[@]}" \
        -c "$build/sqlite3.c" -o "$build/sqlite3.o")
    note "cross compile: $t s"
    rm -rf "$sqlite_prefix"
    mkdir -p "$sqlite_prefix/include" "$sqlite_prefix/lib" "$sqlite_prefix/share/licenses"
    x86_64-w64-mingw32-ar rcs "$sqlite_prefix/lib/libsqlite3.a" "$build/sqlite3.o"
    cp "$build/sqlite3.h" "$src/src/sqlite3ext.h" "$sqlite_prefix/include/"
    cp "$src/LICENSE.md" "$src/debian/copyright" "$sqlite_prefix/share/licenses/"
    touch "$sqlite_prefix/.travik-done"
    rm -rf "$build"
}

bash scripts/setup.sh g++-mingw-w64-x86-64-posix ninja-build dpkg-dev tcl >&2
mkdir -p "$cache"
exec 9>"$cache/.build-lock"
flock 9
started=$SECONDS
if [ "$mode" = "--sqlite" ]; then
    build_sqlite
    print_prefixes
    exit 0
fi
windows_host_qt_check || exit 1
build_libjpeg
build_sqlite
build_qtbase
build_qtcharts
note "done in $((SECONDS - started)) s"
print_prefixes
