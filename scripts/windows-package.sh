#!/usr/bin/env bash
# The Windows package: out/windows/TravikPReadout-VERSION-win64.zip holding
# TravikPReadout.exe, travik-read.exe (both static, stripped), README.txt, the
# Task Scheduler task of the unattended readout (travik-read-history-task.xml)
# and the licence texts (Qt, libjpeg-turbo, SQLite, mingw-w64), and the
# installer TravikPReadout-VERSION-setup.exe built
# with makensis. Reuses build-windows (scripts/windows-test.sh) when present.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
source scripts/windows-env.sh

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

bash scripts/setup.sh g++-mingw-w64-x86-64-posix nsis zip
prefixes=$(bash scripts/qt-mingw.sh) || fail "scripts/qt-mingw.sh"
charts=$(sed -n 's/^QT_CHARTS=//p' <<<"$prefixes")
[ -f "$qt_prefix/.travik-done" ] && [ -f "$jpeg_prefix/.travik-done" ] &&
    [ -f "$sqlite_prefix/.travik-done" ] || fail "no Qt, libjpeg or SQLite for Windows"

windows_configure build-windows "$charts"
cmake --build build-windows -j "$jobs" --target TravikPReadout travik-read

version=$(sed -n 's/^project(TravikPReadout VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
name=TravikPReadout-$version-win64
out=$root/out/windows
work=$out/work
stage=$work/$name
rm -rf "$work"
mkdir -p "$stage/licenses/qt" "$stage/licenses/libjpeg-turbo" "$stage/licenses/sqlite" \
    "$stage/licenses/mingw-w64"

strip=x86_64-w64-mingw32-strip
$strip -o "$stage/TravikPReadout.exe" build-windows/app/TravikPReadout.exe
$strip -o "$stage/travik-read.exe" build-windows/tools/travik-read/travik-read.exe
# Text files with Windows line ends.
crlf() { sed 's/\r*$/\r/' "$1" >"$2"; }
sed "s/@VERSION@/$version/" packaging/windows/README.txt >"$work/README.txt"
crlf "$work/README.txt" "$stage/README.txt"
if [ -f LICENSE ]; then
    crlf LICENSE "$stage/LICENSE.txt"
else
    crlf /usr/share/common-licenses/GPL-3 "$stage/LICENSE.txt"
fi
for file in "$qt_prefix"/share/licenses/qtbase/*; do
    crlf "$file" "$stage/licenses/qt/$(basename "$file" .txt).txt"
done
for file in "$qt_prefix"/share/licenses/qtcharts/*; do
    [ -f "$file" ] && crlf "$file" "$stage/licenses/qt/qtcharts-$(basename "$file" .txt).txt"
done
for file in "$jpeg_prefix"/share/licenses/*; do
    crlf "$file" "$stage/licenses/libjpeg-turbo/$(basename "$file" .md).txt"
done
for file in "$sqlite_prefix"/share/licenses/*; do
    crlf "$file" "$stage/licenses/sqlite/$(basename "$file" .md).txt"
done
crlf /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64/copyright.txt"
# The scheduled readout's task for schtasks /Create /XML, which wants UTF-16.
{
    printf '\377\376'
    sed 's/encoding="UTF-8"/encoding="UTF-16"/; s/\r*$/\r/' packaging/windows/travik-read-history-task.xml |
        iconv -f UTF-8 -t UTF-16LE
} >"$stage/travik-read-history-task.xml"
cp resources/TravikPReadout.ico "$work/"

rm -f "$out/$name.zip"
(cd "$work" && zip -qr -X "$out/$name.zip" "$name")
setup=$out/TravikPReadout-$version-setup.exe
makensis -V2 -DVERSION="$version" -DSTAGE="$stage" -DOUTFILE="$setup" \
    packaging/windows/TravikPReadout.nsi
rm -rf "$work"
for file in "$out/$name.zip" "$setup"; do
    echo "$file: $(du -h "$file" | cut -f1)"
done
