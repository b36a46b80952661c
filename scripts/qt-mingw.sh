#!/usr/bin/env bash
# Builds the libraries the Windows build of the window needs, for 64-bit Windows
# with mingw-w64, from Debian's own source packages, and caches them outside the
# work tree (TRAVIK_CACHE, default ~/.cache/travik-readout):
#   qt6-mingw-6.4.2-KEY         static Qt: Core, Gui, Widgets, the windows and
#                               offscreen platform plugins, and Qt Charts when it builds
#   libjpeg-turbo-mingw-VER-KEY static libjpeg
# KEY is made from the version, the options and the toolchain file, so a change
# of any of them builds again. A folder counts as done only once its stamp file
# (written last) exists; an interrupted build is resumed where it stopped. Two
# runs at once take turns (a lock in the cache).
#
#   bash scripts/qt-mingw.sh           build what is missing, print the two prefixes
#   bash scripts/qt-mingw.sh --print   only print the prefixes (empty if not built)
# Output on stdout, one line each: QT_PREFIX=..., JPEG_PREFIX=..., QT_CHARTS=ON|OFF.
# TRAVIK_QT_CHARTS=OFF leaves Qt Charts out (the Windows build then has no chart pages).
# Progress and build logs go to stderr and to log files in the cache.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
cache=${TRAVIK_CACHE:-$HOME/.cache/travik-readout}
jobs=$(nproc)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
qt_version=6.4.2
mode=${1:-build}

note() { echo "qt-mingw: $*" >&2; }
fail() {
    note "FAILED: $*"
    exit 1
}

qt_options=(
    -DBUILD_SHARED_LIBS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF
    -DFEATURE_optimize_size=ON -DCMAKE_BUILD_TYPE=Release
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
    -DFEATURE_testlib=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
    -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_opengl_dynamic=OFF -DFEATURE_dynamicgl=OFF
    -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF
    -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
    -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
    -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF
    -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF
)
jpeg_options=(-DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF
              -DCMAKE_BUILD_TYPE=Release -DCMAKE_POSITION_INDEPENDENT_CODE=OFF)
# Bumped when the steps below change what gets built.
recipe=1

key_of() { { echo "$recipe"; printf '%s\n' "$@"; cat "$toolchain"; } | sha256sum | cut -c1-12; }
qt_prefix=$cache/qt6-mingw-$qt_version-$(key_of "$qt_version" "${qt_options[@]}")

jpeg_version=$(dpkg-query -W -f='${source:Upstream-Version}' libjpeg-dev 2>/dev/null || echo unknown)
jpeg_prefix=$cache/libjpeg-turbo-mingw-$jpeg_version-$(key_of "$jpeg_version" "${jpeg_options[@]}")

print_prefixes() {
    local charts=OFF
    [ -f "$qt_prefix/.travik-charts-done" ] && [ "${TRAVIK_QT_CHARTS:-ON}" != OFF ] && charts=ON
    if [ -f "$qt_prefix/.travik-done" ]; then echo "QT_PREFIX=$qt_prefix"; else echo "QT_PREFIX="; fi
    if [ -f "$jpeg_prefix/.travik-done" ]; then echo "JPEG_PREFIX=$jpeg_prefix"; else echo "JPEG_PREFIX="; fi
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
    cmp -s "$toolchain" "$qt_prefix/travik-mingw-toolchain.cmake" ||
        cp "$toolchain" "$qt_prefix/travik-mingw-toolchain.cmake"
    note "configuring qtbase $qt_version (log: $log)"
    t=$(timed "$log" cmake -S "$src" -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$qt_prefix/travik-mingw-toolchain.cmake" \
        -DCMAKE_INSTALL_PREFIX="$qt_prefix" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
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

# Qt Charts against the Qt above, into the same prefix; optional: a failure
# leaves the Windows build without the chart pages.
build_qtcharts() {
    [ "${TRAVIK_QT_CHARTS:-ON}" = OFF ] && return 0
    [ -f "$qt_prefix/.travik-charts-done" ] && return 0
    [ -f "$qt_prefix/.travik-charts-failed" ] && return 0
    local scratch=$cache/scratch/qtcharts src build log t
    if ! src=$(fetch_source qt6-charts "$scratch/src"); then
        note "no Qt Charts source; the Windows build goes without the chart pages"
        touch "$qt_prefix/.travik-charts-failed"
        return 0
    fi
    build=$scratch/build-$(basename "$qt_prefix")
    log=$cache/qtcharts-build.log
    echo "== $(date -u)" >>"$log"
    note "configuring qtcharts (log: $log)"
    if t=$(cd "$root" && timed "$log" "$qt_prefix/bin/qt-cmake" -S "$src" -B "$build" -G Ninja \
            -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=Release \
            -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake) &&
        note "configure: $t s" &&
        t=$(timed "$log" cmake --build "$build" --parallel "$jobs") && note "build: $t s" &&
        t=$(timed "$log" cmake --install "$build") && note "install: $t s"; then
        mkdir -p "$qt_prefix/share/licenses/qtcharts"
        cp "$src/debian/copyright" "$qt_prefix/share/licenses/qtcharts/debian-copyright"
        touch "$qt_prefix/.travik-charts-done"
        rm -rf "$build"
    else
        note "Qt Charts did not build; the Windows build goes without the chart pages"
        touch "$qt_prefix/.travik-charts-failed"
    fi
}

build_libjpeg() {
    [ -f "$jpeg_prefix/.travik-done" ] && return 0
    local scratch=$cache/scratch/libjpeg src build log t
    src=$(fetch_source libjpeg-turbo "$scratch/src")
    build=$scratch/build-$(basename "$jpeg_prefix")
    log=$cache/libjpeg-build.log
    echo "== $(date -u)" >>"$log"
    note "building libjpeg-turbo $jpeg_version (log: $log)"
    t=$(timed "$log" cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
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

bash scripts/setup.sh g++-mingw-w64-x86-64-posix ninja-build dpkg-dev >&2
mkdir -p "$cache"
exec 9>"$cache/.build-lock"
flock 9
started=$SECONDS
build_libjpeg
build_qtbase
build_qtcharts
note "done in $((SECONDS - started)) s"
print_prefixes
